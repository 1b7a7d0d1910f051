#include "platform/DocumentFile.hpp"

#include "platform/FileFaults.hpp"
#include "platform/FileRefusal.hpp"
#include "platform/ContentWriter.hpp"
#include "platform/SystemFileLayer.hpp"
#include "platform/posix/KeptAttributes.hpp"
#include "platform/posix/Temporaries.hpp"
#include "platform/posix/WriteAccess.hpp"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

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
    int release() { return std::exchange(fd_, -1); }
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
// From this size on the content goes straight to the disk (see DirectSink).
// Measured here at rest, the document streamed through 1 MiB stretches and
// written from where they lie: at 256 MiB the page cache took 0.23 s against
// the direct road's 0.33 s, at 1 GiB, where the system starts to hold back
// writers of cached pages, 1.86 s against 1.47 s.
constexpr std::uint64_t kDirectFrom = 512u << 20;
std::atomic<std::uint64_t> gDirectFrom{kDirectFrom};
// An old file this large takes a while to free when it is replaced.
constexpr std::int64_t kReleaseAsideFrom = 64 << 20;

bool WriteAll(int fd, std::string_view bytes)
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
        if (written == 0) {
            errno = EIO;  // nothing taken, nothing said: it would never end
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes through the page cache, setting the disk to work on each stretch
// while the next is written, so that the final flush finds little left.
struct BufferedSink {
    int fd;

    bool operator()(std::string_view chunk, std::uint64_t done, int& error) const
    {
        if (const int injected = faults::Injected(Step::Write, done)) {
            error = injected;
            return false;
        }
        if (!WriteAll(fd, chunk)) {
            error = errno;
            return false;
        }
        ::sync_file_range(fd, static_cast<off_t>(done), static_cast<off_t>(chunk.size()), SYNC_FILE_RANGE_WRITE);
        return true;
    }
};

// Writes a large content straight to the disk, past the page cache, from the
// writer's aligned buffers: filling the cache with a gigabyte of pages that
// are thrown away again costs more than the copy. Where the filesystem
// refuses direct writes, and for the last unaligned stretch, it writes as
// usual.
class DirectSink {
public:
    static constexpr std::size_t kAlign = kWriteAlignment;

    explicit DirectSink(int fd) : fd_(fd), flags_(::fcntl(fd, F_GETFL))
    {
        direct_ = flags_ >= 0 && ::fcntl(fd, F_SETFL, flags_ | O_DIRECT) == 0;
    }

    bool operator()(std::string_view chunk, std::uint64_t done, int& error)
    {
        if (const int injected = faults::Injected(Step::Write, done)) {
            error = injected;
            return false;
        }
        if (chunk.size() % kAlign != 0) {
            stopDirect();
        }
        if (direct_) {
            ssize_t written = 0;
            do {  // FUSE and network filesystems deliver signals here
                written = ::write(fd_, chunk.data(), chunk.size());
            } while (written < 0 && errno == EINTR);
            if (written >= 0) {
                chunk.remove_prefix(static_cast<std::size_t>(written));
            } else if (errno != EINVAL) {
                error = errno;
                return false;
            }
            if (!chunk.empty()) {
                stopDirect();  // not offered here, or not for this stretch
            }
        }
        if (!WriteAll(fd_, chunk)) {
            error = errno;
            return false;
        }
        return true;
    }

private:
    void stopDirect()
    {
        if (direct_) {
            ::fcntl(fd_, F_SETFL, flags_);
            direct_ = false;
        }
    }

    int fd_;
    int flags_;
    bool direct_ = false;
};

// fsync, again where a signal broke in: FUSE and network filesystems let one.
bool FlushFile(int fd)
{
    int result = 0;
    while ((result = ::fsync(fd)) != 0 && errno == EINTR) {
    }
    return result == 0;
}

// Closes the last name of a replaced large file on a thread of its own: the
// system frees its blocks and cached pages then, which takes a while that
// nobody needs to wait for.
void ReleaseAside(int fd)
{
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (...) {  // no thread, or no memory for one: closed here then
        ::close(fd);
    }
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

namespace {

// Reads a regular file from its beginning, telling the system so: it reads
// ahead further.
class PosixSource : public DocumentSource {
public:
    PosixSource(int fd, const FileStamp& stamp) : file_(fd), stamp_(stamp)
    {
        (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    const FileStamp& stamp() const override { return stamp_; }
    std::size_t read(char* data, std::size_t size, std::error_code& error) override
    {
        if (const int injected = faults::Injected(Step::Read, offset_)) {
            error = SystemError(injected);
            return 0;
        }
        for (;;) {
            const ssize_t got = ::read(file_.get(), data, size);
            if (got >= 0) {
                offset_ += static_cast<std::uint64_t>(got);
                return static_cast<std::size_t>(got);
            }
            if (errno != EINTR) {
                error = LastError();
                return 0;
            }
        }
    }

private:
    FileDescriptor file_;
    FileStamp stamp_;
    std::uint64_t offset_ = 0;
};

}  // namespace

OpenedSource OpenDocumentSource(const std::filesystem::path& path)
{
    const auto refusal = [&](const struct stat& status) -> std::optional<FileError> {
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
        return {nullptr, FileError{path, LastError()}};
    }
    if (auto refused = refusal(status)) {
        return {nullptr, std::move(refused)};
    }
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0) {
        return {nullptr, FileError{path, LastError()}};
    }
    if (::fstat(file.get(), &status) != 0) {
        return {nullptr, FileError{path, LastError()}};
    }
    if (auto refused = refusal(status)) {
        return {nullptr, std::move(refused)};
    }
    return {std::make_unique<PosixSource>(file.release(), StampOf(status)), std::nullopt};
}

namespace tuning {
void SetDirectWritesFrom(std::uint64_t bytes) { gDirectFrom.store(bytes); }
void ResetDirectWritesFrom() { gDirectFrom.store(kDirectFrom); }
}  // namespace tuning

namespace {

bool SameStamp(const std::filesystem::path& file, const FileStamp& expected)
{
    struct stat now {};
    return ::stat(file.c_str(), &now) == 0 && StampOf(now) == expected;
}

}  // namespace

Replaced detail::ReplaceOnThisSystem(const std::filesystem::path& path, std::uint64_t size,
                                      const ContentStretches& stretches, const ReplaceOptions& options)
{
    const auto failed = [&](std::error_code error) { return Replaced{FileError{path, error}, {}}; };

    std::error_code resolveError;
    const auto target = ResolvedTarget(path, options, resolveError);
    if (!target) {
        return failed(resolveError);
    }
    const std::filesystem::path folder = target->parent_path();

    struct stat old {};
    const bool exists = (options.followLinks ? ::stat(target->c_str(), &old) : ::lstat(target->c_str(), &old)) == 0;
    if (!exists && (errno != ENOENT || !options.createIfMissing)) {
        return failed(LastError());
    }
    const bool plantedLink = exists && !options.followLinks && S_ISLNK(old.st_mode);
    const bool replacing = exists && !plantedLink;
    if (replacing) {
        if (S_ISDIR(old.st_mode)) {
            return failed(std::make_error_code(std::errc::is_a_directory));
        }
        if (!S_ISREG(old.st_mode)) {
            return failed(FileRefusal::NotRegularFile);
        }
        if (const auto refused = posix::WriteRefusal(*target, old)) {
            return failed(*refused);
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

    // What a killed run left here goes before anything new is made.
    posix::RemoveStaleTemporaries(folder);

    // A new file (the key file) is made as any program makes one, under the
    // user's umask; a replacing one only for us until it has the old one's
    // permissions.
    posix::TemporaryFile temporary;
    int fd = -1;
    if (!Do(Step::CreateTemporary, [&] { return (fd = temporary.create(folder, replacing ? 0600 : 0666)) >= 0; })) {
        return failed(LastError());
    }
    FileDescriptor file(fd);

    // The size to expect: exact, or as the caller guesses it.
    const std::uint64_t total = (size != kSizeUnknown ? size : options.sizeHint) + options.suffix.size();
    // Room for the whole content at once: a hint; a filesystem without it
    // loses only speed.
    if (total > 0) {
        while (::fallocate(file.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(total)) != 0 && errno == EINTR) {
        }
    }
    // Kept open across the rename, so that freeing a large old file happens
    // when it is closed, aside, and not inside rename().
    FileDescriptor oldFile(replacing && old.st_size >= kReleaseAsideFrom
                               ? ::open(target->c_str(), O_PATH | O_CLOEXEC | O_NOFOLLOW)
                               : -1);

    const auto progress = [&](std::uint64_t written) {
        if (options.progress) {
            options.progress(written, total);
        }
    };
    const bool direct = total >= gDirectFrom.load();
    OverlappedWriter::Sink sink = BufferedSink{file.get()};
    if (direct) {
        sink = [directSink = DirectSink(file.get())](std::string_view chunk, std::uint64_t done, int& error) mutable {
            return directSink(chunk, done, error);
        };
    }
    const WriteRoad road = direct ? WriteRoad::WriterThread : WriteRoad::CallersThread;
    const HandedOver handed = HandOver(std::move(sink), road, stretches, options.suffix, progress);
    if (handed.abandoned) {
        return failed(SystemError(ECANCELED));
    }
    if (handed.error != 0) {
        return failed(SystemError(handed.error));
    }
    // The file must hold exactly what was to be written, as the system
    // sees it: a source that gave more or less than it promised, or a
    // write that went astray, is not taken for the content.
    struct stat written {};
    if (::fstat(file.get(), &written) != 0) {
        return failed(LastError());
    }
    if ((size != kSizeUnknown && handed.bytes != total) || static_cast<std::uint64_t>(written.st_size) != handed.bytes) {
        return failed(SystemError(EIO));
    }
    // Room reserved for more than came (a decryption that shrinks) is given
    // back: cutting a file to its own size frees what lies past its end.
    if (handed.bytes < total) {
        while (::ftruncate(file.get(), static_cast<off_t>(handed.bytes)) != 0 && errno == EINTR) {
        }
    }
    if (replacing) {
        if (const auto refused = posix::TakeOverOwner(file.get(), old)) {
            return failed(*refused);
        }
        if (const auto refused = posix::TakeOverExtendedAttributes(*target, file.get())) {
            return failed(*refused);
        }
        if (const auto refused = posix::TakeOverMode(file.get(), old.st_mode & 07777)) {
            return failed(*refused);
        }
    }
    if (!Do(Step::Sync, [&] { return FlushFile(file.get()); })) {
        return failed(LastError());
    }
    if (!temporary.name()) {
        return failed(LastError());
    }
    if (!Do(Step::Close, [&] { return file.close(); })) {
        return failed(LastError());
    }
    if (const int injected = faults::Injected(Step::Rename)) {
        return failed(SystemError(injected));
    }
    // The file as it was loaded, once more, right before the rename: an edit
    // another program made while the new content was written stays.
    if (options.expected.known() && !SameStamp(*target, options.expected)) {
        return failed(FileRefusal::ChangedOnDisk);
    }
    // Everything said after the rename is made ready before it: from there
    // on nothing may fail for want of memory, or the message would say the
    // file was left as it was.
    Replaced replaced;
    replaced.error = FileError{path, {}};
    if (::rename(temporary.path().c_str(), target->c_str()) != 0) {
        return failed(LastError());
    }
    temporary.keep();
    replaced.contentReplaced = true;
    if (oldFile.get() >= 0) {
        ReleaseAside(oldFile.release());
    }
    struct stat now {};
    if (::stat(target->c_str(), &now) == 0) {
        replaced.stamp = StampOf(now);
    }
    // The rename is durable once the directory is on disk too. A system
    // that cannot flush a directory at all says so (EINVAL) and loses
    // nothing by it; a folder that cannot be opened for reading cannot be
    // flushed by anyone.
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0 && !Do(Step::SyncFolder, [&] { return FlushFile(directory.get()) || errno == EINVAL; })) {
        replaced.error->error = LastError();
    } else {
        replaced.error.reset();
    }
    return replaced;
}


}  // namespace quilvane
