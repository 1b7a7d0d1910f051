#include "gui/win32/DroppedFiles.hpp"

#include <string>

namespace quilvane::win32 {

std::optional<std::filesystem::path> TakeOneDroppedFile(HDROP drop)
{
    std::optional<std::filesystem::path> file;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
        std::wstring name(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size())));
        const DWORD attributes = GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            file = std::filesystem::path(name);
        }
    }
    DragFinish(drop);
    return file;
}

}  // namespace quilvane::win32
