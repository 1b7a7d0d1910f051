#pragma once

#include <filesystem>
#include <system_error>

namespace quilvane::win32 {

// Copies every named data stream of `from` to `to`, the new file of a
// replace: Zone.Identifier, the mark that a file came from the internet,
// among them. A volume or system without named streams has none to copy.
std::error_code CopyNamedStreams(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes from `folder` the temporary files a killed run of the program
// left. One that an action under way is writing is open without sharing its
// deletion, and stays.
void RemoveStaleTemporaries(const std::filesystem::path& folder);

}  // namespace quilvane::win32
