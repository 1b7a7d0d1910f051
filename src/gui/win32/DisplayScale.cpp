#include "gui/win32/DisplayScale.hpp"

#include <initializer_list>

namespace quilvane::win32 {
namespace {

// A function of a system DLL, or null where this Windows has none.
template <typename Function>
Function Lookup(const wchar_t* dll, const char* name)
{
    HMODULE module = GetModuleHandleW(dll);
    if (!module) {
        module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetDpiForSystemCall = UINT(WINAPI*)();
using GetSystemMetricsForDpiCall = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiCall = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using AdjustWindowRectExForDpiCall = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

const auto getDpiForWindow = Lookup<GetDpiForWindowCall>(L"user32.dll", "GetDpiForWindow");
const auto getDpiForSystem = Lookup<GetDpiForSystemCall>(L"user32.dll", "GetDpiForSystem");
const auto getSystemMetricsForDpi = Lookup<GetSystemMetricsForDpiCall>(L"user32.dll", "GetSystemMetricsForDpi");
const auto systemParametersInfoForDpi =
    Lookup<SystemParametersInfoForDpiCall>(L"user32.dll", "SystemParametersInfoForDpi");
const auto adjustWindowRectExForDpi = Lookup<AdjustWindowRectExForDpiCall>(L"user32.dll", "AdjustWindowRectExForDpi");

// Windows 8.1 gives each monitor its DPI, but only through shcore.dll,
// which Windows 7 does not have.
GetDpiForMonitorCall MonitorDpiCall()
{
    static const auto call = Lookup<GetDpiForMonitorCall>(L"shcore.dll", "GetDpiForMonitor");
    return call;
}

UINT ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// A measure at the screen's DPI, at `dpi`.
int Scaled(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), static_cast<int>(ScreenDpi())); }

}  // namespace

namespace windows7 {

UINT WindowDpi(HWND) { return ScreenDpi(); }

int MetricForDpi(int index, UINT dpi) { return Scaled(GetSystemMetrics(index), dpi); }

bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi)
{
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return false;
    }
    // At the system's DPI: scaled to the one asked for.
    for (LOGFONTW* font : {&metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
                           &metrics.lfStatusFont, &metrics.lfMessageFont}) {
        font->lfHeight = Scaled(font->lfHeight, dpi);
    }
    for (int* size : {&metrics.iBorderWidth, &metrics.iScrollWidth, &metrics.iScrollHeight, &metrics.iCaptionWidth,
                      &metrics.iCaptionHeight, &metrics.iSmCaptionWidth, &metrics.iSmCaptionHeight,
                      &metrics.iMenuWidth, &metrics.iMenuHeight, &metrics.iPaddedBorderWidth}) {
        *size = Scaled(*size, dpi);
    }
    return true;
}

// Before Windows 10 a frame is drawn with the system's measures whatever the
// monitor's DPI, as AdjustWindowRectEx reckons it.
bool AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD extendedStyle)
{
    return AdjustWindowRectEx(&rect, style, FALSE, extendedStyle) != FALSE;
}

}  // namespace windows7

UINT WindowDpi(HWND window)
{
    if (getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(window)) {
            return dpi;
        }
    }
    if (const auto monitorDpi = MonitorDpiCall()) {
        UINT x = 0;
        UINT y = 0;
        if (SUCCEEDED(monitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) && y) {
            return y;
        }
    }
    return windows7::WindowDpi(window);
}

UINT SystemDpi()
{
    if (getDpiForSystem) {
        if (const UINT dpi = getDpiForSystem()) {
            return dpi;
        }
    }
    return ScreenDpi();
}

int MetricForDpi(int index, UINT dpi)
{
    if (getSystemMetricsForDpi) {
        return getSystemMetricsForDpi(index, dpi);
    }
    return windows7::MetricForDpi(index, dpi);
}

bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi)
{
    metrics.cbSize = sizeof metrics;
    if (systemParametersInfoForDpi &&
        systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        return true;
    }
    return windows7::NonClientMetricsForDpi(metrics, dpi);
}

bool AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD extendedStyle, UINT dpi)
{
    if (adjustWindowRectExForDpi) {
        return adjustWindowRectExForDpi(&rect, style, FALSE, extendedStyle, dpi) != FALSE;
    }
    return windows7::AdjustWindowRectForDpi(rect, style, extendedStyle);
}

}  // namespace quilvane::win32
