#include "gui/qt/Application.hpp"
#include "gui/qt/Wizard.hpp"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    quilvane::PrepareApplication(app);
    quilvane::Wizard wizard;
    wizard.show();
    return QApplication::exec();
}
