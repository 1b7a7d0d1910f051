#pragma once

#include <windows.h>

namespace quilvane::win32 {

// The system's message font (NONCLIENTMETRICSW) at the given DPI: the
// default user-interface font, on a Chinese desktop a Song face at 9 points.
// The caller deletes it.
HFONT CreateMessageFont(UINT dpi);

}  // namespace quilvane::win32
