#include "platform/DocumentFile.hpp"

#include "platform/FileFaults.hpp"
#include "platform/FileRefusal.hpp"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <cstdio>
#include <new>
#include <random>
#include <stdexcept>

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

std::int64_t Nanoseconds(const struct timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileStamp StampOf(const struct stat& status)
{
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::int64_t>(status.st_size), Nanoseconds(status.st_mtim), Nanoseconds(status.st_ctim)};
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

constexpr std::size_t kIoChunk = 8u << 20;
constexpr std::size_t kGrowth = 64u << 10;
constexpr std::size_t kDirectFrom = 32u << 20;

bool WriteAll(int fd, std::string_view bytes, const std::function<void(std::size_t)>& wrote = {})
{
    while (!bytes.empty()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size(), kIoChunk);
        const ssize_t written = ::write(fd, bytes.data(), chunk);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        if (wrote) {
            wrote(static_cast<std::size_t>(written));
        }
    }
    return true;
}

// Writes a large content straight to the disk, past the page cache, through
// an aligned buffer: filling the cache with a gigabyte of pages that are
// thrown away again costs more than the copy. Where the filesystem refuses
// direct writes, and for the last unaligned stretch, it writes as usual.
bool WriteDirect(int fd, std::string_view bytes, std::string_view suffix,
                 const std::function<void(std::size_t)>& wrote)
{
    constexpr std::size_t kAlign = 4096;
    struct Free {
        void operator()(void* p) const { std::free(p); }
    };
    constexpr std::size_t kDirectChunk = kIoChunk;
    void* raw = nullptr;
    if (::posix_memalign(&raw, kAlign, kDirectChunk) != 0) {
        return WriteAll(fd, bytes, wrote) && WriteAll(fd, suffix, wrote);
    }
    std::unique_ptr<char, Free> buffer(static_cast<char*>(raw));
    const int flags = ::fcntl(fd, F_GETFL);
    bool direct = flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_DIRECT) == 0;
    const auto stopDirect = [&] {
        if (direct) {
            ::fcntl(fd, F_SETFL, flags);
            direct = false;
        }
    };

    std::string_view pieces[] = {bytes, suffix};
    std::size_t piece = 0;
    for (;;) {
        std::size_t filled = 0;
        while (filled < kDirectChunk && piece < 2) {
            const std::size_t take = std::min(kDirectChunk - filled, pieces[piece].size());
            if (take > 0) {  // an empty piece may have no storage at all
                std::memcpy(buffer.get() + filled, pieces[piece].data(), take);
            }
            pieces[piece].remove_prefix(take);
            filled += take;
            if (pieces[piece].empty()) {
                ++piece;
            }
        }
        if (filled == 0) {
            return true;
        }
        if (filled % kAlign != 0) {
            stopDirect();
        }
        std::string_view chunk(buffer.get(), filled);
        const ssize_t first = direct ? ::write(fd, chunk.data(), chunk.size()) : -1;
        if (first < 0 && direct && errno != EINVAL) {
            return false;
        }
        if (first >= 0) {
            chunk.remove_prefix(static_cast<std::size_t>(first));
            wrote(static_cast<std::size_t>(first));
        } else {
            stopDirect();  // not offered here, or not for this stretch
        }
        if (!chunk.empty()) {
            stopDirect();
            if (!WriteAll(fd, chunk, wrote)) {
                return false;
            }
        }
    }
}

// A large document is touched once from end to end: huge pages make filling
// it several times faster where the system offers them on request.
void AdviseHugePages(char* data, std::size_t size)
{
    constexpr std::uintptr_t kHuge = 2u << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHuge - 1);
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
}

// MemAvailable of /proc/meminfo, in bytes; 0 when it cannot be told.
std::uint64_t SystemMemoryAvailable()
{
    std::FILE* meminfo = std::fopen("/proc/meminfo", "r");
    if (!meminfo) {
        return 0;
    }
    char line[256];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, meminfo)) {
        if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
            break;
        }
    }
    std::fclose(meminfo);
    return std::uint64_t{kib} * 1024;
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

// The file the path names, through symbolic links unless told not to
// follow them; for a file still to be made (or a link not to be followed),
// the path in its resolved directory.
std::optional<std::filesystem::path> ResolvedTarget(const std::filesystem::path& path, const ReplaceOptions& options,
                                                    std::error_code& error)
{
    char resolved[PATH_MAX];
    if (options.followLinks) {
        if (::realpath(path.c_str(), resolved)) {
            return std::filesystem::path(resolved);
        }
        error = LastError();
        if (errno != ENOENT || !options.createIfMissing) {
            return std::nullopt;
        }
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

std::uint64_t MemoryNeededFor(std::uint64_t size)
{
    return size + size / 10 + (64u << 20);
}

LoadedDocument ReadDocumentFile(const std::filesystem::path& path, const ReadOptions& options)
{
    const auto refuseKind = [&](const struct stat& status) -> std::optional<FileError> {
        if (S_ISDIR(status.st_mode)) {
            return FileError{path, std::make_error_code(std::errc::is_a_directory)};
        }
        if (!S_ISREG(status.st_mode)) {
            return FileError{path, FileRefusal::NotRegularFile};
        }
        return std::nullopt;
    };
    // Opening a pipe for reading waits for a writer, and a device may never
    // answer: the kind is looked at first, and the open itself never waits,
    // in case the name was swapped for something else in between.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return {{}, {}, FileError{path, LastError()}};
    }
    if (auto refused = refuseKind(status)) {
        return {{}, {}, std::move(refused)};
    }
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0) {
        return {{}, {}, FileError{path, LastError()}};
    }
    if (::fstat(file.get(), &status) != 0) {
        return {{}, {}, FileError{path, LastError()}};
    }
    if (auto refused = refuseKind(status)) {
        return {{}, {}, std::move(refused)};
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    const std::uint64_t available = options.memoryAvailable ? options.memoryAvailable : SystemMemoryAvailable();
    if (available && MemoryNeededFor(size) > available) {
        return {{}, {}, FileError{path, FileRefusal::TooLarge}};
    }
    std::string bytes;
    try {
        // Room to notice that the file grew, without moving the whole text.
        bytes.reserve(static_cast<std::size_t>(size) + kGrowth);
        AdviseHugePages(bytes.data(), bytes.capacity());
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return {{}, {}, FileError{path, FileRefusal::TooLarge}};
    } catch (const std::length_error&) {
        return {{}, {}, FileError{path, FileRefusal::TooLarge}};
    }
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            bytes.resize(bytes.size() + kGrowth);  // the file grew, or reports no size
        }
        if (options.progress && !options.progress(filled, size)) {
            return {{}, {}, FileError{path, std::make_error_code(std::errc::operation_canceled)}};
        }
        const std::size_t want = std::min(bytes.size() - filled, kIoChunk);
        if (const int injected = faults::Injected(Step::Read)) {
            return {{}, {}, FileError{path, SystemError(injected)}};
        }
        const ssize_t got = ::read(file.get(), bytes.data() + filled, want);
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
    const auto target = ResolvedTarget(path, options, resolveError);
    if (!target) {
        return failed(resolveError);
    }

    struct stat old {};
    const bool exists = (options.followLinks ? ::stat(target->c_str(), &old) : ::lstat(target->c_str(), &old)) == 0;
    if (!exists && (errno != ENOENT || !options.createIfMissing)) {
        return failed(LastError());
    }
    const bool plantedLink = exists && !options.followLinks && S_ISLNK(old.st_mode);
    if (exists && !plantedLink) {
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

    const std::uint64_t total = bytes.size() + options.suffix.size();
    // Room for the whole content at once, and the disk set to work on each
    // written stretch while the next is written: the final flush then finds
    // little left to do. Both are hints; a filesystem without them loses
    // only speed.
    if (total > 0) {
        (void)::fallocate(file.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(total));
    }
    std::uint64_t written = 0;
    const auto wrote = [&](std::size_t count) {
        ::sync_file_range(file.get(), static_cast<off_t>(written), static_cast<off_t>(count),
                          SYNC_FILE_RANGE_WRITE);
        written += count;
        if (options.progress) {
            options.progress(written, total);
        }
    };
    const auto writeContent = [&] {
        if (total >= kDirectFrom) {
            return WriteDirect(file.get(), bytes, options.suffix, wrote);
        }
        return WriteAll(file.get(), bytes, wrote) && WriteAll(file.get(), options.suffix, wrote);
    };
    if (!Do(Step::Write, writeContent)) {
        return abandon(LastError());
    }
    if (exists && !plantedLink) {
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
    struct stat now {};
    if (::stat(target->c_str(), &now) != 0) {
        return {std::nullopt, {}};
    }
    return {std::nullopt, StampOf(now)};
}

}  // namespace quilvane
