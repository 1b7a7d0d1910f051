// Start-up probe for quilvane_file_bench. "quilvane" starts the window exactly
// as the program does; "minimal" starts a Qt Widgets window with one Chinese
// label in the program's font for comparison (a window without text loads no
// font at all, which no window of the program can do). Either way the process
// ends with status 0 as soon as the window has been painted once, so the time
// from its start to its end is the time to the first picture.
#include "gui/qt/Application.hpp"
#include "gui/qt/FontConfigurationEarly.hpp"
#include "gui/qt/Wizard.hpp"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Ends the process after the first paint of the watched window. The window
// and its children are painted and flushed in one go; the zero timer fires
// once that is done and the event loop is back.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QTimer::singleShot(0, [] { std::_Exit(0); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool painted_ = false;
};

// A window that never gets painted must not hang the bench.
void GiveUpLater()
{
    QTimer::singleShot(20000, [] {
        std::fputs("quilvane_startup_probe: the window was not painted within 20 s\n", stderr);
        std::_Exit(3);
    });
}

}  // namespace

int main(int argc, char* argv[])
{
    const bool minimal = argc == 2 && std::strcmp(argv[1], "minimal") == 0;
    const bool quilvane = argc == 2 && std::strcmp(argv[1], "quilvane") == 0;
    if (!minimal && !quilvane) {
        std::fputs("usage: quilvane_startup_probe minimal|quilvane\n", stderr);
        return 2;
    }

    // As the program's main() does.
    const std::jthread fontConfiguration = quilvane ? quilvane::ReadFontConfigurationEarly() : std::jthread();
    QApplication app(argc, argv);
    FirstPaint firstPaint;
    GiveUpLater();
    if (minimal) {
        QWidget window;
        QLabel label(QString::fromUtf8("我要加密文件"), &window);
        QFont font(QStringLiteral("AR PL UMing CN"));
        font.setPixelSize(12);
        label.setFont(font);
        window.installEventFilter(&firstPaint);
        window.show();
        return QApplication::exec();
    }
    quilvane::PrepareApplication(app);
    quilvane::Wizard wizard;
    wizard.form().installEventFilter(&firstPaint);
    wizard.show();
    return QApplication::exec();
}
