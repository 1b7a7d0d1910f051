#include "platform/win32/ProgramFolders.hpp"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

namespace quilvane::win32 {

std::filesystem::path ExecutableDirectory()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer).parent_path();
        }
        buffer.resize(buffer.size() * 2);  // cut short: the path is longer
    }
}

std::filesystem::path UserDataDirectory()
{
    wchar_t* folder = nullptr;
    std::filesystem::path local;
    if (::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &folder) == S_OK) {
        local = folder;
    }
    ::CoTaskMemFree(folder);
    if (local.empty()) {
        return {};
    }
    return local / L"Quilvane";
}

}  // namespace quilvane::win32
