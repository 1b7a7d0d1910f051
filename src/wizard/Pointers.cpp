#include "wizard/Pointers.hpp"

#include <QPixmap>

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

}  // namespace quilvane
