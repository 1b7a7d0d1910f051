#include "platform/DocumentDisplay.hpp"

#include <QStringDecoder>

#include <algorithm>

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

}  // namespace

QString DisplayText(std::string_view bytes, std::size_t limit)
{
    const Excerpt excerpt = WholeCharacters(bytes, limit);
    const std::size_t shown = excerpt.length;
    // The decoder drops a lead byte at the very end without a word; show it.
    const auto decoded = static_cast<qsizetype>(excerpt.endsInLoneLead ? shown - 1 : shown);
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    QString text = decoder.isValid() ? decoder.decode(QByteArrayView(bytes.data(), decoded))
                                     : QString::fromLatin1(bytes.data(), decoded);
    if (excerpt.endsInLoneLead) {
        text += QChar::ReplacementCharacter;
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\0'), QChar(0x2400));  // a visible sign for NUL
    if (shown < bytes.size()) {
        text += QStringLiteral("\n\n……（文件较大，这里只显示开头部分；加密、解密仍作用于整个文件）");
    }
    return text;
}

}  // namespace quilvane
