#include "gui/win32/DocumentView.hpp"

#include "gui/win32/DocumentText.hpp"
#include "platform/win32/WideText.hpp"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace quilvane::win32 {
namespace {

// Rich Edit reads a text that starts with "{\rtf" as markup; streamed in as
// plain text it is shown as it is.
void SetPlainText(HWND richEdit, const std::wstring& text)
{
    struct Source {
        const wchar_t* data;
        std::size_t bytesLeft;
    } source{text.data(), text.size() * sizeof(wchar_t)};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = [](DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) -> DWORD {
        auto* from = reinterpret_cast<Source*>(cookie);
        const std::size_t count = std::min(from->bytesLeft, static_cast<std::size_t>(wanted));
        std::memcpy(buffer, from->data, count);
        from->data += count / sizeof(wchar_t);
        from->bytesLeft -= count;
        *given = static_cast<LONG>(count);
        return 0;
    };
    SendMessageW(richEdit, EM_STREAMIN, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&stream));
}

}  // namespace

void ShowDocument(HWND view, std::string_view bytes, bool more)
{
    SetPlainText(view, DocumentText(bytes, kDisplayLimit, more));
}

void ShowFileList(HWND view, std::string_view lines)
{
    std::wstring text;
    for (const wchar_t c : WideFromUtf8(lines)) {
        if (c == L'\n') {
            text += L'\r';
        }
        text += c;
    }
    SetPlainText(view, text);
}

}  // namespace quilvane::win32
