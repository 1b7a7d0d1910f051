#pragma once

#include "gui/win32/FormFit.hpp"

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string_view>
#include <vector>

namespace quilvane::win32 {

// The one window in native controls, built from the shared control table:
// the five panels are group boxes holding their controls, every place is
// its twips scaled to the window's DPI (and down, stretched as far as the
// font's lines need: FormFit), the font is the Song face the layout was
// drawn for or else the system's message font (FormFont), and the colours
// are the system's. Each control's id is its place in the table plus
// kFirstControlId.
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
    // The button Enter presses looks as the default one (KeyboardFlow).
    void markDefaultButton();
    // After a panel is shown: the focus goes to its first control when it
    // was on a panel now hidden.
    void keepFocusVisible();
    UINT dpi() const { return scale_.dpi; }
    // How far places are stretched down, in per cent (100: as drawn).
    int stretch() const { return scale_.stretch; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR form);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool setCursorFor(HWND hwnd) const;
    void createControls();
    HWND createControl(int index, HWND parent);
    void place(int index);
    void applyDpi(UINT dpi);
    int clientWidth() const;
    int clientHeight() const;

    Events events_;
    HWND window_ = nullptr;
    std::vector<HWND> controls_;  // in the order of the control table
    std::vector<HCURSOR> cursors_;
    std::vector<std::vector<HWND>> namedBoxes_;  // a zone label's password boxes
    HFONT font_ = nullptr;
    LayoutScale scale_;
};

}  // namespace quilvane::win32
