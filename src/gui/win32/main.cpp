#include "gui/win32/Wizard.hpp"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    quilvane::win32::Wizard wizard;
    wizard.show();
    return quilvane::win32::RunMessageLoop(wizard.form().window());
}
