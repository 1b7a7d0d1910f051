// Fuzz target for ShiftText / ShiftTextInto / ShiftComesBack.
//
// Input layout: the first byte chooses how the shift is read, the rest is the
// text.
//   0x00..0x5F  delta -2 (encryption with the usual key), text from byte 1
//   0x60..0x9F  delta +2 (decryption with the usual key), text from byte 1
//   0xA0..0xBF  delta (byte % 7) - 3, that is -3..3, text from byte 1
//   0xC0..0xDF  delta = bytes 1..2 as a signed 16-bit number (little end
//               first), text from byte 3
//   0xE0..0xFF  delta = bytes 1..4 as a signed 32-bit number (little end
//               first), any int but INT_MIN, text from byte 5
// Four fixed bytes cannot both favour small shifts and reach every int, so
// the header is 1, 3 or 5 bytes long. An input too short for the header its
// first byte asks for is all text, shifted by -2.
//
// Checked for every input:
//   - ShiftComesBack(text, d) == (ShiftText(ShiftText(text, d), -d) == text);
//   - ShiftText agrees byte for byte with a plain character-by-character
//     shift written here from the rules in ShiftText.hpp;
//   - ShiftTextInto into a reused, non-empty string gives the same bytes;
//   - with k characters in the text, the result has between k and 2k bytes
//     (each character of 1 or 2 bytes becomes 1 or 2 bytes), so between
//     0 and twice the input's length.
// Any failure prints what differed and aborts, which libFuzzer reports as a
// crash and keeps the input.

#include "transform/ShiftText.hpp"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using Byte = unsigned char;

struct Case {
    int delta = -2;
    std::string_view text;
};

Case ReadCase(const Byte* data, std::size_t size)
{
    const auto all = std::string_view(reinterpret_cast<const char*>(data), size);
    if (size == 0) {
        return {-2, all};
    }
    const Byte mode = data[0];
    if (mode < 0x60) {
        return {-2, all.substr(1)};
    }
    if (mode < 0xA0) {
        return {2, all.substr(1)};
    }
    if (mode < 0xC0) {
        return {static_cast<int>(mode % 7) - 3, all.substr(1)};
    }
    if (mode < 0xE0) {
        if (size < 3) {
            return {-2, all};
        }
        const auto raw = static_cast<std::uint16_t>(data[1] | (data[2] << 8));
        return {static_cast<std::int16_t>(raw), all.substr(3)};
    }
    if (size < 5) {
        return {-2, all};
    }
    const std::uint32_t raw = static_cast<std::uint32_t>(data[1]) | (static_cast<std::uint32_t>(data[2]) << 8) |
                              (static_cast<std::uint32_t>(data[3]) << 16) |
                              (static_cast<std::uint32_t>(data[4]) << 24);
    auto delta = static_cast<std::int32_t>(raw);
    if (delta == INT_MIN) {
        delta = INT_MAX;  // -INT_MIN does not exist; the far end stays reachable
    }
    return {delta, all.substr(5)};
}

// The shift spelled out one character at a time, straight from the rules in
// ShiftText.hpp, with none of the block shortcuts of the real one.
std::string PlainShift(std::string_view text, int delta)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<Byte>(text[i]);
        std::int64_t code = lead;
        if (lead >= 0x81 && i + 1 < text.size()) {
            const auto trail = static_cast<Byte>(text[i + 1]);
            const auto pair = static_cast<std::uint16_t>(lead * 256 + trail);
            code = static_cast<std::int16_t>(pair);
            i += 2;
        } else {
            i += 1;
        }
        const std::int64_t sum = code + delta;
        if (sum >= 0 && sum <= 255) {
            out += static_cast<char>(static_cast<Byte>(sum));
        } else {
            const std::int64_t wrapped = ((sum % 65536) + 65536) % 65536;
            out += static_cast<char>(static_cast<Byte>(wrapped / 256));
            out += static_cast<char>(static_cast<Byte>(wrapped % 256));
        }
    }
    return out;
}

std::size_t CharacterCount(std::string_view text)
{
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        i += (static_cast<Byte>(text[i]) >= 0x81 && i + 1 < text.size()) ? 2 : 1;
        ++count;
    }
    return count;
}

void PrintHex(const char* label, std::string_view bytes)
{
    std::fprintf(stderr, "%s (%zu bytes):", label, bytes.size());
    const std::size_t shown = bytes.size() < 256 ? bytes.size() : 256;
    for (std::size_t i = 0; i < shown; ++i) {
        std::fprintf(stderr, " %02X", static_cast<Byte>(bytes[i]));
    }
    std::fprintf(stderr, "%s\n", shown < bytes.size() ? " ..." : "");
}

[[noreturn]] void Fail(const char* what, const Case& c)
{
    std::fprintf(stderr, "\n*** ShiftText fuzz: %s\ndelta = %d\n", what, c.delta);
    PrintHex("text", c.text);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Case c = ReadCase(data, size);

    const std::string shifted = quilvane::ShiftText(c.text, c.delta);

    const std::string expected = PlainShift(c.text, c.delta);
    if (shifted != expected) {
        PrintHex("ShiftText gives", shifted);
        PrintHex("character by character", expected);
        Fail("ShiftText differs from the character-by-character shift", c);
    }

    const std::size_t characters = CharacterCount(c.text);
    if (shifted.size() < characters || shifted.size() > 2 * characters || shifted.size() > 2 * c.text.size()) {
        PrintHex("ShiftText gives", shifted);
        Fail("result length outside [characters, 2 * characters]", c);
    }

    // The real routine, not the plain one, decides the round trip: that is
    // what ShiftComesBack promises about.
    const std::string back = quilvane::ShiftText(shifted, -c.delta);
    const bool comesBack = back == c.text;
    if (quilvane::ShiftComesBack(c.text, c.delta) != comesBack) {
        PrintHex("shifted", shifted);
        PrintHex("shifted back", back);
        Fail(comesBack ? "ShiftComesBack says false, but the round trip gives the text back"
                       : "ShiftComesBack says true, but the round trip changes the text",
             c);
    }

    // A string kept from the previous input: its old content and capacity
    // must not leak into the result.
    static std::string reused = "left over from an earlier input";
    quilvane::ShiftTextInto(c.text, c.delta, reused);
    if (reused != shifted) {
        PrintHex("ShiftText gives", shifted);
        PrintHex("ShiftTextInto gives", reused);
        Fail("ShiftTextInto into a reused string differs from ShiftText", c);
    }
    return 0;
}
