#include "gui/qt/ActionRunner.hpp"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace quilvane {
namespace {

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

}  // namespace

ActionRunner::ActionRunner(QWidget& window) : window_(window) {}

void ActionRunner::run(const std::function<void()>& handler)
{
    if (running_) {
        return;
    }
    running_ = true;
    qApp->installEventFilter(this);
    struct Finish {
        ActionRunner& runner;
        ~Finish()
        {
            qApp->removeEventFilter(&runner);
            runner.running_ = false;
        }
    } finish{*this};
    handler();
}

bool ActionRunner::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &window_) {
        return false;
    }
    if (event->type() == QEvent::Close) {
        event->ignore();  // the action ends first; the window stays
        return true;
    }
    return IsUserInput(event->type());
}

}  // namespace quilvane
