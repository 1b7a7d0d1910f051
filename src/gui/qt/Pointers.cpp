#include "gui/qt/Pointers.hpp"

#include <QEvent>
#include <QPixmap>
#include <QWidget>

// The images live in a static library: their resource must be registered
// explicitly, or the linker leaves it out.
static void RegisterImages()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(wizard);
        return true;
    }();
    (void)registered;
}

namespace quilvane {
namespace {

QCursor FromImage(const char* name, int hotX, int hotY)
{
    RegisterImages();
    return QCursor(QPixmap(QString(":/pointers/") + name), hotX, hotY);
}

// Lives on its widget until the mouse first enters it.
class PointerOnEnter : public QObject {
public:
    PointerOnEnter(QWidget* widget, PointerImage pointer) : QObject(widget), widget_(widget), pointer_(pointer)
    {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == widget_ && event->type() == QEvent::Enter && pointer_) {
            widget_->setCursor(pointer_());
            pointer_ = nullptr;
            widget_->removeEventFilter(this);
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* widget_;
    PointerImage pointer_;
};

}  // namespace

QIcon Pointers::applicationIcon()
{
    RegisterImages();
    return QIcon(QPixmap(":/pointers/app_icon.xpm"));
}

// Hot spots: the page corner, the arrow tips, the centres, the key's tip.
QCursor Pointers::panel() { return FromImage("app_icon.xpm", 3, 1); }
QCursor Pointers::next() { return FromImage("arrow_right_32.xpm", 27, 15); }
QCursor Pointers::previous() { return FromImage("arrow_left_32.xpm", 4, 15); }
QCursor Pointers::open() { return FromImage("move_cross_32.xpm", 15, 15); }
QCursor Pointers::key() { return FromImage("key_16.xpm", 15, 7); }
QCursor Pointers::exit() { return FromImage("exit_cross_32.xpm", 15, 15); }

void ShowPointerOnEnter(QWidget* widget, PointerImage pointer)
{
    new PointerOnEnter(widget, pointer);
}

}  // namespace quilvane
