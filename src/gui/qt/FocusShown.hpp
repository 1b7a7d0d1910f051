#pragma once

class QWidget;

namespace quilvane {

// Qt draws the focus ring only once the user has pressed Tab in a window,
// and forgets that each time the window is shown. A user who moves on with
// Enter alone must see where the focus is too: this window shows it from
// the moment it appears, every time.
void ShowFocusAlways(QWidget& window);

}  // namespace quilvane
