#pragma once

#include <QCursor>
#include <QIcon>

class QWidget;

namespace quilvane {

// The window's icon and the mouse pointers of its panels and buttons, drawn
// as XPM images in the resources. Each pointer is made for a screen of the
// given scale (device pixels to one pixel of the window): at 2, a 32-pixel
// image is 64 device pixels, as large to the eye as at 1.
struct Pointers {
    static QIcon applicationIcon();
    static QCursor panel(qreal scale);     // the application icon
    static QCursor next(qreal scale);      // an arrow pointing right
    static QCursor previous(qreal scale);  // an arrow pointing left
    static QCursor open(qreal scale);      // a cross of four arrows
    static QCursor key(qreal scale);       // a key
    static QCursor exit(qreal scale);      // a red diagonal cross
};

// Gives `widget` its pointer when the mouse first enters it: the image is
// decoded when it is needed, not while the window starts, and at the scale
// of the screen the widget is on.
using PointerImage = QCursor (*)(qreal scale);
void ShowPointerOnEnter(QWidget* widget, PointerImage pointer);

}  // namespace quilvane
