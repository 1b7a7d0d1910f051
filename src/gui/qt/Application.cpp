#include "gui/qt/Application.hpp"

#include "gui/qt/Pointers.hpp"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quilvane {

void PrepareApplication(QApplication& app)
{
    QApplication::setApplicationName("Quilvane");
    QApplication::setApplicationVersion(QStringLiteral(QUILVANE_VERSION));
    // Docks and task bars find the launcher entry, and with it the installed
    // icon, by this name. The dialogs carry the window's own icon (no theme
    // lookup at start-up).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quilvane.Quilvane"));
    QApplication::setWindowIcon(Pointers::applicationIcon());
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));

    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
}

}  // namespace quilvane
