#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string_view>
#include <vector>

namespace quilvane::win32 {

// The one window in native controls, built from the shared control table:
// the five panels are group boxes holding their controls, every place is
// its twips scaled to the window's DPI, the font is the system's message
// font, and the colours are the system's. Each control's id is its place
// in the table plus kFirstControlId.
class Form {
public:
    struct Events {
        std::function<void(int command)> click;       // CommandN pressed
        std::function<void(int box)> mouseOverBox;    // TextN under the pointer
        std::function<void()> closeRequested;         // the close box, Alt+F4
        std::function<void(HDROP files)> filesDropped;  // files dropped from the shell
    };

    static constexpr int kFirstControlId = 1000;

    explicit Form(Events events);
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND window() const { return window_; }
    // A control by its name ("Command1", "Frame3", "RichTextBox1"...).
    HWND control(std::string_view name) const;
    HWND frame(int number) const;
    HWND command(int number) const;
    HWND text(int number) const;
    HWND option(int number) const;
    HWND label(int number) const;
    HWND richTextBox() const;
    static int controlId(std::string_view name);

    // Centres the window on its monitor, shows it, focus on Command1.
    void show();
    // After a panel is shown: the focus goes to its first control when it
    // was on a panel now hidden.
    void keepFocusVisible();
    UINT dpi() const { return dpi_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR form);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool setCursorFor(HWND hwnd) const;
    void createControls();
    void applyDpi(UINT dpi);
    int clientWidth() const;
    int clientHeight() const;

    Events events_;
    HWND window_ = nullptr;
    std::vector<HWND> controls_;  // in the order of the control table
    std::vector<HCURSOR> cursors_;
    HFONT font_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
};

}  // namespace quilvane::win32
