#include "gui/win32/CaptionFit.hpp"

#include "gui/win32/DisplayScale.hpp"
#include "gui/win32/ZoneLabel.hpp"

namespace quilvane::win32 {
namespace {

SIZE Measure(HDC dc, const std::wstring& text, UINT format, int width)
{
    RECT rect{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_CALCRECT | DT_NOPREFIX);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

bool OneLineFits(HDC dc, const std::wstring& text, int width, int height)
{
    const SIZE needed = Measure(dc, text, DT_SINGLELINE, width);
    return needed.cx <= width && needed.cy <= height;
}

bool ZonesFit(const CaptionPlace& place, HDC dc)
{
    const auto words = Words(place.caption);
    if (words.size() != place.boxes.size()) {
        return false;
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
        const SIZE word = Measure(dc, words[i], DT_SINGLELINE, place.size.cx);
        const auto [boxLeft, boxRight] = place.boxes[i];
        const int left = WordLeft(word.cx, boxLeft, boxRight, place.size.cx);
        const int centre = left + word.cx / 2;
        if (left + word.cx > place.size.cx || word.cy > place.size.cy || centre < boxLeft || centre > boxRight) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool CaptionFits(const CaptionPlace& place, HDC dc, UINT dpi)
{
    const auto scaled = [dpi](int pixels) { return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); };
    const int width = place.size.cx;
    const int height = place.size.cy;
    switch (place.kind) {
    case Kind::Label: {
        if (!place.boxes.empty()) {
            return ZonesFit(place, dc);
        }
        const SIZE needed = Measure(dc, place.caption, DT_WORDBREAK | DT_EXPANDTABS, width);
        return needed.cx <= width && needed.cy <= height;
    }
    case Kind::Command:  // inside the raised edge and the focus rectangle
        return OneLineFits(dc, place.caption, width - 2 * scaled(3), height - 2 * scaled(3));
    case Kind::Option:  // beside the round box
        return OneLineFits(dc, place.caption, width - MetricForDpi(SM_CXMENUCHECK, dpi) - scaled(4),
                           height);
    case Kind::Frame:  // a title between the corners, above the panel's controls
        return OneLineFits(dc, place.caption, width - 2 * scaled(8), place.contentTop);
    case Kind::Text:
        return OneLineFits(dc, L"*", width, height);
    case Kind::Document:
        return true;
    }
    return true;
}

}  // namespace quilvane::win32
