#include "gui/win32/DocumentText.hpp"

#include "platform/win32/WideText.hpp"

#include <windows.h>

#include <algorithm>
#include <optional>

namespace quilvane::win32 {
namespace {

constexpr UINT kChineseCodePage = 936;

// The number of bytes a UTF-8 sequence has by its first byte; 0 for a byte
// that cannot start one.
std::size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// The second byte's range after `lead` (no overlong forms, no surrogates,
// nothing past U+10FFFF); every later byte is 80..BF.
bool FitsAfter(unsigned char lead, unsigned char second)
{
    switch (lead) {
    case 0xE0: return second >= 0xA0 && second <= 0xBF;
    case 0xED: return second >= 0x80 && second <= 0x9F;
    case 0xF0: return second >= 0x90 && second <= 0xBF;
    case 0xF4: return second >= 0x80 && second <= 0x8F;
    default: return second >= 0x80 && second <= 0xBF;
    }
}

// How many bytes of `part` to show as UTF-8, or nothing when it is not
// UTF-8 or is plain ASCII (the same either way). A character cut at the end
// is left out unless `part` is the whole document, where it is an error.
std::optional<std::size_t> Utf8Length(std::string_view part, bool whole)
{
    bool beyondAscii = false;
    std::size_t i = 0;
    while (i < part.size()) {
        const auto lead = static_cast<unsigned char>(part[i]);
        const std::size_t length = SequenceLength(lead);
        if (length == 0) {
            return std::nullopt;
        }
        beyondAscii = beyondAscii || length > 1;
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k == part.size()) {  // cut here
                return whole ? std::nullopt : std::optional<std::size_t>(i);
            }
            const auto next = static_cast<unsigned char>(part[i + k]);
            if (k == 1 ? !FitsAfter(lead, next) : (next < 0x80 || next > 0xBF)) {
                return std::nullopt;
            }
        }
        i += length;
    }
    return beyondAscii ? std::optional<std::size_t>(i) : std::nullopt;
}

std::wstring Decode(UINT codePage, std::string_view bytes)
{
    std::wstring text;
    if (!bytes.empty()) {
        const int size = static_cast<int>(bytes.size());
        const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
        text.resize(static_cast<std::size_t>(length));
        MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), length);
    }
    return text;
}

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
    // Only the part shown is judged, so a large document costs no more than that.
    const bool whole = !more && bytes.size() <= limit;
    const std::optional<std::size_t> utf8 = Utf8Length(bytes.substr(0, limit), whole);
    const std::size_t shown = utf8 ? *utf8 : WholeCharacters(bytes, limit);
    std::wstring text = Decode(utf8 ? CP_UTF8 : kChineseCodePage, bytes.substr(0, shown));
    if (utf8 && text.starts_with(L'\xFEFF')) {
        text.erase(0, 1);  // the byte-order mark Notepad writes
    }
    std::replace(text.begin(), text.end(), L'\0', L'\x2400');
    if (more || shown < bytes.size()) {
        text += WideFromUtf8("\r\n\r\n……（文件较大，这里只显示开头部分；加密、解密仍作用于整个文件）");
    }
    return text;
}

}  // namespace quilvane::win32
