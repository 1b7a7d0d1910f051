#pragma once

class QMessageBox;

namespace quilvane {

// Makes a message box of the window look and read like the window: the
// interface font, the focus shown from the start, and a name for its icon
// that a screen reader says (错误, 警告, 问题, 信息). Called once the box has
// its icon.
void PrepareMessageBox(QMessageBox& box);

}  // namespace quilvane
