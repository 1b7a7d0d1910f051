// The Win32 window as it opens: its frame, every control's caption and place
// at the window's DPI, a clean first paint of each panel, the tab order of
// each panel, focus rectangles from the start, the password boxes.
#include "WindowDriver.hpp"
#include "gui/win32/Pointers.hpp"
#include "gui/win32/Wizard.hpp"
#include "wizard/FormLayout.hpp"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <imm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

using quilvane::Control;
using quilvane::Kind;
using quilvane::Layout;
using quilvane::win32::Wizard;
using namespace quilvane::testing::win32;

namespace {

std::string NameOf(Wizard& wizard, HWND hwnd)
{
    for (const Control& control : Layout()) {
        if (wizard.form().control(control.name) == hwnd) {
            return control.name;
        }
    }
    return "(not a control)";
}

// The controls Tab visits, from the first, once round.
std::vector<std::string> TabOrder(Wizard& wizard)
{
    HWND window = wizard.form().window();
    std::vector<std::string> names;
    HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    for (HWND at = first; at && names.size() < 40;) {
        names.push_back(NameOf(wizard, at));
        at = GetNextDlgTabItem(window, at, FALSE);
        if (at == first) {
            break;
        }
    }
    return names;
}

class Win32Form : public ::testing::Test {
protected:
    Win32Form() { wizard.show(); }
    void showOnly(int frame)
    {
        for (int number = 1; number <= 5; ++number) {
            ShowWindow(wizard.form().frame(number), number == frame ? SW_SHOW : SW_HIDE);
        }
    }
    int pixels(int twips) { return MulDiv(twips, static_cast<int>(wizard.form().dpi()), 1440); }
    // Down, places stretch as far as the font's lines need (100: as drawn).
    int pixelsDown(int twips)
    {
        return MulDiv(twips, static_cast<int>(wizard.form().dpi()) * wizard.form().stretch(), 1440 * 100);
    }

    Wizard wizard;
};

TEST_F(Win32Form, IsAFixedCentredWindowWithTheCaptionAndClientArea)
{
    HWND window = wizard.form().window();
    EXPECT_EQ(WindowText(window), L"Quilvane 2.0");
    const auto style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME) << "resizable";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU) << "no close box";

    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, pixels(4455));
    EXPECT_EQ(client.bottom, pixelsDown(2760));
    if (wizard.form().dpi() == USER_DEFAULT_SCREEN_DPI) {
        EXPECT_EQ(client.right, 297);
        EXPECT_EQ(client.bottom, MulDiv(184, wizard.form().stretch(), 100));
    }
    EXPECT_GE(wizard.form().stretch(), 100);

    RECT frame{};
    GetWindowRect(window, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_NEAR(frame.left + frame.right, monitor.rcWork.left + monitor.rcWork.right, 2);
    EXPECT_NEAR(frame.top + frame.bottom, monitor.rcWork.top + monitor.rcWork.bottom, 2);
}

TEST_F(Win32Form, EveryControlHasItsCaptionContainerAndPlace)
{
    for (const Control& control : Layout()) {
        SCOPED_TRACE(control.name);
        HWND hwnd = wizard.form().control(control.name);
        ASSERT_TRUE(hwnd);
        EXPECT_EQ(GetDlgCtrlID(hwnd), quilvane::win32::Form::controlId(control.name));
        HWND container = control.container ? wizard.form().control(control.container) : wizard.form().window();
        EXPECT_EQ(GetParent(hwnd), container);
        if (control.kind != Kind::Text && control.kind != Kind::Document) {
            EXPECT_EQ(WindowText(hwnd), Wide(control.caption));
        }
        RECT place{};
        GetWindowRect(hwnd, &place);
        MapWindowPoints(HWND_DESKTOP, container, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_EQ(place.left, pixels(control.left));
        EXPECT_EQ(place.top, pixelsDown(control.top));
        EXPECT_EQ(place.right - place.left, pixels(control.width));
        EXPECT_EQ(place.bottom - place.top, pixelsDown(control.height));
        EXPECT_TRUE(IsWindowEnabled(hwnd));
        if (control.kind != Kind::Document) {  // Rich Edit does not tell its font
            EXPECT_EQ(SendMessageW(hwnd, WM_GETFONT, 0, 0), SendMessageW(wizard.form().command(1), WM_GETFONT, 0, 0))
                << "one font for all";
        }
    }
}

// Moved to a monitor of another density, the window scales every place, its
// client area and its font by that monitor's DPI.
TEST_F(Win32Form, ScalesToTheDpiOfItsMonitor)
{
    HWND window = wizard.form().window();
    const int dpiBefore = static_cast<int>(wizard.form().dpi());
    LOGFONTW before{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(wizard.form().command(1), WM_GETFONT, 0, 0)), sizeof before,
               &before);
    RECT suggested{};
    GetWindowRect(window, &suggested);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    ASSERT_EQ(wizard.form().dpi(), 144u);

    // The frame around a client area of 4455 x 2760 twips at 144 DPI (the
    // window's own frame is drawn at the new DPI only on a real monitor change).
    const int stretch = wizard.form().stretch();
    RECT expected{0, 0, MulDiv(4455, 144, 1440), MulDiv(2760, 144 * stretch, 1440 * 100)};
    AdjustWindowRectExForDpi(&expected, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)), 144);
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, expected.right - expected.left);
    EXPECT_EQ(frame.bottom - frame.top, expected.bottom - expected.top);
    EXPECT_EQ(frame.left, suggested.left) << "placed where the system suggested";
    for (const Control& control : Layout()) {
        SCOPED_TRACE(control.name);
        RECT place{};
        GetWindowRect(wizard.form().control(control.name), &place);
        EXPECT_EQ(place.right - place.left, MulDiv(control.width, 144, 1440));
        EXPECT_EQ(place.bottom - place.top, MulDiv(control.height, 144 * stretch, 1440 * 100));
    }
    LOGFONTW after{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(wizard.form().command(1), WM_GETFONT, 0, 0)), sizeof after,
               &after);
    EXPECT_EQ(std::abs(after.lfHeight), MulDiv(std::abs(before.lfHeight), 144, dpiBefore));
}

TEST_F(Win32Form, OpensOnTheFirstStepWithEncryptionChosenAndFocusOnNext)
{
    EXPECT_TRUE(IsWindowVisible(wizard.form().frame(1)));
    for (int number = 2; number <= 5; ++number) {
        EXPECT_FALSE(IsWindowVisible(wizard.form().frame(number))) << "Frame" << number;
    }
    EXPECT_TRUE(IsWindowVisible(wizard.form().label(2)));
    EXPECT_EQ(SendMessageW(wizard.form().option(1), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(wizard.form().option(2), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(GetFocus(), wizard.form().command(1));
    EXPECT_EQ(WindowText(wizard.form().richTextBox()), L"");
}

// The pixels of a window's client area as the screen shows them.
class Screenshot {
public:
    explicit Screenshot(HWND hwnd)
    {
        GetClientRect(hwnd, &client_);
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, client_.right, client_.bottom);
        const HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, client_.right, client_.bottom, screen, origin.x, origin.y, SRCCOPY);
        for (int y = 0; y < client_.bottom; ++y) {
            for (int x = 0; x < client_.right; ++x) {
                pixels_.push_back(GetPixel(memory, x, y));
            }
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    COLORREF at(int x, int y) const { return pixels_[static_cast<std::size_t>(y * client_.right + x)]; }

private:
    RECT client_{};
    std::vector<COLORREF> pixels_;
};

// Each panel, the first time it shows, is the dialog colour between its
// controls (not what was on the screen before), and so are its labels
// around their text.
TEST_F(Win32Form, EveryPanelIsPaintedWithTheDialogColourFromItsFirstPaint)
{
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (int number = 1; number <= 5; ++number) {
        SCOPED_TRACE("Frame" + std::to_string(number));
        HWND frame = wizard.form().frame(number);
        if (number > 1) {
            showOnly(number);
        }
        Drive([] { Sleep(300); });  // painted, and on the screen
        const Screenshot shot(frame);
        RECT client{};
        GetClientRect(frame, &client);
        // Inside the edge, below the title, outside every control.
        int top = client.bottom;
        std::vector<RECT> controls;
        for (HWND child = GetWindow(frame, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT place{};
            GetWindowRect(child, &place);
            MapWindowPoints(HWND_DESKTOP, frame, reinterpret_cast<POINT*>(&place), 2);
            controls.push_back(place);
            top = std::min(top, static_cast<int>(place.top));
        }
        int wrong = 0;
        int checked = 0;
        for (int y = top; y < client.bottom - 4; ++y) {
            for (int x = 4; x < client.right - 4; ++x) {
                const POINT point{x, y};
                const bool onControl = std::any_of(controls.begin(), controls.end(),
                                                   [&](const RECT& place) { return PtInRect(&place, point); });
                if (!onControl) {
                    ++checked;
                    wrong += shot.at(x, y) != face;
                }
            }
        }
        EXPECT_GT(checked, 1000);
        EXPECT_EQ(wrong, 0) << "of " << checked << " pixels between the controls";

        for (HWND child = GetWindow(frame, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t className[32] = {};
            GetClassNameW(child, className, 32);
            if (std::wstring(className) != L"Static") {
                continue;
            }
            const Screenshot label(child);
            RECT area{};
            GetClientRect(child, &area);
            int background = 0;
            for (int y = 0; y < area.bottom; ++y) {
                for (int x = 0; x < area.right; ++x) {
                    background += label.at(x, y) == face;
                }
            }
            EXPECT_GT(background, area.right * area.bottom / 2) << "a label not on the dialog colour";
        }
    }
}

// Windows hides focus rectangles in a window made while the mouse was in
// use, until a key is pressed; the window shows them from the start on
// every control that takes the focus. Wine shows them always (it takes no
// UIS_SET), so the test also records that each control was told to show them.
TEST(Win32FocusCues, EveryControlShowsItsFocusFromTheStart)
{
    Wizard wizard;
    std::set<HWND> told;
    std::vector<HWND> focusable;
    for (const Control& control : Layout()) {
        if (control.kind == Kind::Frame || control.kind == Kind::Label) {
            continue;
        }
        HWND hwnd = wizard.form().control(control.name);
        focusable.push_back(hwnd);
        SetWindowSubclass(
            hwnd,
            [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) -> LRESULT {
                if (message == WM_UPDATEUISTATE && LOWORD(wParam) == UIS_CLEAR && (HIWORD(wParam) & UISF_HIDEFOCUS)) {
                    reinterpret_cast<std::set<HWND>*>(data)->insert(hwnd);
                }
                return DefSubclassProc(hwnd, message, wParam, lParam);
            },
            1, reinterpret_cast<DWORD_PTR>(&told));
    }
    wizard.show();
    for (HWND hwnd : focusable) {
        SCOPED_TRACE(NameOf(wizard, hwnd));
        EXPECT_TRUE(told.count(hwnd)) << "not told to show its focus";
        EXPECT_FALSE(SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    }
}

TEST_F(Win32Form, TabVisitsOnlyTheVisiblePanelInItsOrder)
{
    const std::vector<std::vector<std::string>> orders = {
        {"Command1", "Option1"},
        {"Command2", "Command3", "Text1", "Text2", "Text3", "Text4", "Text5"},
        {"Text6", "Text7", "Text8", "Text9", "Text10", "Command7", "Command8"},
        {"Command6", "Command5", "Command4", "RichTextBox1"},
        {"Command9", "Command10", "Command11"},
    };
    for (int frame = 1; frame <= 5; ++frame) {
        SCOPED_TRACE("Frame" + std::to_string(frame));
        showOnly(frame);
        EXPECT_EQ(TabOrder(wizard), orders[static_cast<std::size_t>(frame - 1)]);
    }
}

TEST_F(Win32Form, PasswordBoxesMaskOneCharacterWithoutInputMethod)
{
    showOnly(2);
    for (int number = 1; number <= 10; ++number) {
        SCOPED_TRACE("Text" + std::to_string(number));
        HWND box = wizard.form().text(number);
        EXPECT_TRUE(GetWindowLongPtrW(box, GWL_STYLE) & ES_PASSWORD);
        EXPECT_EQ(SendMessageW(box, EM_GETPASSWORDCHAR, 0, 0), L'*');
        EXPECT_EQ(SendMessageW(box, EM_GETLIMITTEXT, 0, 0), 1);
        EXPECT_EQ(ImmGetContext(box), nullptr);
    }
    HWND box = wizard.form().text(1);
    Drive([&] {
        Type(box, L'3');
        Type(box, L'4');
        Settle();
    });
    EXPECT_EQ(WindowText(box), L"3");
}

TEST_F(Win32Form, OptionButtonsClearEachOther)
{
    Drive([&] {
        Click(wizard.form().option(2));
        Settle();
    });
    EXPECT_EQ(SendMessageW(wizard.form().option(1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(wizard.form().option(2), BM_GETCHECK, 0, 0), BST_CHECKED);
    Drive([&] {
        Click(wizard.form().option(1));
        Settle();
    });
    EXPECT_EQ(SendMessageW(wizard.form().option(1), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(wizard.form().option(2), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(Win32Form, PointersAndIconComeFromTheResources)
{
    using quilvane::Pointer;
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    for (Pointer pointer : {Pointer::Panel, Pointer::Next, Pointer::Previous, Pointer::Open, Pointer::Key,
                            Pointer::Exit}) {
        SCOPED_TRACE(static_cast<int>(pointer));
        HCURSOR cursor = quilvane::win32::LoadPointer(pointer);
        EXPECT_TRUE(cursor);
        EXPECT_NE(cursor, arrow);
    }
    EXPECT_TRUE(quilvane::win32::LoadApplicationIcon(32));
}

TEST_F(Win32Form, MovingOverAPasswordBoxGivesItTheFocus)
{
    showOnly(3);
    HWND box = wizard.form().text(8);
    Drive([&] {
        PostMessageW(box, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        Settle();
    });
    EXPECT_EQ(GetFocus(), box);
    EXPECT_TRUE(IsWindowEnabled(wizard.form().window()));
}

}  // namespace
