#pragma once

#include <windows.h>

namespace quilvane::win32 {

// Pixels for the control table's twips: across at the DPI; down at the DPI
// stretched by `stretch` per cent, so that a face whose lines are taller than
// those of the Song face the layout was drawn for gets taller places, each
// line holding as many characters as drawn.
struct LayoutScale {
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
    int stretch = 100;

    int across(int twips) const;
    int down(int twips) const;
};

// The least stretch (from 100 per cent up, in steps of 2) at which every
// caption of the control table, in `font`, fits the place the layout gives
// its control at `dpi` (CaptionFits). 300 where even that is not enough.
int LeastStretch(HFONT font, UINT dpi);

}  // namespace quilvane::win32
