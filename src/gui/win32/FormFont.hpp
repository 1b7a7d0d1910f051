#pragma once

#include <windows.h>

namespace quilvane::win32 {

// The form's font at the given DPI: the face the layout was drawn for, a
// Song face (宋体 or 新宋体) at 9 points, where the system has one; elsewhere
// the system's message font (NONCLIENTMETRICSW), whose lines may be taller:
// the form then makes room for them (see FormFit). The caller deletes it.
HFONT CreateFormFont(UINT dpi);

}  // namespace quilvane::win32
