#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace quilvane::win32 {

// A zone label ("A区    B区 ...") names the password boxes of its panel,
// one word for each box. Its words are drawn centred over their boxes, so
// that they stay on them whatever the font's spaces measure; its text stays
// the caption, for screen readers.

// The words of a caption, split at spaces.
std::vector<std::wstring> Words(std::wstring_view caption);

// The places in the control table of the password boxes the label at
// `index` names, left to right: those of its panel, when the label has one
// word for each. Empty for any other control.
std::vector<int> NamedBoxes(int index);

// Where a word `width` wide starts in a label `labelWidth` wide: centred
// over its box (`boxLeft` to `boxRight`, in the label's coordinates), moved
// in as far as needed to stay inside the label.
int WordLeft(int width, int boxLeft, int boxRight, int labelWidth);

// Paints the label: its background, and each word centred over its box.
void PaintZoneLabel(HWND label, const std::vector<HWND>& boxes);

}  // namespace quilvane::win32
