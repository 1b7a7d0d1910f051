#include "gui/qt/Pointers.hpp"

#include <QEvent>
#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>
#include <QWidget>

#include <cmath>

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

// One of the images, read as the XPM it is: asked to guess, the image reader
// would first load every image plugin of the system (Qt SVG among them),
// some milliseconds of the start-up.
QPixmap Image(const char* name)
{
    RegisterImages();
    QImageReader reader(QString(":/pointers/") + name, "xpm");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

// The images are drawn for a screen of ordinary density; on a scaled screen
// they grow with everything else, as the system's own pointers do.
QCursor FromImage(const char* name, int hotX, int hotY, qreal scale)
{
    QPixmap image = Image(name);
    if (scale != 1.0) {
        // Whole multiples keep the drawing's hard edges.
        const bool whole = scale == std::floor(scale);
        image = image.scaled(image.size() * scale, Qt::IgnoreAspectRatio,
                             whole ? Qt::FastTransformation : Qt::SmoothTransformation);
        image.setDevicePixelRatio(scale);
    }
    // X11 places the hot spot in the image's own pixels, the other platforms
    // in the window's.
    const qreal hotSpotScale = QGuiApplication::platformName() == QLatin1String("xcb") ? scale : 1.0;
    return QCursor(image, qRound(hotX * hotSpotScale), qRound(hotY * hotSpotScale));
}

// Lives on its widget: gives it its pointer when the mouse first enters it,
// and again where the widget has come to a screen of another scale.
class PointerOnEnter : public QObject {
public:
    PointerOnEnter(QWidget* widget, PointerImage pointer) : QObject(widget), widget_(widget), pointer_(pointer)
    {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == widget_ && event->type() == QEvent::Enter && widget_->devicePixelRatio() != scale_) {
            scale_ = widget_->devicePixelRatio();
            widget_->setCursor(pointer_(scale_));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* widget_;
    PointerImage pointer_;
    qreal scale_ = 0;  // none given yet
};

}  // namespace

QIcon Pointers::applicationIcon()
{
    return QIcon(Image("app_icon.xpm"));
}

// Hot spots: the page corner, the arrow tips, the centres, the key's tip.
QCursor Pointers::panel(qreal scale) { return FromImage("app_icon.xpm", 3, 1, scale); }
QCursor Pointers::next(qreal scale) { return FromImage("arrow_right_32.xpm", 27, 15, scale); }
QCursor Pointers::previous(qreal scale) { return FromImage("arrow_left_32.xpm", 4, 15, scale); }
QCursor Pointers::open(qreal scale) { return FromImage("move_cross_32.xpm", 15, 15, scale); }
QCursor Pointers::key(qreal scale) { return FromImage("key_16.xpm", 15, 7, scale); }
QCursor Pointers::exit(qreal scale) { return FromImage("exit_cross_32.xpm", 15, 15, scale); }

void ShowPointerOnEnter(QWidget* widget, PointerImage pointer)
{
    new PointerOnEnter(widget, pointer);
}

}  // namespace quilvane
