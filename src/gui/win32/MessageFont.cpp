#include "gui/win32/MessageFont.hpp"

namespace quilvane::win32 {

HFONT CreateMessageFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        // Older systems: the metrics at the system's DPI, scaled.
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                                static_cast<int>(GetDpiForSystem()));
    }
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace quilvane::win32
