#include "gui/qt/Application.hpp"
#include "gui/qt/FontSetup.hpp"
#include "gui/qt/Wizard.hpp"

#include <QApplication>

int main(int argc, char* argv[])
{
    quilvane::LimitFontsToTheInterface();
    QApplication app(argc, argv);
    quilvane::PrepareApplication(app);
    quilvane::Wizard wizard;
    wizard.show();
    return QApplication::exec();
}
