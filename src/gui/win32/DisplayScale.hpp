#pragma once

#include <windows.h>

namespace quilvane::win32 {

// The window's DPI and the system's measures at a DPI, on every Windows from
// 7 SP1 on. The calls made for this (GetDpiForWindow, GetSystemMetricsForDpi,
// SystemParametersInfoForDpi, AdjustWindowRectExForDpi: Windows 10 1607;
// GetDpiForMonitor: Windows 8.1) are looked up when first needed, so that
// the program loads on older systems too; there the same results come from
// the older calls: the screen's DPI (GetDeviceCaps), which is then the only
// one, and the measures at that DPI, scaled.
UINT WindowDpi(HWND window);
UINT SystemDpi();
int MetricForDpi(int index, UINT dpi);
// The message font and the other non-client measures, at `dpi`.
bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi);
// The outer size of a window whose inside is `rect`, at `dpi`.
bool AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD extendedStyle, UINT dpi);

// The same from the calls of Windows 7 alone, as the functions above answer
// where the newer calls are missing.
namespace windows7 {
UINT WindowDpi(HWND window);
int MetricForDpi(int index, UINT dpi);
bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi);
bool AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD extendedStyle);
}  // namespace windows7

}  // namespace quilvane::win32
