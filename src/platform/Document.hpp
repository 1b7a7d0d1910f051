#pragma once

#include "platform/DocumentFile.hpp"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quilvane {

// What the actions work on, and what the document view shows the beginning
// of. With a file, the document is that file's bytes as they were when read
// or last written (`stamp`), less the `dropped` bytes at its end (the line
// end encryption wrote), shifted by `shift` (a shift shown but not written
// yet): the file is never held in memory, only its beginning, `excerpt`,
// with those changes applied. Without a file, `excerpt` is the whole text.
// With several files chosen at once there is no one file: `batch` holds a
// document for each (stamp and pending changes, no excerpt), in the order
// chosen.
struct Document {
    std::filesystem::path file;
    FileStamp stamp;
    std::uint64_t dropped = 0;
    int shift = 0;
    std::string excerpt;  // whole characters
    bool more = false;    // the document goes on past the excerpt
    std::vector<Document> batch;

    bool hasFile() const { return !file.empty(); }
};

// How much of a document is read for the view: some thirty thousand
// characters, more than anyone reads in a view that small, and shown in a
// few milliseconds (a megabyte took the Qt view 160 ms to lay out).
inline constexpr std::size_t kExcerptLimit = std::size_t{64} << 10;

}  // namespace quilvane
