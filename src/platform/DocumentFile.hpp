#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace quilvane {

struct FileError {
    std::filesystem::path path;
    std::error_code error;  // the system's (errno, or a Win32 error code on Windows), or a FileRefusal
};

// What a file was when the program last read or wrote it: enough to tell
// that someone else has changed it since. The times are the system's own
// ticks, compared and never shown. The change time is part of it because no
// user can set it back: a rewrite that restores the modification time is
// still seen.
struct FileStamp {
    std::uint64_t volume = 0;  // device, or volume serial number
    std::uint64_t fileId = 0;  // inode, or file index
    std::int64_t size = -1;
    std::int64_t modified = 0;
    std::int64_t changed = 0;

    bool known() const { return size >= 0; }
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

struct LoadedDocument {
    std::string bytes;
    FileStamp stamp;
    std::optional<FileError> error;
};

// Told now and then how far a long write has come.
using IoProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// A document's file, opened for one pass from its beginning, a stretch at a
// time; never held whole in memory.
class DocumentSource {
public:
    virtual ~DocumentSource() = default;
    // The file as it was when it was opened.
    virtual const FileStamp& stamp() const = 0;
    // Up to `size` bytes into `data`: how many came, 0 at the end of the
    // file, or 0 with `error` set.
    virtual std::size_t read(char* data, std::size_t size, std::error_code& error) = 0;
};

struct OpenedSource {
    std::unique_ptr<DocumentSource> source;
    std::optional<FileError> error;
};

// Only a regular file is opened: a pipe, socket or device is refused at
// once, before anything could wait on it.
OpenedSource OpenDocumentSource(const std::filesystem::path& path);

// The beginning of the file, at most `limit` bytes of it, byte for byte (no
// line end converted, no NUL dropped), and its stamp: what the view shows of
// a document. The same refusals as OpenDocumentSource.
LoadedDocument ReadDocumentStart(const std::filesystem::path& path, std::size_t limit);

struct ReplaceOptions {
    // When known, the file must still be as it was then, or nothing is written.
    FileStamp expected;
    // The key file may be made new; a document must exist.
    bool createIfMissing = false;
    // A document reached through a symbolic link keeps the link and its
    // target is replaced. The key file is never written through a link
    // (someone else may have planted it, pointing at a file of the user's):
    // a link in its place is itself replaced by a regular file.
    bool followLinks = true;
    // Written after the content, so that the caller needs no joined copy.
    std::string_view suffix;
    IoProgress progress;
    // Where the size is not known in advance, about how large the content
    // will be: how the disk is written is chosen by it.
    std::uint64_t sizeHint = 0;
};

struct Replaced {
    std::optional<FileError> error;
    FileStamp stamp;  // of the new content, when written
    // The file holds the new content. Set with an error only when the
    // rename was made but could not be made durable (the folder failed to
    // flush): after a crash the file may hold its old content again.
    bool contentReplaced = false;
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
// running as root: the user marked it so); a file the system does not let
// this user write, though the folder would let them rename over it; a file
// whose owner or group the new file could not take over (a replace never
// gives a file to someone else); a file with other names (hard links) --
// replacing it would leave the other names holding the old content, and
// rewriting it in place could not be done safely, so the user is asked to
// resolve that first; a file changed since `expected`, looked at once more
// just before the rename, so that another program's edit made during the
// write is kept. Never throws: a failure that comes as an exception (no
// memory, no thread) is returned like any other, the temporary file gone.
Replaced ReplaceFileContent(const std::filesystem::path& path, std::string_view bytes,
                            const ReplaceOptions& options = {});

// Gives the content a stretch at a time, on the calling thread, in
// `stretch`: each is copied to the writer before the next is asked for, so
// it need only stay as it is until then. An empty stretch ends the content
// (the suffix follows). Answering false abandons the replace: nothing is
// replaced, and the error is ECANCELED (the source knows why).
using ContentStretches = std::function<bool(std::string_view& stretch)>;

// Without a size known in advance.
inline constexpr std::uint64_t kSizeUnknown = ~std::uint64_t{0};

// The same, with the content made while it is written: `size` bytes in all
// (without the suffix), or kSizeUnknown. Whatever the source says, the file
// is taken only when it holds exactly what was handed over.
Replaced ReplaceFileContentFrom(const std::filesystem::path& path, std::uint64_t size,
                                const ContentStretches& stretches, const ReplaceOptions& options = {});

// The size from which a content is written straight to the disk, past the
// page cache. Tests lower it to take that road with small contents.
namespace tuning {
void SetDirectWritesFrom(std::uint64_t bytes);
void ResetDirectWritesFrom();
}  // namespace tuning

}  // namespace quilvane
