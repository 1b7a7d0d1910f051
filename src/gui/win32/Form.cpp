#include "gui/win32/Form.hpp"

#include "gui/win32/DisplayScale.hpp"
#include "gui/win32/FormFont.hpp"
#include "gui/win32/KeyboardFlow.hpp"
#include "gui/win32/NativeControls.hpp"
#include "gui/win32/Pointers.hpp"
#include "gui/win32/ZoneLabel.hpp"
#include "platform/win32/WideText.hpp"
#include "wizard/FormLayout.hpp"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

namespace quilvane::win32 {
namespace {

constexpr wchar_t kClassName[] = L"QuilvaneForm1";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;  // fixed size, no min/max box
constexpr DWORD kExtendedStyle = WS_EX_CONTROLPARENT;
constexpr UINT kMarkDefaultButton = WM_APP + 1;

int IndexOf(std::string_view name)
{
    const auto& layout = Layout();
    for (std::size_t i = 0; i < layout.size(); ++i) {
        if (name == layout[i].name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void RegisterFormClass()
{
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;  // replaced once the form is known
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hIcon = LoadApplicationIcon(32);
        windowClass.hIconSm = LoadApplicationIcon(16);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

[[noreturn]] void ThrowLastError(const char* what)
{
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

// The dialog background under panels and labels, from the first paint on.
LRESULT DialogBackground(HDC dc)
{
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace

Form::Form(Events events) : events_(std::move(events))
{
    INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&common);
    RegisterFormClass();
    window_ = CreateWindowExW(kExtendedStyle, kClassName, WideFromUtf8(kFormCaption).c_str(), kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) {
        ThrowLastError("CreateWindowExW");
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form::WindowProc));
    createControls();
    applyDpi(WindowDpi(window_));
    DragAcceptFiles(window_, TRUE);
}

Form::~Form()
{
    if (IsWindow(window_)) {
        DestroyWindow(window_);
    }
    if (font_) {
        DeleteObject(font_);
    }
}

void Form::createControls()
{
    const auto& layout = Layout();
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const Control& control = layout[i];
        HWND parent = control.container ? controls_[static_cast<std::size_t>(IndexOf(control.container))] : window_;
        controls_.push_back(createControl(static_cast<int>(i), parent));
        // Labels, option buttons and the document view keep the control's own pointer.
        const bool ownPointer = control.kind == Kind::Text || PointerOf(control) != Pointer::Arrow;
        cursors_.push_back(ownPointer ? LoadPointer(PointerOf(control)) : nullptr);
    }
    for (std::size_t i = 0; i < layout.size(); ++i) {
        std::vector<HWND> boxes;
        for (int box : NamedBoxes(static_cast<int>(i))) {
            boxes.push_back(controls_[static_cast<std::size_t>(box)]);
        }
        namedBoxes_.push_back(std::move(boxes));
    }
}

HWND Form::createControl(int index, HWND parent)
{
    HWND hwnd = CreateNativeControl(Layout()[static_cast<std::size_t>(index)], parent, kFirstControlId + index);
    if (!hwnd) {
        ThrowLastError("CreateWindowExW");
    }
    // Panels pass their controls' notices on to the window; every control
    // asks the window for its pointer; password boxes report the mouse.
    SetWindowSubclass(hwnd, &Form::ControlProc, 0, reinterpret_cast<DWORD_PTR>(this));
    return hwnd;
}

int Form::clientWidth() const { return scale_.across(kFormWidth); }
int Form::clientHeight() const { return scale_.down(kFormHeight); }

void Form::place(int index)
{
    const Control& c = Layout()[static_cast<std::size_t>(index)];
    HWND hwnd = controls_[static_cast<std::size_t>(index)];
    SetWindowPos(hwnd, nullptr, scale_.across(c.left), scale_.down(c.top), scale_.across(c.width),
                 scale_.down(c.height), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
}

void Form::applyDpi(UINT dpi)
{
    dpi = dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
    HFONT font = CreateFormFont(dpi);
    if (!font) {
        return;  // the places and the font stay as they are
    }
    HFONT old = font_;
    font_ = font;
    scale_ = {dpi, LeastStretch(font_, dpi)};
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        place(static_cast<int>(i));
    }
    if (old) {
        DeleteObject(old);
    }
}

void Form::show()
{
    RECT frame{0, 0, clientWidth(), clientHeight()};
    AdjustWindowRectForDpi(frame, kStyle, kExtendedStyle, scale_.dpi);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER);
    // Focus rectangles show from the start, not only once a key was pressed
    // (Windows hides them in a window made while the mouse was in use).
    SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    for (HWND control : controls_) {
        SendMessageW(control, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
    SetFocus(FirstFocus(*this, 1));
}

void Form::markDefaultButton()
{
    HWND chosen = DefaultButton(*this);
    for (int number = 1; number <= 11; ++number) {
        HWND button = command(number);
        const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
        const bool isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        if (isDefault != (button == chosen)) {
            SendMessageW(button, BM_SETSTYLE, button == chosen ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        }
    }
}

void Form::keepFocusVisible()
{
    HWND focus = GetFocus();
    if (focus && IsWindowVisible(focus)) {
        return;
    }
    if (HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) {
        SetFocus(first);
    }
}

HWND Form::control(std::string_view name) const
{
    const int index = IndexOf(name);
    return index < 0 ? nullptr : controls_[static_cast<std::size_t>(index)];
}

int Form::controlId(std::string_view name)
{
    const int index = IndexOf(name);
    return index < 0 ? 0 : kFirstControlId + index;
}

HWND Form::frame(int number) const { return control("Frame" + std::to_string(number)); }
HWND Form::command(int number) const { return control("Command" + std::to_string(number)); }
HWND Form::text(int number) const { return control("Text" + std::to_string(number)); }
HWND Form::option(int number) const { return control("Option" + std::to_string(number)); }
HWND Form::label(int number) const { return control("Label" + std::to_string(number)); }
HWND Form::richTextBox() const { return control("RichTextBox1"); }

bool Form::setCursorFor(HWND hwnd) const
{
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i] == hwnd && cursors_[i]) {
            SetCursor(cursors_[i]);
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return form ? form->handle(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Form::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int index = LOWORD(wParam) - kFirstControlId;
        if (HIWORD(wParam) == BN_CLICKED && index >= 0 && index < static_cast<int>(controls_.size())) {
            const Control& control = Layout()[static_cast<std::size_t>(index)];
            if (control.kind == Kind::Command && events_.click) {
                events_.click(std::atoi(control.name + std::strlen("Command")));
            }
        }
        return 0;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && setCursorFor(reinterpret_cast<HWND>(wParam))) {
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return DialogBackground(reinterpret_cast<HDC>(wParam));
    case kMarkDefaultButton:
        markDefaultButton();
        return 0;
    case DM_GETDEFID:
        // Asked by the dialog manager: the button Enter presses unless the
        // focus is on a button (that one looks as the default and is pressed).
        if (HWND button = NextButton(*this)) {
            return MAKELRESULT(GetDlgCtrlID(button), DC_HASDEFID);
        }
        return 0;
    case WM_DROPFILES:
        if (events_.filesDropped) {
            events_.filesDropped(reinterpret_cast<HDROP>(wParam));
        } else {
            DragFinish(reinterpret_cast<HDROP>(wParam));
        }
        return 0;
    case WM_DPICHANGED: {
        applyDpi(HIWORD(wParam));
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        RECT frame{0, 0, clientWidth(), clientHeight()};
        AdjustWindowRectForDpi(frame, kStyle, kExtendedStyle, scale_.dpi);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_CLOSE:
        // Refused while an action is under way: it ends first, the window stays.
        if (events_.closeRequested) {
            events_.closeRequested();
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Form::ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    auto* form = reinterpret_cast<Form*>(data);
    switch (message) {
    case WM_NCHITTEST:
        // A group box lets the mouse through to the window; a panel keeps it,
        // so that its own pointer shows over its surface.
        if (DefSubclassProc(hwnd, message, wParam, lParam) == HTTRANSPARENT) {
            return HTCLIENT;
        }
        break;
    case WM_ERASEBKGND:
        // A group box paints only its edge and title: the rest of a panel is
        // filled here, or it would show whatever was on the screen before.
        if (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) {
            RECT client{};
            GetClientRect(hwnd, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
            return TRUE;
        }
        break;
    case WM_PAINT: {
        const auto index = static_cast<std::size_t>(GetDlgCtrlID(hwnd) - kFirstControlId);
        if (index < form->namedBoxes_.size() && !form->namedBoxes_[index].empty()) {
            PaintZoneLabel(hwnd, form->namedBoxes_[index]);
            return 0;
        }
        break;
    }
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) {
            return SendMessageW(form->window_, message, wParam, lParam);
        }
        break;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && form->setCursorFor(reinterpret_cast<HWND>(wParam))) {
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE: {
        const int index = GetDlgCtrlID(hwnd) - kFirstControlId;
        const Control& control = Layout()[static_cast<std::size_t>(index)];
        if (control.kind == Kind::Text && form->events_.mouseOverBox) {
            form->events_.mouseOverBox(std::atoi(control.name + std::strlen("Text")));
        }
        break;
    }
    case WM_SETFOCUS:
        // Once the dialog manager has done with the focus change: it sets
        // the buttons' looks itself as it moves the focus with Tab, and
        // finds no default button inside a panel.
        PostMessageW(form->window_, kMarkDefaultButton, 0, 0);
        break;
    case WM_KEYDOWN:
        if (wParam == VK_BACK && BackspaceInEmptyBox(*form, hwnd)) {
            return 0;
        }
        break;
    case WM_CHAR:
        if (Layout()[static_cast<std::size_t>(GetDlgCtrlID(hwnd) - kFirstControlId)].kind == Kind::Text) {
            // Taken: the box was empty or its character selected, to be replaced.
            DWORD from = 0;
            DWORD to = 0;
            SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
            const bool taken = GetWindowTextLengthW(hwnd) == 0 || from != to;
            const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
            MoveOnAfterDigit(*form, hwnd, static_cast<wchar_t>(wParam), taken);
            return result;
        }
        break;
    case WM_GETDLGCODE:
        // The document view lets Tab move the focus on, as every other control does.
        if (hwnd == form->richTextBox()) {
            return DefSubclassProc(hwnd, message, wParam, lParam) & ~(DLGC_WANTTAB | DLGC_WANTALLKEYS);
        }
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace quilvane::win32
