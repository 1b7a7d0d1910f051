#include "platform/FileAccess.hpp"

#include "platform/FileRefusal.hpp"
#include "platform/posix/WriteAccess.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilvane {

std::error_code ReadFileStart(const std::filesystem::path& path, std::size_t limit, std::string& bytes)
{
    // Read like a document: never through a symbolic link (someone else may
    // have planted it, pointing anywhere), and never waiting on the open of
    // a pipe or a device; only a regular file is read. The kind is looked at
    // before the open and again on what was opened, in case the name was
    // swapped in between.
    const auto refusal = [](const struct stat& status) -> std::error_code {
        if (S_ISDIR(status.st_mode)) {
            return std::make_error_code(std::errc::is_a_directory);
        }
        if (!S_ISREG(status.st_mode)) {
            return make_error_code(FileRefusal::NotRegularFile);
        }
        return {};
    };
    bytes.clear();
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return {errno, std::generic_category()};
    }
    if (const std::error_code refused = refusal(status)) {
        return refused;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENXIO) {
            return make_error_code(FileRefusal::NotRegularFile);
        }
        return {errno, std::generic_category()};
    }
    std::error_code error;
    if (::fstat(fd, &status) != 0) {
        error.assign(errno, std::generic_category());
    } else {
        error = refusal(status);
    }
    bytes.assign(error ? 0 : limit, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + filled, limit - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error.assign(errno, std::generic_category());
            break;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(error ? 0 : filled);
    return error;
}

bool DirectoryAcceptsNewFiles(const std::filesystem::path& directory)
{
    const auto probe = directory / (".quilvane-probe-" + std::to_string(::getpid()));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        // Someone else's file of that name says nothing against the directory.
        return errno == EEXIST;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool IsSomeoneElsesFile(const std::filesystem::path& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    // Only root could give the new file another user's name as its owner.
    const bool ownerKept = status.st_uid == ::geteuid() || ::geteuid() == 0;
    return !ownerKept || posix::WriteRefusal(path, status).has_value();
}

}  // namespace quilvane
