#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Drives the Win32 window from a second thread, as a user would: clicks and
// keys posted to its controls, texts read back, modal boxes and the file
// dialog found and answered. The window's own thread meanwhile dispatches
// its messages, inside the handlers' modal loops as outside them.
namespace quilvane::testing::win32 {

// Runs `script` on a second thread while this thread (the window's) dispatches
// messages; returns when the script has ended.
void Drive(const std::function<void()>& script);

// Waits, polling, until `condition` holds; false after `milliseconds`.
bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds = 10000);
// Returns once the window's thread has handled everything posted to it so far.
void Settle();

std::wstring WindowText(HWND hwnd);
std::wstring Wide(const char* utf8);
void Click(HWND button);
void Type(HWND box, wchar_t character);

// A message box or the file dialog of this process.
struct Dialog {
    HWND hwnd = nullptr;
    std::wstring title;
    std::wstring text;  // a message box's message
};

// The next dialog this process (or `process`) shows; an empty one after the
// time is up.
Dialog WaitForDialog(DWORD milliseconds = 10000, DWORD process = 0);
// A visible top-level window of that class in that process, or null.
HWND WaitForWindow(DWORD process, const wchar_t* className, DWORD milliseconds = 10000);
// Presses a dialog's button (IDOK, IDYES...) and waits until the dialog is gone.
void Press(const Dialog& dialog, int button);
// Types the file's full name into the file dialog and presses its Open button.
void ChooseFile(const Dialog& dialog, const std::filesystem::path& file);
// Goes into `folder` in the file dialog, types the names there, each in
// quotes, and presses Open: several files chosen at once.
void ChooseFiles(const Dialog& dialog, const std::filesystem::path& folder, const std::vector<std::wstring>& names);
// The file dialog's file types, as its list shows them.
std::vector<std::wstring> FileTypes(const Dialog& dialog);

// Real input, as a user gives it (SendInput), for the program run as a
// process of its own: the pointer moved to the middle of `hwnd` and its left
// button pressed and released; a key pressed and released, with Shift held
// where asked. Messages posted to a control are sometimes lost under Wine;
// input is not.
void MoveMouseTo(int x, int y);  // in screen pixels
void ClickWithMouse(HWND hwnd);
void PressKey(WORD key, bool shift = false);
// The control of the program's form with that name ("Command1"), found by
// its id among all the form's descendants.
HWND FindControl(HWND form, const char* name);
// The control that has the keyboard focus in that thread, or null.
HWND FocusOf(DWORD thread);
// The Windows path (Z:\...) of the Unix path in an environment variable.
std::filesystem::path PathFromEnvironment(const wchar_t* variable);

}  // namespace quilvane::testing::win32
