#include "platform/posix/WriteAccess.hpp"

#include "platform/FileRefusal.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quilvane::posix {
namespace {

// A file marked read-only in Windows, as ntfs-3g shows it: the mode bits
// say nothing of it (its files show 0755 or whatever the mount says).
bool ReadOnlyInWindows(const std::filesystem::path& file)
{
    constexpr unsigned kReadOnly = 0x1;  // FILE_ATTRIBUTE_READONLY
    unsigned char attributes[4] = {};
    const ssize_t got = ::lgetxattr(file.c_str(), "system.ntfs_attrib", attributes, sizeof attributes);
    return got == static_cast<ssize_t>(sizeof attributes) && (attributes[0] & kReadOnly) != 0;
}

}  // namespace

std::optional<std::error_code> WriteRefusal(const std::filesystem::path& file, const struct stat& status)
{
    if (!(status.st_mode & S_IWUSR) || ReadOnlyInWindows(file)) {
        return make_error_code(FileRefusal::ReadOnly);
    }
    // The effective user's rights, as the system would judge an open for
    // writing: the mode bits of owner, group and others, and any ACL.
    if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) {
        if (errno == EACCES || errno == EPERM) {
            return make_error_code(FileRefusal::NotPermitted);
        }
        return std::error_code(errno, std::generic_category());
    }
    return std::nullopt;
}

}  // namespace quilvane::posix
