#pragma once

#include "wizard/FormLayout.hpp"

#include <windows.h>

namespace quilvane::win32 {

// The pointer pictures and the window icon, from the program's resources
// (made at build time from the images the Qt window uses).
HCURSOR LoadPointer(Pointer pointer);
HICON LoadApplicationIcon(int size);

}  // namespace quilvane::win32
