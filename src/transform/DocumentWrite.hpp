#pragma once

#include "platform/Document.hpp"
#include "platform/DocumentFile.hpp"

#include <cstdint>
#include <functional>
#include <string_view>

namespace quilvane {

// What came of writing a document, shifted, over its file.
struct DocumentWrite {
    // False: a character of the document would not come back under the
    // opposite shift; nothing was replaced.
    bool comesBack = true;
    Replaced replaced;
    // The document as its file now holds it, once replaced and `shown`: with
    // no memory left to make it, the file is replaced all the same.
    Document written;
    bool shown = false;
    // The document's file could not be read to the end; nothing was replaced.
    bool readFailed = false;
};

using PassProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Encrypts or decrypts a document onto its file in one pass: its file is
// read a stretch at a time (never whole), the changes still pending on it
// and then `delta` applied, every stretch checked to come back under the
// opposite shift, and handed to the writer of a new file that replaces the
// old one only when all of it is on disk (`suffix` after it). A line end at
// the end of the document is taken off first when `dropLineEnd`. A file
// changed since the document was read, before or during the pass, is left
// as the other program made it. Progress counts the bytes read.
DocumentWrite WriteShiftedDocument(const Document& document, int delta, bool dropLineEnd, std::string_view suffix,
                                   const PassProgress& progress = {});

}  // namespace quilvane
