#include "gui/win32/ProgressWindow.hpp"

#include "gui/win32/BackgroundWork.hpp"
#include "gui/win32/DisplayScale.hpp"
#include "gui/win32/MessageFont.hpp"
#include "platform/win32/WideText.hpp"

#include <commctrl.h>

#include <cstdio>

namespace quilvane::win32 {
namespace {

constexpr int kSteps = 1000;

void RegisterProgressClass()
{
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_WAIT);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = kProgressWindowClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

ProgressWindow::ProgressWindow(HWND owner, std::wstring title, bool cancellable, std::atomic<bool>& cancelled)
    : owner_(owner), title_(std::move(title)), cancellable_(cancellable), cancelled_(cancelled)
{
}

ProgressWindow::~ProgressWindow()
{
    if (window_) {
        DestroyWindow(window_);
    }
    if (font_) {
        DeleteObject(font_);
    }
}

void ProgressWindow::show()
{
    tried_ = true;
    RegisterProgressClass();
    const UINT dpi = owner_ ? WindowDpi(owner_) : SystemDpi();
    const auto scaled = [dpi](int pixels) { return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); };
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, scaled(280), scaled(cancellable_ ? 100 : 70)};
    AdjustWindowRectForDpi(frame, style, WS_EX_DLGMODALFRAME, dpi);
    RECT over{};
    GetWindowRect(owner_, &over);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kProgressWindowClass, title_.c_str(), style,
                              (over.left + over.right - width) / 2, (over.top + over.bottom - height) / 2, width,
                              height, owner_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) {
        return;  // the work goes on without a window to show it
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ProgressWindow::WindowProc));
    font_ = CreateMessageFont(dpi);
    const auto child = [&](const wchar_t* className, const wchar_t* text, DWORD childStyle, int id, int x, int y,
                           int w, int h) {
        HWND hwnd = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | childStyle, scaled(x), scaled(y),
                                    scaled(w), scaled(h), window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                    GetModuleHandleW(nullptr), nullptr);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        return hwnd;
    };
    label_ = child(WC_STATICW, WideFromUtf8("请稍候……").c_str(), SS_LEFT, kProgressLabelId, 12, 10, 256, 18);
    bar_ = child(PROGRESS_CLASSW, L"", 0, kProgressBarId, 12, 34, 256, 18);
    SendMessageW(bar_, PBM_SETRANGE32, 0, kSteps);
    if (cancellable_) {
        HWND cancel = child(WC_BUTTONW, WideFromUtf8("取消").c_str(), BS_DEFPUSHBUTTON | WS_TABSTOP, IDCANCEL, 188,
                            64, 80, 26);
        SetFocus(cancel);
    } else {
        // Nothing to press: the close box is greyed too.
        EnableMenuItem(GetSystemMenu(window_, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    }
    ShowWindow(window_, SW_SHOW);
}

void ProgressWindow::tell(std::uint64_t done, std::uint64_t total, std::size_t file, std::size_t files)
{
    if (!window_) {
        return;
    }
    constexpr double kMegabyte = 1024.0 * 1024.0;
    char text[64];
    std::snprintf(text, sizeof text, "已处理 %.0f / %.0f MB", static_cast<double>(done) / kMegabyte,
                  static_cast<double>(total) / kMegabyte);
    std::string said = text;
    if (files > 0) {
        said = "第 " + std::to_string(file) + " / " + std::to_string(files) + " 个文件，" + said;
    }
    const std::wstring label = WideFromUtf8(said);
    if (label != lastLabel_) {
        SetWindowTextW(label_, label.c_str());
        lastLabel_ = label;
    }
    const int step = total ? static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * kSteps) : 0;
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(step), 0);
}

bool ProgressWindow::takeMessage(MSG& message)
{
    return window_ && IsDialogMessageW(window_, &message);
}

void ProgressWindow::askToCancel()
{
    if (cancellable_) {
        cancelled_.store(true);
        EnableWindow(GetDlgItem(window_, IDCANCEL), FALSE);
    }
}

LRESULT CALLBACK ProgressWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {  // the button, or Esc
            self->askToCancel();
        }
        return 0;
    case WM_CLOSE:
        self->askToCancel();  // only the work's end closes it
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace quilvane::win32
