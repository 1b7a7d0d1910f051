#include "gui/qt/EarlyClickFilter.hpp"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace quilvane {

EarlyClickFilter::EarlyClickFilter(QWidget& dialog) : QObject(&dialog)
{
    // A press goes to the widget under the pointer: the dialog's buttons
    // are watched as well as the dialog.
    dialog.installEventFilter(this);
    for (QWidget* child : dialog.findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    sinceShown_.start();
}

bool EarlyClickFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (sinceShown_.elapsed() < QApplication::doubleClickInterval()) {
            return true;  // dropped
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quilvane
