#pragma once

// Resource numbers shared by the resource script and the code that loads
// them. Plain macros: the resource compiler reads this file too.
#define QUILVANE_ICON_APP 1
#define QUILVANE_CURSOR_PANEL 101
#define QUILVANE_CURSOR_NEXT 102
#define QUILVANE_CURSOR_PREVIOUS 103
#define QUILVANE_CURSOR_OPEN 104
#define QUILVANE_CURSOR_KEY 105
#define QUILVANE_CURSOR_EXIT 106
