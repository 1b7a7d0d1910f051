// Fuzz target for the key-file reader, ParseKeyShift.
//
// Every input is read twice:
//   1. as it is, as if it were the whole content of temp.jxv;
//   2. behind a genuine key-file line, KeyFileContent(d) + input, where d is
//      a key digit 1..6 (first byte below 0xC0: d = 1 + byte % 6, the rest
//      is the tail) or any 16-bit number (first byte 0xC0 and up: bytes 1..2,
//      little end first; the tail starts at byte 3).
//
// Checked:
//   - the reader never crashes (AddressSanitizer, UBSan);
//   - a content error is TooFewFields or NotANumber, names the path it was
//     given and carries no system error;
//   - for content whose first two fields hold no quote and no line break,
//     only what plainly follows from "the second comma-separated field is the
//     shift": no comma at all means too few fields; an empty second field is
//     an error; a second field that is a plain decimal number (blanks around
//     it, at most one sign, digits) gives that number when it fits in 16
//     bits and NotANumber when it does not. Other spellings are left alone;
//   - a key-file line followed by anything reads as shift 2, whatever the
//     digit stored, and the line itself is header, number, blank, CR LF.
// Any failure prints what differed and aborts, which libFuzzer reports as a
// crash and keeps the input.

#include "password/KeyFile.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

using quilvane::KeyFileError;
using quilvane::KeyShift;

const std::filesystem::path& FuzzPath()
{
    static const std::filesystem::path path = "fuzz-dir/temp.jxv";
    return path;
}

void PrintHex(const char* label, std::string_view bytes)
{
    std::fprintf(stderr, "%s (%zu bytes):", label, bytes.size());
    const std::size_t shown = bytes.size() < 256 ? bytes.size() : 256;
    for (std::size_t i = 0; i < shown; ++i) {
        std::fprintf(stderr, " %02X", static_cast<unsigned char>(bytes[i]));
    }
    std::fprintf(stderr, "%s\n", shown < bytes.size() ? " ..." : "");
}

const char* KindName(const KeyShift& result)
{
    if (!result.error) {
        return "no error";
    }
    switch (result.error->kind) {
    case KeyFileError::Kind::CannotWrite:
        return "CannotWrite";
    case KeyFileError::Kind::CannotRead:
        return "CannotRead";
    case KeyFileError::Kind::TooFewFields:
        return "TooFewFields";
    case KeyFileError::Kind::NotANumber:
        return "NotANumber";
    }
    return "unknown kind";
}

[[noreturn]] void Fail(const char* what, std::string_view content, const KeyShift& result)
{
    std::fprintf(stderr, "\n*** key file fuzz: %s\nresult: %s, shift %d\n", what, KindName(result),
                 static_cast<int>(result.shift));
    PrintHex("content", content);
    std::abort();
}

void CheckErrorShape(std::string_view content, const KeyShift& result)
{
    if (!result.error) {
        return;
    }
    const auto kind = result.error->kind;
    if (kind != KeyFileError::Kind::TooFewFields && kind != KeyFileError::Kind::NotANumber) {
        Fail("reading content in memory gave a file-system error kind", content, result);
    }
    if (result.error->path != FuzzPath()) {
        Fail("the error does not name the path it was given", content, result);
    }
    if (result.error->systemError) {
        Fail("a content error carries a system error", content, result);
    }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// What the content must read as, when its first two fields contain neither a
// quote nor a line break; see the list at the top.
void CheckPlainLine(std::string_view content, const KeyShift& result)
{
    constexpr auto npos = std::string_view::npos;
    const std::size_t firstComma = content.find(',');
    const std::size_t secondComma = firstComma == npos ? npos : content.find(',', firstComma + 1);
    const std::string_view read = content.substr(0, secondComma);
    if (read.find_first_of("\"\r\n") != npos) {
        return;
    }
    if (firstComma == npos) {
        if (!result.error || result.error->kind != KeyFileError::Kind::TooFewFields) {
            Fail("a line without a comma is not reported as too few fields", content, result);
        }
        return;
    }
    std::string_view field = read.substr(firstComma + 1);
    while (!field.empty() && IsBlank(field.front())) {
        field.remove_prefix(1);
    }
    while (!field.empty() && IsBlank(field.back())) {
        field.remove_suffix(1);
    }
    if (field.empty()) {
        if (!result.error) {
            Fail("an empty second field was read as a shift", content, result);
        }
        return;
    }

    bool negative = false;
    std::string_view digits = field;
    if (digits.front() == '+' || digits.front() == '-') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) {
        return;
    }
    std::int64_t magnitude = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return;  // not a plain decimal number: no claim
        }
        if (magnitude <= 1'000'000) {  // far beyond 16 bits already; stop growing
            magnitude = magnitude * 10 + (c - '0');
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value >= INT16_MIN && value <= INT16_MAX) {
        if (result.error || result.shift != value) {
            std::fprintf(stderr, "expected shift %lld\n", static_cast<long long>(value));
            Fail("a plain 16-bit number in the second field was not read as that shift", content, result);
        }
    } else if (!result.error || result.error->kind != KeyFileError::Kind::NotANumber) {
        Fail("a number outside 16 bits in the second field was not NotANumber", content, result);
    }
}

void CheckBehindKeyLine(const std::uint8_t* data, std::size_t size)
{
    std::int16_t digit = 2;
    std::string_view tail;
    const auto all = std::string_view(reinterpret_cast<const char*>(data), size);
    if (size >= 1 && data[0] < 0xC0) {
        digit = static_cast<std::int16_t>(1 + data[0] % 6);
        tail = all.substr(1);
    } else if (size >= 3) {
        digit = static_cast<std::int16_t>(static_cast<std::uint16_t>(data[1] | (data[2] << 8)));
        tail = all.substr(3);
    } else {
        tail = all;
    }

    const std::string line = quilvane::KeyFileContent(digit);
    const std::string expectedLine = std::string(quilvane::kKeyFileHeader) + (digit < 0 ? "" : " ") +
                                     std::to_string(digit) + " \r\n";
    if (line != expectedLine) {
        std::fprintf(stderr, "digit %d\n", static_cast<int>(digit));
        PrintHex("KeyFileContent gives", line);
        PrintHex("expected", expectedLine);
        std::abort();
    }

    const std::string content = line + std::string(tail);
    const KeyShift result = quilvane::ParseKeyShift(content, FuzzPath());
    if (result.error || result.shift != 2) {
        std::fprintf(stderr, "digit %d\n", static_cast<int>(digit));
        Fail("a key-file line followed by more bytes does not read as shift 2", content, result);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto content = std::string_view(reinterpret_cast<const char*>(data), size);
    const KeyShift result = quilvane::ParseKeyShift(content, FuzzPath());
    CheckErrorShape(content, result);
    CheckPlainLine(content, result);

    CheckBehindKeyLine(data, size);
    return 0;
}
