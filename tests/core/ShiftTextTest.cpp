#include "transform/ShiftText.hpp"

#include "ParamName.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

using quilvane::ShiftCheck;
using quilvane::ShiftComesBack;
using quilvane::ShiftText;

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values) {
        s += static_cast<char>(v);
    }
    return s;
}

std::string Hex(const std::string& s)
{
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

// The transform written the plainest way: cut, code, add, char.
std::string ReferenceShift(const std::string& text, int delta)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::int64_t code = lead;
        std::size_t length = 1;
        if (lead >= 0x81 && i + 1 < text.size()) {
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            code = static_cast<std::int16_t>(static_cast<std::uint16_t>(lead * 256 + trail));
            length = 2;
        }
        const std::int64_t n = code + delta;
        if (n >= 0 && n <= 255) {
            out += static_cast<char>(n);
        } else {
            const auto wrapped = static_cast<std::uint16_t>(static_cast<std::uint64_t>(n));
            out += static_cast<char>(wrapped >> 8);
            out += static_cast<char>(wrapped & 0xFF);
        }
        i += length;
    }
    return out;
}

// True when no character's shifted form differs in length from it; also
// gives where the characters start.
bool ReferenceKeepsLength(const std::string& text, int delta, std::vector<bool>* starts = nullptr)
{
    bool keeps = true;
    if (starts) {
        starts->assign(text.size() + 1, false);
        (*starts)[text.size()] = true;
    }
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = static_cast<unsigned char>(text[i]) >= 0x81 && i + 1 < text.size() ? 2 : 1;
        keeps = keeps && ReferenceShift(text.substr(i, length), delta).size() == length;
        if (starts) {
            (*starts)[i] = true;
        }
        i += length;
    }
    return keeps;
}

bool ReallyComesBack(const std::string& text, int delta)
{
    return ShiftText(ShiftText(text, delta), -delta) == text;
}

struct Example {
    const char* what;
    std::string plain;
    std::string encrypted;  // plain shifted by -2

    friend void PrintTo(const Example& c, std::ostream* os) { *os << c.what; }
};

class KnownShifts : public testing::TestWithParam<Example> {};

TEST_P(KnownShifts, EncryptsToTheKnownBytesAndBack)
{
    const Example& example = GetParam();
    EXPECT_EQ(Hex(ShiftText(example.plain, -2)), Hex(example.encrypted));
    EXPECT_EQ(Hex(ShiftText(example.encrypted, +2)), Hex(example.plain));
    EXPECT_TRUE(ShiftComesBack(example.plain, -2));
    EXPECT_TRUE(ShiftComesBack(example.encrypted, +2));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, KnownShifts,
    testing::Values(Example{"empty", "", ""},
                    Example{"letters", "AB", "?@"},
                    Example{"lower case and digit", "a1", "_/"},
                    Example{"line end", "\r\n", Bytes({0x0B, 0x08})},
                    Example{"zhong", "\xD6\xD0", "\xD6\xCE"},
                    Example{"nul wraps to a pair", Bytes({0x00}), Bytes({0xFF, 0xFE})},
                    Example{"one wraps to a pair", Bytes({0x01}), Bytes({0xFF, 0xFF})},
                    Example{"trail 0x40 moves below the trail range", "\x81\x40", "\x81\x3E"},
                    Example{"trail 0x00 borrows from the lead", Bytes({0x82, 0x00}), "\x81\xFE"},
                    Example{"euro sign", "\x80", "\x7E"},
                    Example{"lone lead at the end", "A\xD6", "?\xD4"},
                    Example{"mixed line", "\xD6\xD0\xCE\xC4 abc\r\n",
                            "\xD6\xCE\xCE\xC2\x1E_`a\x0B\x08"}),
    [](const testing::TestParamInfo<Example>& info) { return ParamName(info.param.what); });

TEST(ShiftText, LongAsciiAndChineseRunsMatchTheByteRule)
{
    std::string ascii;
    std::string chinese;
    for (int i = 0; i < 1000; ++i) {
        ascii += "The quick brown fox, 0123456789!\r\n";
        chinese += "\xD6\xD0\xCE\xC4\xB0\xA1\xA1\xA3";  // 中文啊。
    }
    EXPECT_EQ(ShiftText(ascii, -2), ReferenceShift(ascii, -2));
    EXPECT_EQ(ShiftText(chinese, -2), ReferenceShift(chinese, -2));
    EXPECT_EQ(ShiftText(ShiftText(chinese, -2), +2), chinese);
}

// Every one- and two-byte input: the check agrees with doing the round trip,
// and under encryption only 81 00 and 81 01 fail to come back.
TEST(ShiftComesBack, AgreesWithTheRoundTripOnEveryShortInput)
{
    // Decryption cannot undo 7F or 80 followed by another byte (they move up
    // into lead bytes) nor a lone FE or FF at the end (they move past 255).
    const auto decryptionCannotUndo = [](const std::string& s) {
        const auto first = static_cast<unsigned char>(s[0]);
        const auto last = static_cast<unsigned char>(s.back());
        const bool leadBlocked = s.size() == 2 && (first == 0x7F || first == 0x80);
        const bool loneHighAtEnd = (last == 0xFE || last == 0xFF) && (s.size() == 1 || first <= 0x80);
        return leadBlocked || loneHighAtEnd;
    };
    for (int delta : {-2, 2}) {
        std::vector<std::string> encryptionFailures;
        for (int a = 0; a < 256; ++a) {
            std::vector<std::string> inputs = {Bytes({a})};
            for (int b = 0; b < 256; ++b) {
                inputs.push_back(Bytes({a, b}));
            }
            for (const std::string& input : inputs) {
                const bool really = ReallyComesBack(input, delta);
                ASSERT_EQ(ShiftComesBack(input, delta), really) << Hex(input) << " delta " << delta;
                if (delta == -2 && !really) {
                    encryptionFailures.push_back(Hex(input));
                }
                if (delta == 2) {
                    ASSERT_EQ(really, !decryptionCannotUndo(input)) << Hex(input);
                }
            }
        }
        if (delta == -2) {
            EXPECT_EQ(encryptionFailures, (std::vector<std::string>{"81 00 ", "81 01 "}));
        }
    }
}

TEST(ShiftComesBack, AgreesWithTheRoundTripForOtherDeltas)
{
    for (int delta : {0, 1, -1, 3, -3, 126, 127, 128, -128, -129, 255, -255, 256, 300, -40000, 65536,
                      INT_MAX, INT_MIN + 1}) {
        for (int a = 0; a < 256; ++a) {
            for (int b = 0; b < 256; b += (a >= 0x7E && a <= 0x82) ? 1 : 7) {
                const std::string two = Bytes({a, b});
                ASSERT_EQ(ShiftComesBack(two, delta), ReallyComesBack(two, delta))
                    << Hex(two) << " delta " << delta;
            }
        }
    }
}

// Random texts long enough to take the bulk paths, built from the byte values
// where the cut and the carries are decided, and from whole-block runs.
std::string RandomText(std::mt19937& random)
{
    static const std::vector<int> edges = {0x00, 0x01, 0x02, 0x0A, 0x0D, 0x3F, 0x40, 0x41, 0x7E, 0x7F,
                                           0x80, 0x81, 0x82, 0xA1, 0xD6, 0xFD, 0xFE, 0xFF};
    std::string text;
    const int pieces = std::uniform_int_distribution<int>(0, 12)(random);
    for (int p = 0; p < pieces; ++p) {
        switch (std::uniform_int_distribution<int>(0, 3)(random)) {
        case 0:
            text += std::string(std::uniform_int_distribution<int>(1, 70)(random), 'a' + p);
            break;
        case 1:
            for (int k = std::uniform_int_distribution<int>(1, 40)(random); k > 0; --k) {
                text += "\xD6\xD0";
            }
            break;
        case 2:
            text += static_cast<char>(edges[random() % edges.size()]);
            break;
        default:
            text += static_cast<char>(random() & 0xFF);
            break;
        }
    }
    return text;
}

std::vector<quilvane::detail::Kernel> Kernels()
{
    std::vector<quilvane::detail::Kernel> kernels;
    for (auto kernel : {quilvane::detail::Kernel::Portable, quilvane::detail::Kernel::Avx2}) {
        if (quilvane::detail::KernelAvailable(kernel)) {
            kernels.push_back(kernel);
        }
    }
    return kernels;
}

// Every kernel, and the in-place form, gives exactly what the plain loop
// gives, and the check is exact.
void ExpectAllFormsAgree(const std::string& text, int delta)
{
    using namespace quilvane::detail;
    const std::string expected = ReferenceShift(text, delta);
    const bool comesBack = ReferenceShift(expected, -delta) == text;
    for (Kernel kernel : Kernels()) {
        std::string copied;
        ShiftTextUsing(kernel, text, delta, copied);
        ASSERT_EQ(Hex(copied), Hex(expected)) << "kernel " << int(kernel) << " delta " << delta << " on " << Hex(text);
        std::string inPlace = text;
        ShiftInPlaceUsing(kernel, inPlace, delta, {});
        ASSERT_EQ(Hex(inPlace), Hex(expected)) << "in place, kernel " << int(kernel) << " on " << Hex(text);
        ASSERT_EQ(ShiftComesBackUsing(kernel, text, delta, {}), comesBack)
            << "kernel " << int(kernel) << " delta " << delta << " on " << Hex(text);
        std::string checked = text;
        ASSERT_EQ(ShiftInPlaceIfComesBackUsing(kernel, checked, delta, {}), comesBack) << Hex(text);
        ASSERT_EQ(Hex(checked), Hex(comesBack ? expected : text)) << "checked in place, on " << Hex(text);

        std::vector<bool> starts;
        const bool keepsLength = ReferenceKeepsLength(text, delta, &starts);

        const ShiftCheck check = CheckShiftUsing(kernel, text, delta, {});
        ASSERT_EQ(check.comesBack, comesBack) << "kernel " << int(kernel) << " delta " << delta << " on " << Hex(text);
        // In two parts at once, split from the middle on, the verdict is the same.
        const ShiftCheck inParts = CheckShiftInPartsUsing(kernel, text, delta, {});
        ASSERT_EQ(inParts.comesBack, comesBack) << "in parts, delta " << delta << " on " << Hex(text);
        if (comesBack) {
            ASSERT_EQ(inParts.keepsLength, check.keepsLength) << "in parts, delta " << delta << " on " << Hex(text);
        }
        const std::size_t boundary = PartBoundary(text, text.size() / 2);
        ASSERT_TRUE(boundary == std::string::npos || starts[boundary]) << "a part starts inside a character";
        if (!comesBack || !keepsLength) {
            continue;  // the check stops at the first character that does not come back
        }
        ASSERT_TRUE(check.keepsLength) << "delta " << delta << " on " << Hex(text);
        // Stretch by stretch, each ending on a character boundary, gives the
        // whole shift; the same stretches shifted back give the text.
        for (std::size_t want : {std::size_t{1}, std::size_t{13}, std::size_t{64}, std::size_t{100}}) {
            std::string stretched = text;
            std::vector<std::size_t> ends;
            for (std::size_t at = 0; at < text.size();) {
                at = ShiftStretchInPlaceUsing(kernel, stretched.data(), stretched.size(), at, want, delta);
                ASSERT_TRUE(starts[at]) << "stretch ends inside a character at " << at << " of " << Hex(text);
                ends.push_back(at);
            }
            ASSERT_EQ(Hex(stretched), Hex(expected)) << "stretches of " << want << ", kernel " << int(kernel);
            std::size_t from = 0;
            for (const std::size_t end : ends) {
                ASSERT_EQ(ShiftStretchInPlaceUsing(kernel, stretched.data(), stretched.size(), from, end - from, -delta),
                          end);
                from = end;
            }
            ASSERT_EQ(Hex(stretched), Hex(text)) << "shifted back by stretches of " << want;
        }
    }
    if (comesBack) {
        EXPECT_EQ(quilvane::CheckShift(text, delta).keepsLength, ReferenceKeepsLength(text, delta)) << Hex(text);
    }
}

TEST(ShiftText, AllKernelsMatchThePlainLoopOnRandomTexts)
{
    std::mt19937 random(20261210);
    for (int round = 0; round < 20000; ++round) {
        const std::string text = RandomText(random);
        for (int delta : {-2, 2}) {
            ExpectAllFormsAgree(text, delta);
        }
    }
}

TEST(ShiftText, AllKernelsMatchThePlainLoopOnRandomBytesAndDeltas)
{
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 400, '\0');
        for (char& c : text) {
            c = static_cast<char>(random());
        }
        const int delta = round % 3 == 0 ? static_cast<int>(random() % 600) - 300 : (round % 2 ? 2 : -2);
        ExpectAllFormsAgree(text, delta);
    }
}

// The bytes where a window's work is decided, placed at every offset around
// the 64-byte window edges of a long plain text.
TEST(ShiftText, AllKernelsMatchThePlainLoopAtWindowEdges)
{
    const std::string base = std::string(40, 'x') + std::string(60, '\xB0');  // ASCII, then hanzi lead/trail bytes
    for (const std::string& special : {Bytes({0x00}), Bytes({0x01}), Bytes({0x7F}), Bytes({0x80}), Bytes({0xFE}),
                                      Bytes({0xFF}), Bytes({0x81, 0x00}), Bytes({0xD6}), Bytes({0x81, 0x40})}) {
        for (std::size_t at = 50; at < 140; ++at) {
            std::string text = base + base + base;
            text.replace(at, special.size(), special);
            for (int delta : {-2, 2}) {
                ExpectAllFormsAgree(text, delta);
                ExpectAllFormsAgree(text.substr(0, at + special.size()), delta);  // ending at the special
            }
        }
    }
}

TEST(ShiftText, TrailBitsFollowTheCut)
{
    const auto naive = [](std::uint64_t high) {
        std::uint64_t trails = 0;
        bool pending = false;
        for (int i = 0; i < 64; ++i) {
            if (pending) {
                trails |= std::uint64_t{1} << i;
                pending = false;
            } else if ((high >> i) & 1) {
                pending = true;
            }
        }
        return trails;
    };
    std::mt19937_64 random(3);
    for (int round = 0; round < 200000; ++round) {
        // Masks with long runs as well as scattered bits.
        std::uint64_t high = random();
        if (round % 3 == 0) {
            high |= random();
        } else if (round % 3 == 1) {
            high &= random();
        }
        ASSERT_EQ(quilvane::detail::TrailBits(high), naive(high)) << std::hex << high;
    }
    for (std::uint64_t high : {std::uint64_t{0}, ~std::uint64_t{0}, std::uint64_t{1} << 63, std::uint64_t{1}}) {
        EXPECT_EQ(quilvane::detail::TrailBits(high), naive(high)) << std::hex << high;
    }
}

TEST(ShiftText, AnInPlaceShiftThatChangesTheLengthRebuildsTheRest)
{
    std::string text = std::string(100, 'A') + Bytes({0x00}) + std::string(100, 'B');
    quilvane::ShiftInPlace(text, -2);
    EXPECT_EQ(text, std::string(100, '?') + Bytes({0xFF, 0xFE}) + std::string(100, '@'));
}

}  // namespace
