#include "gui/win32/CommandLine.hpp"

#include <windows.h>
#include <shellapi.h>

#include <system_error>

namespace quilvane::win32 {

std::filesystem::path StartFileFromCommandLine()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) {
        return {};
    }
    std::filesystem::path file;
    if (count >= 2 && arguments[1][0] != L'\0') {
        std::error_code error;
        file = std::filesystem::absolute(arguments[1], error);
        if (error) {
            file = arguments[1];
        }
    }
    LocalFree(arguments);
    return file;
}

}  // namespace quilvane::win32
