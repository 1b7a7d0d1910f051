#pragma once

#include "platform/DocumentFile.hpp"
#include "transform/ShiftText.hpp"

#include <filesystem>
#include <string>

namespace quilvane {

struct ShiftedWrite {
    // False: the change could not be undone by the opposite shift; it was
    // refused before anything was written, and the document is unchanged.
    bool comesBack = false;
    Replaced replaced;  // the write's outcome, when it came back
};

// Encrypts or decrypts a document onto its file. First checks that the
// whole document can be shifted by `delta` and back (nothing written, no
// temporary file made otherwise); then shifts it where it lies a stretch at a
// time, each stretch written over `path` while the next is shifted, and
// options.suffix after them. Unless the file took the new content, the
// document is shifted back as it was; once it did, the document holds the
// shifted text, as the file does. Progress: `checking`
// during the check, options.progress during the write.
ShiftedWrite WriteShifted(std::string& document, int delta, const std::filesystem::path& path,
                          const ReplaceOptions& options, const ShiftProgress& checking = {});

}  // namespace quilvane
