#include "gui/qt/FocusShown.hpp"

#include <QEvent>
#include <QWidget>

namespace quilvane {
namespace {

// Lives on its window.
class FocusShownOnShow : public QObject {
public:
    explicit FocusShownOnShow(QWidget& window) : QObject(&window) { window.installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Showing clears the attribute before the Show event comes.
        if (event->type() == QEvent::Show && watched == parent()) {
            static_cast<QWidget*>(watched)->setAttribute(Qt::WA_KeyboardFocusChange);
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void ShowFocusAlways(QWidget& window)
{
    new FocusShownOnShow(window);
}

}  // namespace quilvane
