#include "gui/win32/DroppedFiles.hpp"

#include <string>

namespace quilvane::win32 {

std::vector<std::filesystem::path> TakeDroppedFiles(HDROP drop)
{
    std::vector<std::filesystem::path> files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        const DWORD attributes = GetFileAttributesW(name.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            files.clear();
            break;
        }
        files.emplace_back(name);
    }
    DragFinish(drop);
    return files;
}

}  // namespace quilvane::win32
