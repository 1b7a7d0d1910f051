#include "password/PasswordRules.hpp"

#include <charconv>
#include <cmath>
#include <limits>

namespace quilvane {
namespace {

bool IsIgnoredBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The longest prefix of `text` (blanks already removed) that forms a number:
// digits, an optional fraction, an optional exponent (E or D). The sign is
// handled by the caller. Returned with the exponent letter normalised to 'e'.
std::string NumberPrefix(std::string_view text)
{
    std::string number;
    std::size_t i = 0;
    while (i < text.size() && IsDigit(text[i])) {
        number += text[i++];
    }
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        while (i < text.size() && IsDigit(text[i])) {
            number += text[i++];
        }
    }
    const bool hasMantissaDigit = number.find_first_of("0123456789") != std::string::npos;
    if (!hasMantissaDigit) {
        return {};
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            exponent += text[j++];
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                exponent += text[j++];
            }
            number += exponent;
        }
    }
    return number;
}

}  // namespace

std::optional<std::int16_t> ZoneValue(std::string_view text)
{
    std::string compact;
    for (char c : text) {
        if (!IsIgnoredBlank(c)) {
            compact += c;
        }
    }
    std::string_view rest = compact;
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    const std::string number = NumberPrefix(rest);
    if (number.empty()) {
        return 0;
    }

    double magnitude = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), magnitude);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Too small to tell from zero rounds to 0; too large cannot fit.
        if (number.find("e-") != std::string::npos) {
            return 0;
        }
        return std::nullopt;
    }
    if (error != std::errc{}) {
        return 0;
    }

    // nearbyint rounds halves to the even neighbour in the default mode.
    const double rounded = std::nearbyint(negative ? -magnitude : magnitude);
    if (!(rounded >= std::numeric_limits<std::int16_t>::min() &&
          rounded <= std::numeric_limits<std::int16_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(rounded);
}

std::string AcceptedPassword::digits() const
{
    std::string text;
    for (std::int16_t zone : zones) {
        text += std::to_string(zone);
    }
    return text;
}

std::optional<AcceptedPassword> AcceptPassword(const std::array<std::string_view, 5>& zoneTexts)
{
    PasswordZones zones{};
    for (std::size_t i = 0; i < zoneTexts.size(); ++i) {
        const auto value = ZoneValue(zoneTexts[i]);
        if (!value || *value < 1 || *value > 5) {
            return std::nullopt;
        }
        zones[i] = *value;
    }

    enum Zone { A, B, C, D, E };
    std::int16_t keyDigit = 0;
    switch (zones[C]) {
    case 1: keyDigit = zones[A]; break;
    case 2: keyDigit = zones[B]; break;
    case 3: keyDigit = 6; break;  // the constant six, not C itself
    case 4: keyDigit = zones[D]; break;
    default: keyDigit = zones[E]; break;  // C is 5
    }
    return AcceptedPassword{zones, keyDigit};
}

}  // namespace quilvane
