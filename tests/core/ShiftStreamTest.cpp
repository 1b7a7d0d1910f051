// The shift of a text read a stretch at a time gives the bytes, and the
// verdict, of the shift of the whole text: for every size of stretch from one
// byte up, and characters cut anywhere.
#include "transform/ShiftStream.hpp"
#include "transform/ShiftText.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace quilvane {
namespace {

// The whole text at once: the shifted text, or nothing when refused.
std::optional<std::string> Whole(std::string text, int delta, bool dropLineEnd)
{
    if (dropLineEnd && text.ends_with("\r\n")) {
        text.resize(text.size() - 2);
    }
    if (!ShiftComesBack(text, delta)) {
        return std::nullopt;
    }
    return ShiftText(text, delta);
}

// The same text through a stream, each read giving the sizes `reads` (in
// turn, again and again) but never more than there is room for.
std::optional<std::string> Streamed(const std::string& text, int delta, bool dropLineEnd, std::size_t stretch,
                                    const std::vector<std::size_t>& reads)
{
    ShiftStream stream({delta, true, dropLineEnd, stretch});
    std::string out;
    std::size_t at = 0;
    for (std::size_t turn = 0; at < text.size(); ++turn) {
        char* room = stream.room();
        const std::size_t got = std::min({reads[turn % reads.size()], stream.capacity(), text.size() - at});
        std::memcpy(room, text.data() + at, got);
        at += got;
        out += stream.take(got);
        if (stream.refused()) {
            return std::nullopt;
        }
    }
    out += stream.finish();
    if (stream.refused()) {
        return std::nullopt;
    }
    return out;
}

std::string Describe(const std::string& text)
{
    std::string out;
    char hex[4];
    for (unsigned char c : text.substr(0, 40)) {
        std::snprintf(hex, sizeof hex, "%02X ", c);
        out += hex;
    }
    return out + (text.size() > 40 ? "..." : "");
}

const std::vector<std::string>& EdgeTexts()
{
    static const std::vector<std::string> texts = {
        "",
        "A",
        "AB\r\n",
        "\r\n",
        "\r",
        "\xD6",
        "\xD6\xD0",
        "\xD6\r\n",
        "\xD6\xD0\xCE\xC4 text\r\n",
        std::string("\0\x01 nul and one", 14),
        std::string("ends in nul\0", 12),
        "\x7F\x7F",
        "\x7F",
        "\x80\x80\x81",
        "\xFF\xFE\xFF",
        "\xFF",
        "\x81\x40\x81",
        "\x81\x40",
        "\xFE\xFE\xFE\xFE\xFE",
        "\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6",
        "\xE4\xB8\xAD\xE6\x96\x87 utf-8\n",
        "\x81\x30 invalid pair\r\n",
        "line\r\n\r\n",
        "lone cr at end\r",
    };
    return texts;
}

TEST(ShiftStream, GivesTheWholeTextsBytesAndVerdictForEveryStretchSize)
{
    for (const std::string& text : EdgeTexts()) {
        for (const int delta : {-2, 2, -3, 300}) {
            for (const bool drop : {false, true}) {
                const auto whole = Whole(text, delta, drop);
                for (std::size_t stretch = 1; stretch <= 12; ++stretch) {
                    EXPECT_EQ(Streamed(text, delta, drop, stretch, {stretch}), whole)
                        << Describe(text) << " delta " << delta << " drop " << drop << " stretch " << stretch;
                }
                EXPECT_EQ(Streamed(text, delta, drop, 64, {1, 2, 3}), whole) << Describe(text);
            }
        }
    }
}

TEST(ShiftStream, AgreesWithTheWholeTextOnRandomTextsAndReads)
{
    std::mt19937 random(20261210);
    const std::string alphabet = std::string("AZaz09 \r\n\x7F\x80\xFF\xFE\x81\x40\xD6\xD0\xCE\xC4\xB0\xA1") +
                                 std::string("\0\x01\x02", 3);
    for (int round = 0; round < 400; ++round) {
        std::string text(random() % 3000, '\0');
        const bool anyByte = round % 4 == 0;
        for (char& c : text) {
            c = anyByte ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        }
        if (round % 3 == 0) {
            text += "\r\n";
        }
        const int delta = round % 2 ? -2 : 2;
        const bool drop = round % 5 != 0;
        const std::size_t stretch = 1 + random() % 700;
        const std::vector<std::size_t> reads = {1 + random() % 700, 1 + random() % 5, stretch};
        EXPECT_EQ(Streamed(text, delta, drop, stretch, reads), Whole(text, delta, drop))
            << "round " << round << " stretch " << stretch << " " << Describe(text);
    }
}

// A refusal stops the stream at once: nothing more is given.
TEST(ShiftStream, TakesNothingMoreOnceRefused)
{
    ShiftStream stream({-2, true, false, 8});
    std::memcpy(stream.room(), "AB\x81", 3);  // 0x81 then a NUL: the NUL's shift cannot come back after it
    EXPECT_EQ(stream.take(3), "?@");
    std::memcpy(stream.room(), std::string("\0CD", 3).data(), 3);
    stream.take(3);
    ASSERT_TRUE(stream.refused());
    std::memcpy(stream.room(), "EF", 2);
    EXPECT_EQ(stream.take(2), "");
    EXPECT_EQ(stream.finish(), "");
    EXPECT_TRUE(stream.refused());
}

TEST(ShiftStream, LastCharacterStartFollowsTheCut)
{
    struct Case {
        std::string bytes;
        std::size_t start;
    };
    for (const Case& c : {Case{"A", 0}, Case{"AB", 1}, Case{"\xD6", 0}, Case{"A\xD6", 1}, Case{"\xD6\xD0", 0},
                          Case{"\xD6\x40", 0}, Case{"A\xD6\x40", 1}, Case{"\xD6\xD0\x40", 2},
                          Case{"\xD6\xD0\xD6", 2}, Case{"\xD6\xD0\xD6\x40", 2}, Case{"\x40\x40", 1}}) {
        EXPECT_EQ(detail::LastCharacterStart(c.bytes), c.start) << Describe(c.bytes);
    }
}

}  // namespace
}  // namespace quilvane
