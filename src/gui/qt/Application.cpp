#include "gui/qt/Application.hpp"

#include "gui/qt/Pointers.hpp"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quilvane {

namespace {

// The layout was drawn for a 9-point Song face at 96 dots per inch, twelve
// pixels to a character with tight lines; a font with those measures keeps
// every caption inside its place.
QFont InterfaceFont()
{
    QFont font = QApplication::font();
    const QStringList families = QFontDatabase::families();
    for (const QString& family : {QStringLiteral("AR PL UMing CN"), QStringLiteral("SimSun"),
                                  QStringLiteral("Noto Sans CJK SC")}) {
        if (families.contains(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPixelSize(12);
    return font;
}

}  // namespace

void PrepareApplication(QApplication& app)
{
    QApplication::setFont(InterfaceFont());
    QApplication::setApplicationName("Quilvane");
    QApplication::setApplicationVersion("2.0");
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
