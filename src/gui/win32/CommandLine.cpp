#include "gui/win32/CommandLine.hpp"

#include <windows.h>
#include <shellapi.h>

#include <system_error>

namespace quilvane::win32 {

std::vector<std::filesystem::path> StartFilesFromCommandLine()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) {
        return {};
    }
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < count; ++i) {
        if (arguments[i][0] == L'\0') {
            continue;
        }
        std::error_code error;
        std::filesystem::path file = std::filesystem::absolute(arguments[i], error);
        files.push_back(error ? std::filesystem::path(arguments[i]) : std::move(file));
    }
    LocalFree(arguments);
    return files;
}

}  // namespace quilvane::win32
