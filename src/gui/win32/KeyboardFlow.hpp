#pragma once

#include <windows.h>

namespace quilvane::win32 {

class Form;

// What the keyboard does on the window beyond Tab, as on the Linux window:
// each panel that appears takes the focus on its first password box or its
// 打开文件 button; Enter presses the focused button, and anywhere else on a
// panel that panel's 下一步 (its default button, found by the dialog
// manager's DM_GETDEFID); a digit typed into a password box moves on to the
// next box, and Backspace in an empty box goes back one box and empties it.
// Esc does nothing. Buttons are pressed through BN_CLICKED, so a key runs
// exactly what a mouse click runs.

// The control that takes the focus when panel `frame` (1..5) appears.
HWND FirstFocus(const Form& form, int frame);
// The panel's first password box once its 下一步 has been pressed and the
// panel stays (a password not taken, its boxes emptied); null otherwise.
HWND FocusAfterCommand(const Form& form, int command);
// The visible panel's 下一步, its default button; null on the file panels.
HWND NextButton(const Form& form);
// The button Enter presses now, which looks as the default one: the focused
// button, else the visible panel's 下一步; null where there is none.
HWND DefaultButton(const Form& form);
// Backspace pressed in `box`: true when it went back one box.
bool BackspaceInEmptyBox(const Form& form, HWND box);
// After `typed` was given to `box`: a digit that the box took moves the focus on.
void MoveOnAfterDigit(const Form& form, HWND box, wchar_t typed, bool taken);

}  // namespace quilvane::win32
