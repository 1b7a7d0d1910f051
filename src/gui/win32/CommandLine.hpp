#pragma once

#include <filesystem>
#include <vector>

namespace quilvane::win32 {

// The files named on the program's command line, as full paths, in order:
// the files Explorer hands over through "Open with" or a drop on
// quilvane.exe. Read wide (CommandLineToArgvW), so that Chinese names arrive
// whole. Empty names are passed over; none when none was named.
std::vector<std::filesystem::path> StartFilesFromCommandLine();

}  // namespace quilvane::win32
