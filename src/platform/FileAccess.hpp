#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <system_error>

namespace quilvane {

// Small file operations the key file needs, one implementation per platform.

// Up to `limit` bytes from the start of the file; its error otherwise. Only
// a regular file is read, never through a link, and the open never waits:
// anything else is refused at once (FileRefusal::NotRegularFile).
std::error_code ReadFileStart(const std::filesystem::path& path, std::size_t limit, std::string& bytes);

// Whether the program may create a file in `directory`, found out by making
// one and removing it again: permission bits or access() cannot tell, as
// Windows access-control lists or a read-only mount decide too.
bool DirectoryAcceptsNewFiles(const std::filesystem::path& directory);

// Whether `path` is a regular file this user may not replace: another
// user's, or one the system or its owner keeps from being written. No file,
// a link or anything else there: false.
bool IsSomeoneElsesFile(const std::filesystem::path& path);

}  // namespace quilvane
