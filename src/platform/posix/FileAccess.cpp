#include "platform/FileAccess.hpp"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quilvane {

std::error_code ReadFileStart(const std::filesystem::path& path, std::size_t limit, std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {errno, std::generic_category()};
    }
    bytes.assign(limit, '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t got = ::read(fd, bytes.data() + filled, limit - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const std::error_code error(errno, std::generic_category());
            ::close(fd);
            return error;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(filled);
    return {};
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

}  // namespace quilvane
