#pragma once

#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <vector>

namespace quilvane::win32 {

// The files dropped on the window (WM_DROPFILES), one or several, when no
// folder is among them (else none); frees the drop either way.
std::vector<std::filesystem::path> TakeDroppedFiles(HDROP drop);

}  // namespace quilvane::win32
