// On Windows 7 and 8 the window's DPI and the system's measures come from
// the older calls (DisplayScale's windows7 side). Wine has the Windows 10
// calls too, so both are asked here: the older road must give what the
// newer one gives at the screen's DPI, the only one a window has before
// Windows 8.1, and the message font also at 150 % (on Windows 8.1, whose
// monitors have DPIs of their own; its measures are then scaled, a pixel
// off at most where the system rounds them otherwise).
#include "gui/win32/DisplayScale.hpp"

#include <gtest/gtest.h>

using namespace quilvane::win32;

namespace {

TEST(Win32DisplayScale, TheWindows7CallsGiveWhatTheWindows10OnesGive)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(windows7::WindowDpi(window), GetDpiForWindow(window));
    EXPECT_EQ(WindowDpi(window), GetDpiForWindow(window));
    EXPECT_EQ(SystemDpi(), GetDpiForSystem());

    for (const UINT dpi : {GetDpiForSystem(), 144u}) {
        SCOPED_TRACE(dpi);
        for (const int metric : {SM_CXEDGE, SM_CXMENUCHECK, SM_CYCAPTION, SM_CXVSCROLL}) {
            SCOPED_TRACE(metric);
            const int newer = GetSystemMetricsForDpi(metric, dpi);
            if (dpi == GetDpiForSystem()) {
                EXPECT_EQ(windows7::MetricForDpi(metric, dpi), newer);
            } else {
                EXPECT_NEAR(windows7::MetricForDpi(metric, dpi), newer, 1);
            }
        }
        NONCLIENTMETRICSW older{};
        NONCLIENTMETRICSW newer{};
        newer.cbSize = sizeof newer;
        ASSERT_TRUE(windows7::NonClientMetricsForDpi(older, dpi));
        ASSERT_TRUE(SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof newer, &newer, 0, dpi));
        EXPECT_EQ(older.lfMessageFont.lfHeight, newer.lfMessageFont.lfHeight);
        EXPECT_STREQ(older.lfMessageFont.lfFaceName, newer.lfMessageFont.lfFaceName);
    }

    // The frame: at the system's DPI, the only one a window has before
    // Windows 8.1.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT older{0, 0, 400, 300};
    RECT newer = older;
    ASSERT_TRUE(windows7::AdjustWindowRectForDpi(older, style, WS_EX_CONTROLPARENT));
    ASSERT_TRUE(AdjustWindowRectExForDpi(&newer, style, FALSE, WS_EX_CONTROLPARENT, GetDpiForSystem()));
    EXPECT_EQ(older.right - older.left, newer.right - newer.left);
    EXPECT_EQ(older.bottom - older.top, newer.bottom - newer.top);
    DestroyWindow(window);
}

}  // namespace
