#pragma once

#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <optional>

namespace quilvane::win32 {

// The one file dropped on the window (WM_DROPFILES), when exactly one file and
// no folder was dropped; frees the drop either way.
std::optional<std::filesystem::path> TakeOneDroppedFile(HDROP drop);

}  // namespace quilvane::win32
