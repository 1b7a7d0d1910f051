#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quilvane::win32 {

// The small window that shows how far a long action has come. Closing it
// (Cancel, Esc, the close box) only asks for cancelling, and only where the
// work can be cancelled; the work's end destroys it.
class ProgressWindow {
public:
    ProgressWindow(HWND owner, std::wstring title, bool cancellable, std::atomic<bool>& cancelled);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // Shows it, once: where the system cannot make the window, there is none.
    void show();
    bool shown() const { return tried_; }
    // `files`: how many files the work goes through, when several.
    void tell(std::uint64_t done, std::uint64_t total, std::size_t file = 0, std::size_t files = 0);
    // Gives the window its keyboard messages (Tab, Enter, Esc); true when taken.
    bool takeMessage(MSG& message);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void askToCancel();

    HWND owner_;
    std::wstring title_;
    bool cancellable_;
    std::atomic<bool>& cancelled_;
    bool tried_ = false;
    HWND window_ = nullptr;
    HWND label_ = nullptr;
    HWND bar_ = nullptr;
    HFONT font_ = nullptr;
    std::wstring lastLabel_;
};

}  // namespace quilvane::win32
