#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace quilvane {

struct FileError {
    std::filesystem::path path;
    std::error_code error;
};

struct LoadedDocument {
    std::string bytes;
    std::optional<FileError> error;
};

// The whole file, byte for byte: no line end converted, no NUL dropped.
LoadedDocument ReadDocumentFile(const std::filesystem::path& path);

// Replaces the file's content with `bytes`. The new content goes to a
// temporary file beside it, which is flushed to disk and then renamed over
// the file, so a failure at any moment leaves the old content in place.
std::optional<FileError> WriteDocumentFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace quilvane
