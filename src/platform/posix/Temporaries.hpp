#pragma once

#include <sys/types.h>

#include <filesystem>

namespace quilvane::posix {

// The new content of a file is written to a temporary file in the same
// folder and renamed over it. Where the system offers it, that file has no
// name at all until the moment of the rename, so a crash leaves nothing
// behind; elsewhere it is hidden and says whose it is:
// ".quilvane-XXXXXXXXXX.tmp". While it is written a lock is held on it, so
// that no other run of the program takes it for one a crash left.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    // Removes the named file, unless it became the document.
    ~TemporaryFile();

    // Makes a new file in `folder` with the permission bits `mode` (the
    // process's umask applies); -1 with errno set when it cannot be made.
    int create(const std::filesystem::path& folder, mode_t mode);
    // Gives an unnamed file its hidden name, for the rename; one made with a
    // name keeps it. False with errno set on failure.
    bool name();
    const std::filesystem::path& path() const { return path_; }
    bool unnamed() const { return unnamed_; }
    // Renamed over the document: no longer ours to remove.
    void keep() { path_.clear(); }

private:
    std::filesystem::path folder_;
    std::filesystem::path path_;
    int fd_ = -1;    // the file as written (owned by the caller)
    int lock_ = -1;  // a descriptor of our own that holds the lock
    bool unnamed_ = false;
};

// Removes from `folder` the temporary files a killed run of the program left:
// only regular files of this pattern, this user's, with one name, and locked
// by no running action. Once a run for each folder.
void RemoveStaleTemporaries(const std::filesystem::path& folder);

}  // namespace quilvane::posix
