#pragma once

#include <vector>

namespace quilvane {

// The window's controls as the layout was drawn: names, kinds, containers,
// captions, places in twips and tab order. Plain data, read by every window
// binding (Qt and Win32) alike.

// 15 twips make a pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;
// The window's client area, in twips.
inline constexpr int kFormWidth = 4455;
inline constexpr int kFormHeight = 2760;
inline constexpr const char* kFormCaption = "Quilvane 2.0";

enum class Kind { Frame, Label, Option, Command, Text, Document };

struct Control {
    const char* name;
    Kind kind;
    const char* container;  // nullptr: directly on the window
    const char* caption;
    int left, top, width, height;  // twips, from the container's top-left corner
    int tabIndex;
};

// Listed in tab order. Panels and labels hold a place but never take focus.
const std::vector<Control>& Layout();

// The pictures a pointer can show; the images live in wizard/resources.
enum class Pointer { Arrow, Panel, Next, Previous, Open, Key, Exit };

// The pointer over a control: panels and command buttons have their own.
Pointer PointerOf(const Control& control);

}  // namespace quilvane
