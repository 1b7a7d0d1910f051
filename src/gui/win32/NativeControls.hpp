#pragma once

#include "wizard/FormLayout.hpp"

#include <windows.h>

namespace quilvane::win32 {

// Creates the native control for one entry of the control table, as a child
// of `parent`, hidden where the table says so, at no place yet (the form
// places it for its DPI). Panels are group boxes that hold their controls;
// password boxes show "*", take one character and have no input method; the
// document view is a read-only Rich Edit control.
HWND CreateNativeControl(const Control& control, HWND parent, int id);

}  // namespace quilvane::win32
