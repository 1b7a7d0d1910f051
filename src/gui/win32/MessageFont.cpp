#include "gui/win32/MessageFont.hpp"

#include "gui/win32/DisplayScale.hpp"

namespace quilvane::win32 {

HFONT CreateMessageFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    if (!NonClientMetricsForDpi(metrics, dpi)) {
        return nullptr;
    }
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace quilvane::win32
