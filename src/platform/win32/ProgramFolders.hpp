#pragma once

#include <filesystem>

namespace quilvane::win32 {

// The folders the Windows window reports to the handlers (WizardView's
// programDirectory and userDataDirectory).

// The folder of the running .exe.
std::filesystem::path ExecutableDirectory();

// %LOCALAPPDATA%\Quilvane: where the key file goes when the program's folder
// cannot be written (a program installed under Program Files). Local, not
// roaming: the key file belongs to this machine.
std::filesystem::path UserDataDirectory();

}  // namespace quilvane::win32
