#include "wizard/Application.hpp"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quilvane {

void PrepareApplication(QApplication& app)
{
    QApplication::setApplicationName("Quilvane");
    QApplication::setApplicationVersion("2.0");
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));

    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
}

}  // namespace quilvane
