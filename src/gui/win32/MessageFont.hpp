#pragma once

#include <windows.h>

namespace quilvane::win32 {

// The system's message font (NONCLIENTMETRICSW) at the given DPI: the
// default user-interface font (on a Chinese Windows 10 or 11, Microsoft
// YaHei UI at 9 points, whose lines are taller than the Song face's). The
// caller deletes it.
HFONT CreateMessageFont(UINT dpi);

}  // namespace quilvane::win32
