#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quilvane {

// The value of one password zone box: the number its text begins with
// (blanks, tabs and line feeds ignored; no number gives 0), rounded to the
// nearest whole number, halves to the even one. nullopt when that does not
// fit a signed 16-bit number. The text is UTF-8.
std::optional<std::int16_t> ZoneValue(std::string_view text);

// The five zones A..E of one password panel.
using PasswordZones = std::array<std::int16_t, 5>;

struct AcceptedPassword {
    PasswordZones zones;
    std::int16_t keyDigit;  // 1..6, chosen by zone C

    // The five digits in zone order, as the confirmation messages show them.
    std::string digits() const;
};

// Reads and checks the five zone texts A..E: accepted only when every zone
// is a whole number 1..5. A zone whose number does not fit is a rejection.
std::optional<AcceptedPassword> AcceptPassword(const std::array<std::string_view, 5>& zoneTexts);

}  // namespace quilvane
