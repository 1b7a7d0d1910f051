#include "platform/DocumentFile.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

namespace quilvane {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    void reset(int fd)
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }
    // Closes now, reporting the failure a deferred write may only show here.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::filesystem::path TemporaryNameBeside(const std::filesystem::path& target)
{
    static std::mt19937_64 random{std::random_device{}()};
    std::string name = ".";
    name += target.filename().string();
    name += ".quilvane-";
    name += std::to_string(random() % 1000000000);
    name += ".tmp";
    return target.parent_path() / name;
}

}  // namespace

LoadedDocument ReadDocumentFile(const std::filesystem::path& path)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return {{}, FileError{path, LastError()}};
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        return {{}, FileError{path, LastError()}};
    }
    if (S_ISDIR(status.st_mode)) {
        return {{}, FileError{path, std::make_error_code(std::errc::is_a_directory)}};
    }
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(status.st_size));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            bytes.resize(bytes.size() + 64 * 1024);  // the file grew, or reports no size
        }
        const ssize_t got = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {{}, FileError{path, LastError()}};
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return {std::move(bytes), std::nullopt};
}

std::optional<FileError> WriteDocumentFile(const std::filesystem::path& path, std::string_view bytes)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return FileError{path, LastError()};
    }
    if (S_ISDIR(status.st_mode)) {
        return FileError{path, std::make_error_code(std::errc::is_a_directory)};
    }

    std::filesystem::path temporary;
    FileDescriptor file;
    for (int attempt = 0; attempt < 100 && file.get() < 0; ++attempt) {
        temporary = TemporaryNameBeside(path);
        file.reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (file.get() < 0 && errno != EEXIST) {
            return FileError{path, LastError()};
        }
    }
    if (file.get() < 0) {
        return FileError{path, LastError()};
    }

    const auto fail = [&](std::error_code error) {
        ::unlink(temporary.c_str());
        return FileError{path, error};
    };
    if (!WriteAll(file.get(), bytes) || ::fchmod(file.get(), status.st_mode & 07777) != 0 ||
        ::fsync(file.get()) != 0) {
        const auto error = LastError();
        return fail(error);
    }
    if (!file.close()) {
        return fail(LastError());
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        return fail(LastError());
    }
    FileDescriptor directory(::open(path.parent_path().empty() ? "." : path.parent_path().c_str(),
                                    O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) {
        ::fsync(directory.get());
    }
    return std::nullopt;
}

}  // namespace quilvane
