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
// The file dialog's file types, as its list shows them.
std::vector<std::wstring> FileTypes(const Dialog& dialog);

}  // namespace quilvane::testing::win32
