#include "platform/FontSetup.hpp"
#include "wizard/Application.hpp"
#include "wizard/Wizard.hpp"

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
