#include "gui/win32/FormFont.hpp"

#include "gui/win32/MessageFont.hpp"
#include "platform/win32/WideText.hpp"

#include <cwchar>
#include <string>

namespace quilvane::win32 {
namespace {

constexpr int kDrawnPoints = 9;

bool HasFamily(const std::wstring& face)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(
        screen, &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM data) -> int {
            *reinterpret_cast<bool*>(data) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

}  // namespace

HFONT CreateFormFont(UINT dpi)
{
    // A Chinese system names its Song faces in Chinese, others in English.
    for (const char* face : {"宋体", "SimSun", "新宋体", "NSimSun"}) {
        const std::wstring name = WideFromUtf8(face);
        if (!HasFamily(name)) {
            continue;
        }
        LOGFONTW font{};
        font.lfHeight = -MulDiv(kDrawnPoints, static_cast<int>(dpi), 72);
        font.lfWeight = FW_NORMAL;
        font.lfCharSet = DEFAULT_CHARSET;
        wcsncpy(font.lfFaceName, name.c_str(), LF_FACESIZE - 1);
        if (HFONT created = CreateFontIndirectW(&font)) {
            return created;
        }
    }
    return CreateMessageFont(dpi);
}

}  // namespace quilvane::win32
