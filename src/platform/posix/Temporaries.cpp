#include "platform/posix/Temporaries.hpp"

#include "platform/TemporaryNames.hpp"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <set>
#include <string>

namespace quilvane::posix {
namespace {

// Links to an open file through /proc: where it is not mounted an unnamed
// file could never be named, so none is made.
bool ProcessFilesReachable() { return ::access("/proc/self/fd", X_OK) == 0; }

std::string ProcessFilePath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// A second open of the same file, holding the lock for as long as it is
// ours: what is written through the first is closed before the rename.
int LockedDescriptor(const std::string& path, int follow)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | follow | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0) {
        (void)::flock(fd, LOCK_EX | LOCK_NB);
    }
    return fd;
}

}  // namespace

TemporaryFile::~TemporaryFile()
{
    if (!path_.empty()) {
        ::unlink(path_.c_str());
    }
    if (lock_ >= 0) {
        ::close(lock_);
    }
}

int TemporaryFile::create(const std::filesystem::path& folder, mode_t mode)
{
    folder_ = folder;
    if (ProcessFilesReachable()) {
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            unnamed_ = true;
            lock_ = LockedDescriptor(ProcessFilePath(fd_), 0);  // a link into /proc, to be followed
            return fd_;
        }
        // Not offered by this filesystem or this system: a named one, then.
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = folder / NewTemporaryName();
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd_ >= 0) {
            path_ = candidate;
            lock_ = LockedDescriptor(candidate, O_NOFOLLOW);
            return fd_;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

bool TemporaryFile::name()
{
    if (!unnamed_ || !path_.empty()) {
        return true;
    }
    const std::string source = ProcessFilePath(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = folder_ / NewTemporaryName();
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            path_ = candidate;
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

void RemoveStaleTemporaries(const std::filesystem::path& folder)
{
    // Once a run: later leftovers could only be another run's, killed
    // meanwhile, and a batch of a thousand files in one folder would list it
    // a thousand times.
    static std::mutex lock;
    static std::set<std::filesystem::path> tidied;
    {
        const std::lock_guard guard(lock);
        if (!tidied.insert(folder).second) {
            return;
        }
    }
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) {
        return;  // a folder that cannot be listed is nobody's to tidy
    }
    DIR* listing = ::fdopendir(folderFd);
    if (!listing) {
        ::close(folderFd);
        return;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (!IsTemporaryName(name)) {
            continue;
        }
        const int fd = ::openat(folderFd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) {
            continue;
        }
        struct stat status {};
        const bool ours = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1 &&
                          status.st_uid == ::geteuid();
        // A lock that cannot be taken is held by an action under way; a
        // filesystem that cannot lock at all cannot tell, so nothing goes.
        if (ours && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(folderFd, entry->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(listing);
}

}  // namespace quilvane::posix
