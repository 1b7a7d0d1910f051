#include "gui/win32/FormFit.hpp"

#include "gui/win32/CaptionFit.hpp"
#include "gui/win32/DisplayScale.hpp"
#include "gui/win32/ZoneLabel.hpp"
#include "platform/win32/WideText.hpp"
#include "wizard/FormLayout.hpp"

#include <algorithm>
#include <climits>
#include <cstring>

namespace quilvane::win32 {
namespace {

constexpr int kMostStretch = 300;

bool InContainer(const Control& control, const char* container)
{
    return control.container && std::strcmp(control.container, container) == 0;
}

// The place of the control at `index` as the layout gives it at `scale`.
CaptionPlace PlaceOf(int index, const LayoutScale& scale)
{
    const auto& layout = Layout();
    const Control& control = layout[static_cast<std::size_t>(index)];
    CaptionPlace place;
    place.kind = control.kind;
    place.caption = WideFromUtf8(control.caption);
    place.size = {scale.across(control.width), scale.down(control.height)};
    if (control.kind == Kind::Text) {  // inside the sunken edge
        const int edge = 2 * MetricForDpi(SM_CXEDGE, scale.dpi);
        place.size.cx -= edge;
        place.size.cy -= edge;
    }
    if (control.kind == Kind::Frame) {
        place.contentTop = place.size.cy;
        for (const Control& inside : layout) {
            if (InContainer(inside, control.name)) {
                place.contentTop = std::min(place.contentTop, scale.down(inside.top));
            }
        }
    }
    for (int box : NamedBoxes(index)) {
        const Control& named = layout[static_cast<std::size_t>(box)];
        const int left = scale.across(named.left) - scale.across(control.left);
        place.boxes.emplace_back(left, left + scale.across(named.width));
    }
    return place;
}

bool EveryCaptionFits(HDC dc, const LayoutScale& scale)
{
    const int count = static_cast<int>(Layout().size());
    for (int index = 0; index < count; ++index) {
        if (!CaptionFits(PlaceOf(index, scale), dc, scale.dpi)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int LayoutScale::across(int twips) const
{
    return MulDiv(twips, static_cast<int>(dpi), kTwipsPerPixel * USER_DEFAULT_SCREEN_DPI);
}

int LayoutScale::down(int twips) const
{
    return MulDiv(twips, static_cast<int>(dpi) * stretch, kTwipsPerPixel * USER_DEFAULT_SCREEN_DPI * 100);
}

int LeastStretch(HFONT font, UINT dpi)
{
    HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, font);
    LayoutScale scale{dpi, 100};
    while (scale.stretch < kMostStretch && !EveryCaptionFits(screen, scale)) {
        scale.stretch += 2;
    }
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return scale.stretch;
}

}  // namespace quilvane::win32
