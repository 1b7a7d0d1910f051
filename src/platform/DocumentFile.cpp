#include "platform/DocumentFile.hpp"

#include "platform/FileFaults.hpp"
#include "platform/FileRefusal.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>

namespace quilvane {
namespace {

using faults::Step;

std::error_code SystemError(int error) { return {error, std::generic_category()}; }
std::error_code LastError() { return SystemError(errno); }

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

FileStamp StampOf(const struct stat& status)
{
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

// Runs one step of the write, unless a test has asked for it to fail.
template <typename Call>
bool Do(Step step, Call call)
{
    if (const int injected = faults::Injected(step)) {
        errno = injected;
        return false;
    }
    return call();
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size(), 1u << 30);
        const ssize_t written = ::write(fd, bytes.data(), chunk);
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

// Temporary files are hidden and say whose they are: ".quilvane-XXXXXXXX.tmp".
// One left behind by a crash is never taken for a document, and a new one
// never overwrites anything (O_EXCL).
int CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& temporary)
{
    static std::mt19937_64 random{std::random_device{}()};
    static const char* digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".quilvane-";
        for (int i = 0; i < 10; ++i) {
            name += digits[random() % 36];
        }
        name += ".tmp";
        temporary = target.parent_path() / name;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// The file the path names, through symbolic links; for a file still to be
// made, the path in its resolved directory.
std::optional<std::filesystem::path> ResolvedTarget(const std::filesystem::path& path, bool createIfMissing,
                                                    std::error_code& error)
{
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) {
        return std::filesystem::path(resolved);
    }
    error = LastError();
    if (errno != ENOENT || !createIfMissing) {
        return std::nullopt;
    }
    const auto parent = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    if (!::realpath(parent.c_str(), resolved)) {
        error = LastError();
        return std::nullopt;
    }
    error.clear();
    return std::filesystem::path(resolved) / path.filename();
}

}  // namespace

LoadedDocument ReadDocumentFile(const std::filesystem::path& path)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return {{}, {}, FileError{path, LastError()}};
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        return {{}, {}, FileError{path, LastError()}};
    }
    if (S_ISDIR(status.st_mode)) {
        return {{}, {}, FileError{path, std::make_error_code(std::errc::is_a_directory)}};
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
            return {{}, {}, FileError{path, LastError()}};
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return {std::move(bytes), StampOf(status), std::nullopt};
}

Replaced ReplaceFileContent(const std::filesystem::path& path, std::string_view bytes, const ReplaceOptions& options)
{
    const auto failed = [&](std::error_code error) { return Replaced{FileError{path, error}, {}}; };

    std::error_code resolveError;
    const auto target = ResolvedTarget(path, options.createIfMissing, resolveError);
    if (!target) {
        return failed(resolveError);
    }

    struct stat old {};
    const bool exists = ::stat(target->c_str(), &old) == 0;
    if (!exists && (errno != ENOENT || !options.createIfMissing)) {
        return failed(LastError());
    }
    if (exists) {
        if (S_ISDIR(old.st_mode)) {
            return failed(std::make_error_code(std::errc::is_a_directory));
        }
        if (!S_ISREG(old.st_mode)) {
            return failed(FileRefusal::NotRegularFile);
        }
        if (!(old.st_mode & S_IWUSR)) {
            return failed(FileRefusal::ReadOnly);
        }
        if (old.st_nlink > 1) {
            return failed(FileRefusal::HardLinked);
        }
        if (options.expected.known() && !(StampOf(old) == options.expected)) {
            return failed(FileRefusal::ChangedOnDisk);
        }
    } else if (options.expected.known()) {
        return failed(SystemError(ENOENT));  // it vanished since it was loaded
    }

    std::filesystem::path temporary;
    int fd = -1;
    if (!Do(Step::CreateTemporary, [&] { return (fd = CreateTemporaryBeside(*target, temporary)) >= 0; })) {
        return failed(LastError());
    }
    FileDescriptor file(fd);
    const auto abandon = [&](std::error_code error) {
        ::unlink(temporary.c_str());
        return failed(error);
    };

    if (!Do(Step::Write, [&] { return WriteAll(file.get(), bytes); })) {
        return abandon(LastError());
    }
    if (exists) {
        // The owner can only be kept where the program may set it (as root);
        // elsewhere the file is ours already, or keeping the group fails and
        // the directory's default applies.
        if (::fchown(file.get(), old.st_uid, old.st_gid) != 0) {
            (void)::fchown(file.get(), static_cast<uid_t>(-1), old.st_gid);
        }
        if (::fchmod(file.get(), old.st_mode & 07777) != 0) {
            return abandon(LastError());
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(file.get(), 0666 & ~mask) != 0) {
            return abandon(LastError());
        }
    }
    if (!Do(Step::Sync, [&] { return ::fsync(file.get()) == 0; })) {
        return abandon(LastError());
    }
    if (!Do(Step::Close, [&] { return file.close(); })) {
        return abandon(LastError());
    }
    if (!Do(Step::Rename, [&] { return ::rename(temporary.c_str(), target->c_str()) == 0; })) {
        return abandon(LastError());
    }

    // The rename is durable once the directory is on disk too.
    FileDescriptor directory(::open(target->parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) {
        ::fsync(directory.get());
    }
    struct stat written {};
    if (::stat(target->c_str(), &written) != 0) {
        return {std::nullopt, {}};
    }
    return {std::nullopt, StampOf(written)};
}

}  // namespace quilvane
