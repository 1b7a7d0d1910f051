#pragma once

#include <sys/types.h>

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace quilvane {

struct FileError {
    std::filesystem::path path;
    std::error_code error;  // an errno value, or a FileRefusal
};

// What a file was when the program last read or wrote it: enough to tell
// that someone else has changed it since.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    std::timespec modified{};

    bool known() const { return size >= 0; }
    friend bool operator==(const FileStamp& a, const FileStamp& b)
    {
        return a.device == b.device && a.inode == b.inode && a.size == b.size &&
               a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
    }
};

struct LoadedDocument {
    std::string bytes;
    FileStamp stamp;
    std::optional<FileError> error;
};

// The whole file, byte for byte: no line end converted, no NUL dropped.
LoadedDocument ReadDocumentFile(const std::filesystem::path& path);

struct ReplaceOptions {
    // When known, the file must still be as it was then, or nothing is written.
    FileStamp expected;
    // The key file may be made new; a document must exist.
    bool createIfMissing = false;
};

struct Replaced {
    std::optional<FileError> error;
    FileStamp stamp;  // of the new content, when written
};

// Replaces the file's content with `bytes`, so that after a crash at any
// moment the file holds either the old or the new content, never a mix and
// never nothing. The new content goes to a new temporary file beside the
// file, is flushed to disk, takes over the file's permissions and owner and
// is renamed over it; then the directory is flushed too. A symbolic link
// stays a link and the file it points to is replaced. On any failure the
// temporary file is removed and the file is as it was.
//
// Refused, with nothing written: a file its owner may not write (even when
// running as root: the user marked it so); a file with other names (hard
// links) -- replacing it would leave the other names holding the old
// content, and rewriting it in place could not be done safely, so the user
// is asked to resolve that first; a file changed since `expected`.
Replaced ReplaceFileContent(const std::filesystem::path& path, std::string_view bytes,
                            const ReplaceOptions& options = {});

}  // namespace quilvane
