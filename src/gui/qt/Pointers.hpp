#pragma once

#include <QCursor>
#include <QIcon>

class QWidget;

namespace quilvane {

// The window's icon and the mouse pointers of its panels and buttons, drawn
// as XPM images in the resources.
struct Pointers {
    static QIcon applicationIcon();
    static QCursor panel();     // the application icon
    static QCursor next();      // an arrow pointing right
    static QCursor previous();  // an arrow pointing left
    static QCursor open();      // a cross of four arrows
    static QCursor key();       // a key
    static QCursor exit();      // a red diagonal cross
};

// Gives `widget` its pointer when the mouse first enters it: the image is
// decoded when it is needed, not while the window starts.
using PointerImage = QCursor (*)();
void ShowPointerOnEnter(QWidget* widget, PointerImage pointer);

}  // namespace quilvane
