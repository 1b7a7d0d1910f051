#include "gui/win32/DocumentText.hpp"

#include "platform/win32/WideText.hpp"

#include <windows.h>

#include <algorithm>

namespace quilvane::win32 {
namespace {

constexpr UINT kChineseCodePage = 936;

// The length of the excerpt: never the first byte of a double-byte character
// without its second.
std::size_t WholeCharacters(std::string_view bytes, std::size_t limit)
{
    const std::size_t end = std::min(bytes.size(), limit);
    std::size_t i = 0;
    while (i < end) {
        const std::size_t length = static_cast<unsigned char>(bytes[i]) >= 0x81 && i + 1 < bytes.size() ? 2 : 1;
        if (i + length > end) {
            break;
        }
        i += length;
    }
    return i;
}

}  // namespace

std::wstring DocumentText(std::string_view bytes, std::size_t limit, bool more)
{
    const std::size_t shown = WholeCharacters(bytes, limit);
    std::wstring text;
    if (shown > 0) {
        const int length = MultiByteToWideChar(kChineseCodePage, 0, bytes.data(), static_cast<int>(shown), nullptr, 0);
        text.resize(static_cast<std::size_t>(length));
        MultiByteToWideChar(kChineseCodePage, 0, bytes.data(), static_cast<int>(shown), text.data(), length);
    }
    std::replace(text.begin(), text.end(), L'\0', L'\x2400');
    if (more || shown < bytes.size()) {
        text += WideFromUtf8("\r\n\r\n……（文件较大，这里只显示开头部分；加密、解密仍作用于整个文件）");
    }
    return text;
}

}  // namespace quilvane::win32
