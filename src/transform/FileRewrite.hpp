#pragma once

#include "platform/Document.hpp"
#include "platform/DocumentFile.hpp"
#include "platform/WizardView.hpp"
#include "transform/DocumentWrite.hpp"

#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <string_view>

namespace quilvane {

// What came of shifting a document and writing it over its file.
struct Rewrite {
    // False: a character would not come back; nothing was written.
    bool shifted = false;
    std::optional<FileError> error;
    // The file holds the new content; with an error, one the system could
    // not confirm on disk, or one the view cannot show (`notShown`).
    bool written = false;
    bool notShown = false;
    // The file could not be read to its end; nothing was written.
    bool readFailed = false;
    // The document as its file now holds it, once written.
    Document document;
};

// The beginning of a file as the view shows it: whole characters only,
// since the rest of the last one may lie past what was read.
Document DocumentOf(const std::filesystem::path& file, LoadedDocument loaded);

// The one road of a file through encryption or decryption: the document is
// shifted by `delta` and written, with `suffix`, over `file` in one pass,
// only when it was read from that file. Called off the window's thread; a
// failure that comes as an exception is the caller's to report.
Rewrite RewriteDocument(const Document& document, const std::filesystem::path& file, int delta,
                        std::string_view suffix, bool dropLineEnd, const PassProgress& progress);

// Runs `work` off the window's thread. A failure that comes as an exception
// (no memory left, no thread to work on) is given back as the error it
// stands for, for the action to report: the window goes on.
std::optional<std::error_code> RunWork(WizardView& view, std::string_view title, bool cancellable,
                                       const std::function<void(ProgressReport& report)>& work);

// Only a document read from its file is ever written over it.
bool ReadFromFile(const Document& document, const std::filesystem::path& file);

}  // namespace quilvane
