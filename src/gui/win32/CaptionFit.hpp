#pragma once

#include "wizard/FormLayout.hpp"

#include <windows.h>

#include <string>
#include <vector>

namespace quilvane::win32 {

// Where a control draws its caption, as far as measuring it goes.
struct CaptionPlace {
    Kind kind = Kind::Label;
    std::wstring caption;
    SIZE size{};         // the control's client area
    int contentTop = 0;  // a panel: the top of its highest control
    // A zone label (ZoneLabel.hpp): the left and right of each box it names,
    // in its own coordinates.
    std::vector<std::pair<int, int>> boxes;
};

// Whether the caption, in the font selected into `dc`, is drawn whole, as
// DrawTextW measures it (DT_CALCRECT): a label's words wrap within its width
// and all its lines stay inside its height; a button's, an option button's,
// a panel's title and a password box's "*" stay on one line inside the room
// the control leaves them; each word of a zone label stays inside the label
// and over its box.
bool CaptionFits(const CaptionPlace& place, HDC dc, UINT dpi);

}  // namespace quilvane::win32
