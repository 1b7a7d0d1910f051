// Fuzz target for ShiftText, ShiftTextInto, ShiftInPlace, ShiftInPlaceIfComesBack,
// ShiftComesBack, CheckShift, ShiftStretchInPlace and ShiftStream.
//
// Input layout: the first byte chooses how the shift is read, the rest is the
// text.
//   0x00..0x5F  delta -2 (encryption with the usual key), text from byte 1
//   0x60..0x9F  delta +2 (decryption with the usual key), text from byte 1
//               (0x58..0x5F and 0x98..0x9F: the text is also checked at
//               the ends of output chunks, see below)
//   0xA0..0xBF  delta (byte % 7) - 3, that is -3..3, text from byte 1
//   0xC0..0xDF  delta = bytes 1..2 as a signed 16-bit number (little end
//               first), text from byte 3
//   0xE0..0xFF  delta = bytes 1..4 as a signed 32-bit number (little end
//               first), any int but INT_MIN, text from byte 5
// Four fixed bytes cannot both favour small shifts and reach every int, so
// the header is 1, 3 or 5 bytes long. An input too short for the header its
// first byte asks for is all text, shifted by -2.
//
// Checked for every input, for the public functions and for each window
// kernel this processor can run (detail::ShiftTextUsing and the others):
//   - ShiftText, ShiftTextInto (into a reused, non-empty string) and
//     ShiftInPlace agree byte for byte with a plain character-by-character
//     shift written here from the rules in ShiftText.hpp;
//   - ShiftComesBack(text, d) == (ShiftText(ShiftText(text, d), -d) == text),
//     and CheckShift says the same; where it also says every character keeps
//     its length, ShiftStretchInPlace stretch by stretch gives the shift and
//     the stretch shifted back gives the text;
//   - with k characters in the text, the result has between k and 2k bytes
//     (each character of 1 or 2 bytes becomes 1 or 2 bytes), so between
//     0 and twice the input's length.
// ShiftTextInto stages its output in chunks of some kilobytes (8 KiB at
// present), which short inputs never fill. Where the first byte asks for it,
// a text of up to 64 bytes is also placed, between lone 'A's, across each
// multiple of 4 KiB up to 12 KiB, and that long text shifted by each
// kernel's ShiftTextUsing is compared with the plain shift. The filler is
// plain under +-2 and goes through the fast windows, so the check costs
// about a millisecond; only some inputs ask for it all the same.
// The stream (ShiftStream) fed the text in stretches of 1, 2, a size taken
// from the input and 4 KiB gives the whole text's bytes and verdict, with
// the final line end kept and taken off.
// Any failure prints what differed and aborts, which libFuzzer reports as a
// crash and keeps the input.

#include "transform/ShiftStream.hpp"
#include "transform/ShiftText.hpp"

#include <algorithm>
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
    bool repeat = false;
    std::string_view fuzzed = {};  // for a text built around the input: that input's text
};

Case ReadCase(const Byte* data, std::size_t size)
{
    const auto all = std::string_view(reinterpret_cast<const char*>(data), size);
    if (size == 0) {
        return {-2, all};
    }
    const Byte mode = data[0];
    if (mode < 0x60) {
        return {-2, all.substr(1), mode >= 0x58};
    }
    if (mode < 0xA0) {
        return {2, all.substr(1), mode >= 0x98};
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
    if (!c.fuzzed.empty()) {
        std::fprintf(stderr, "in the long text built around the input's text\n");
        PrintHex("input's text", c.fuzzed);
    }
    PrintHex("text", c.text);
    std::abort();
}

// Where two results part, with some bytes of each from a little before.
void PrintDifference(std::string_view got, std::string_view expected)
{
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) {
        ++at;
    }
    const std::size_t from = at < 8 ? 0 : at - 8;
    std::fprintf(stderr, "results part at byte %zu (of %zu and %zu); from byte %zu:\n", at, got.size(),
                 expected.size(), from);
    PrintHex("  gives", got.substr(std::min(from, got.size()), 32));
    PrintHex("  character by character", expected.substr(std::min(from, expected.size()), 32));
}

void CheckShifted(const char* who, const std::string& got, const std::string& expected, const Case& c)
{
    if (got != expected) {
        std::fprintf(stderr, "\n%s:\n", who);
        PrintDifference(got, expected);
        Fail("a shift differs from the character-by-character shift", c);
    }
}

void CheckComesBack(const char* who, bool said, bool comesBack, const Case& c)
{
    if (said != comesBack) {
        std::fprintf(stderr, "\n%s\n", who);
        Fail(comesBack ? "ShiftComesBack says false, but the round trip gives the text back"
                       : "ShiftComesBack says true, but the round trip changes the text",
             c);
    }
}

void CheckText(const Case& c)
{
    using quilvane::detail::Kernel;

    const std::string expected = PlainShift(c.text, c.delta);
    const std::string shifted = quilvane::ShiftText(c.text, c.delta);
    CheckShifted("ShiftText", shifted, expected, c);

    const std::size_t characters = CharacterCount(c.text);
    if (shifted.size() < characters || shifted.size() > 2 * characters || shifted.size() > 2 * c.text.size()) {
        PrintHex("ShiftText gives", shifted);
        Fail("result length outside [characters, 2 * characters]", c);
    }

    // The real routine, not the plain one, decides the round trip: that is
    // what ShiftComesBack promises about.
    const bool comesBack = quilvane::ShiftText(shifted, -c.delta) == c.text;
    CheckComesBack("ShiftComesBack", quilvane::ShiftComesBack(c.text, c.delta), comesBack, c);

    // A string kept from earlier inputs: its old content and capacity must
    // not leak into the result.
    static std::string reused = "left over from an earlier input";
    quilvane::ShiftTextInto(c.text, c.delta, reused);
    CheckShifted("ShiftTextInto", reused, expected, c);

    std::string inPlace(c.text);
    quilvane::ShiftInPlace(inPlace, c.delta);
    CheckShifted("ShiftInPlace", inPlace, expected, c);

    for (const Kernel kernel : {Kernel::Portable, Kernel::Avx2}) {
        if (!quilvane::detail::KernelAvailable(kernel)) {
            continue;
        }
        const bool portable = kernel == Kernel::Portable;
        quilvane::detail::ShiftTextUsing(kernel, c.text, c.delta, reused);
        CheckShifted(portable ? "ShiftTextUsing(Portable)" : "ShiftTextUsing(Avx2)", reused, expected, c);

        std::string kernelInPlace(c.text);
        quilvane::detail::ShiftInPlaceUsing(kernel, kernelInPlace, c.delta, {});
        CheckShifted(portable ? "ShiftInPlaceUsing(Portable)" : "ShiftInPlaceUsing(Avx2)", kernelInPlace,
                     expected, c);

        CheckComesBack(portable ? "ShiftComesBackUsing(Portable)" : "ShiftComesBackUsing(Avx2)",
                       quilvane::detail::ShiftComesBackUsing(kernel, c.text, c.delta, {}), comesBack, c);

        // Shifted only when it comes back; otherwise left exactly as it was.
        std::string checked(c.text);
        const bool shiftedIfBack = quilvane::detail::ShiftInPlaceIfComesBackUsing(kernel, checked, c.delta, {});
        CheckComesBack(portable ? "ShiftInPlaceIfComesBackUsing(Portable)" : "ShiftInPlaceIfComesBackUsing(Avx2)",
                       shiftedIfBack, comesBack, c);
        CheckShifted(portable ? "ShiftInPlaceIfComesBackUsing(Portable) text" : "ShiftInPlaceIfComesBackUsing(Avx2) text",
                     checked, comesBack ? expected : std::string(c.text), c);

        // Where every character keeps its length, stretches of any size give
        // the whole shift, and the shift back gives the text.
        const quilvane::ShiftCheck check = quilvane::detail::CheckShiftUsing(kernel, c.text, c.delta, {});
        CheckComesBack(portable ? "CheckShiftUsing(Portable)" : "CheckShiftUsing(Avx2)", check.comesBack, comesBack, c);
        if (check.comesBack && check.keepsLength) {
            std::string stretched(c.text);
            const std::size_t want = 1 + c.text.size() % 7;
            for (std::size_t at = 0; at < stretched.size();) {
                at = quilvane::detail::ShiftStretchInPlaceUsing(kernel, stretched.data(), stretched.size(), at, want,
                                                                c.delta);
            }
            CheckShifted(portable ? "ShiftStretchInPlaceUsing(Portable)" : "ShiftStretchInPlaceUsing(Avx2)", stretched,
                         expected, c);
            quilvane::detail::ShiftStretchInPlaceUsing(kernel, stretched.data(), stretched.size(), 0, stretched.size(),
                                                       -c.delta);
            CheckShifted(portable ? "ShiftStretchInPlaceUsing(Portable) back" : "ShiftStretchInPlaceUsing(Avx2) back",
                         stretched, std::string(c.text), c);
        }
    }
}

// The text read a stretch at a time, as a file is: the same bytes and the
// same verdict as the whole text, for stretches of a few sizes, with and
// without the final line end taken off.
void CheckStreamed(const Case& c)
{
    for (const bool drop : {false, true}) {
        std::string_view whole = c.text;
        if (drop && whole.ends_with("\r\n")) {
            whole.remove_suffix(2);
        }
        const bool comesBack = quilvane::ShiftComesBack(whole, c.delta);
        const std::string expected = comesBack ? quilvane::ShiftText(whole, c.delta) : std::string();
        for (const std::size_t stretch : {std::size_t{1}, std::size_t{2}, 1 + c.text.size() % 13, std::size_t{4096}}) {
            quilvane::ShiftStream stream({c.delta, true, drop, stretch});
            std::string out;
            for (std::size_t at = 0; at < c.text.size() && !stream.refused();) {
                const std::size_t got = std::min(stretch, c.text.size() - at);
                std::copy_n(c.text.data() + at, got, stream.room());
                out += stream.take(got);
                at += got;
            }
            out += stream.finish();
            if (stream.refused() == comesBack || (comesBack && out != expected)) {
                std::fprintf(stderr, "\nShiftStream, stretch %zu, line end %s\n", stretch, drop ? "dropped" : "kept");
                PrintHex("gives", out);
                Fail(stream.refused() == comesBack ? "the stream's verdict differs from the whole text's"
                                                   : "the stream's bytes differ from the whole text's",
                     c);
            }
        }
    }
}

void CheckLongText(const Case& c)
{
    using quilvane::detail::Kernel;

    const std::string expected = PlainShift(c.text, c.delta);
    for (const Kernel kernel : {Kernel::Portable, Kernel::Avx2}) {
        if (quilvane::detail::KernelAvailable(kernel)) {
            std::string out;
            quilvane::detail::ShiftTextUsing(kernel, c.text, c.delta, out);
            CheckShifted(kernel == Kernel::Portable ? "ShiftTextUsing(Portable)" : "ShiftTextUsing(Avx2)", out,
                         expected, c);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Case c = ReadCase(data, size);
    CheckText(c);
    CheckStreamed(c);

    if (c.repeat && !c.text.empty() && c.text.size() <= 64) {
        std::string longText;
        for (std::size_t boundary = 4096; boundary <= 3 * 4096; boundary += 4096) {
            longText.append(boundary - c.text.size() / 2 - longText.size(), 'A');
            longText += c.text;
        }
        longText.append(100, 'A');
        CheckLongText(Case{c.delta, longText, false, c.text});
    }
    return 0;
}
