#include "gui/win32/CommandLine.hpp"
#include "gui/win32/Wizard.hpp"
#include "platform/SystemErrors.hpp"
#include "platform/win32/WideText.hpp"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    using namespace quilvane::win32;
    try {
        Wizard wizard;
        wizard.view().setStartFiles(StartFilesFromCommandLine());
        wizard.show();
        return RunMessageLoop(wizard.form().window());
    } catch (...) {
        // The window could not be made (the system is out of windows or memory).
        const std::string reason = quilvane::SystemErrorText(quilvane::CurrentExceptionError());
        MessageBoxW(nullptr, WideFromUtf8("无法打开程序窗口：" + reason).c_str(), L"Quilvane 2.0", MB_OK | MB_ICONERROR);
        return 1;
    }
}
