#include "gui/qt/DocumentDisplay.hpp"

#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace quilvane {
namespace {

struct Excerpt {
    std::size_t length;   // does not split a double-byte character
    bool endsInLoneLead;  // the last byte is a lead byte with no trail
};

Excerpt WholeCharacters(std::string_view bytes, std::size_t limit)
{
    const std::size_t end = std::min(bytes.size(), limit);
    std::size_t i = 0;
    while (i < end) {
        const bool lead = static_cast<unsigned char>(bytes[i]) >= 0x81;
        if (lead && i + 1 == bytes.size()) {
            return {end, true};
        }
        const std::size_t length = lead ? 2 : 1;
        if (i + length > end) {
            break;
        }
        i += length;
    }
    return {i, false};
}

bool IsAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

QString DecodeGbk(std::string_view bytes, std::size_t limit)
{
    const Excerpt excerpt = WholeCharacters(bytes, limit);
    // The decoder drops a lead byte at the very end without a word; show it.
    const auto decoded = static_cast<qsizetype>(excerpt.endsInLoneLead ? excerpt.length - 1 : excerpt.length);
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    QString text = decoder.isValid() ? decoder.decode(QByteArrayView(bytes.data(), decoded))
                                     : QString::fromLatin1(bytes.data(), decoded);
    if (excerpt.endsInLoneLead) {
        text += QChar::ReplacementCharacter;
    }
    return text;
}

// The shown part decoded as UTF-8, when it is UTF-8 and not plain ASCII; a
// character cut by the limit is left out. Only the part shown is judged, so
// a large document costs no more than its first megabyte.
std::optional<QString> DecodeUtf8(std::string_view bytes, std::size_t limit, bool more)
{
    const bool whole = !more && bytes.size() <= limit;
    const std::string_view part = bytes.substr(0, limit);
    if (IsAscii(part)) {
        return std::nullopt;
    }
    // Stateless, an unfinished character at the end of the file is an error;
    // stateful, one cut by the limit is held back. A byte-order mark is dropped.
    QStringDecoder decoder(QStringConverter::Utf8,
                           whole ? QStringConverter::Flag::Stateless : QStringConverter::Flag::Default);
    QString text = decoder.decode(QByteArrayView(part.data(), static_cast<qsizetype>(part.size())));
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

QString DisplayText(std::string_view bytes, std::size_t limit, bool more)
{
    const std::optional<QString> utf8 = DecodeUtf8(bytes, limit, more);
    QString text = utf8 ? *utf8 : DecodeGbk(bytes, limit);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\0'), QChar(0x2400));  // a visible sign for NUL
    if (more || bytes.size() > limit) {
        text += QStringLiteral("\n\n……（文件较大，这里只显示开头部分；加密、解密仍作用于整个文件）");
    }
    return text;
}

}  // namespace quilvane
