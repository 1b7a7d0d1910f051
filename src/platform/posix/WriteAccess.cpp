#include "platform/posix/WriteAccess.hpp"

#include "platform/FileRefusal.hpp"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quilvane::posix {

std::optional<std::error_code> WriteRefusal(const std::filesystem::path& file, const struct stat& status)
{
    if (!(status.st_mode & S_IWUSR)) {
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
