#pragma once

#include <filesystem>

namespace quilvane::win32 {

// The file named first on the program's command line, as a full path: the
// file Explorer hands over through "Open with" or a drop on quilvane.exe.
// Read wide (CommandLineToArgvW), so that Chinese names arrive whole. Empty
// when none was named.
std::filesystem::path StartFileFromCommandLine();

}  // namespace quilvane::win32
