#include "password/PasswordRules.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using quilvane::AcceptPassword;
using quilvane::ZoneValue;

namespace {

struct ZoneCase {
    std::string text;
    std::optional<int> value;  // nullopt: does not fit 16 bits

    friend void PrintTo(const ZoneCase& c, std::ostream* os) { *os << "'" << c.text << "'"; }
};

class ZoneReading : public testing::TestWithParam<ZoneCase> {};

TEST_P(ZoneReading, TakesTheNumberTheTextBeginsWith)
{
    const auto value = ZoneValue(GetParam().text);
    if (GetParam().value) {
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(*value, *GetParam().value);
    } else {
        EXPECT_FALSE(value.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ZoneReading,
    testing::Values(ZoneCase{"", 0}, ZoneCase{"3", 3}, ZoneCase{" 3", 3}, ZoneCase{"\t\n5", 5},
                    ZoneCase{"4x", 4}, ZoneCase{"x", 0}, ZoneCase{"*", 0}, ZoneCase{"1 2", 12},
                    ZoneCase{"24 and 57", 24}, ZoneCase{"+4", 4}, ZoneCase{"-1", -1},
                    // halves go to the even neighbour
                    ZoneCase{"0.5", 0}, ZoneCase{"1.5", 2}, ZoneCase{"2.5", 2}, ZoneCase{"3.5", 4},
                    ZoneCase{"2.51", 3}, ZoneCase{".5", 0}, ZoneCase{"5.", 5}, ZoneCase{".", 0},
                    ZoneCase{"1e1", 10}, ZoneCase{"1D1", 10}, ZoneCase{"3e", 3}, ZoneCase{"1e-400", 0},
                    ZoneCase{"\xEF\xBC\x93", 0},  // a full-width 3 is not a digit
                    ZoneCase{"32767", 32767}, ZoneCase{"-32768", -32768}, ZoneCase{"32767.5", std::nullopt},
                    ZoneCase{"99999", std::nullopt}, ZoneCase{"1e400", std::nullopt},
                    ZoneCase{"-40000", std::nullopt}));

std::optional<int> KeyDigitOf(std::array<std::string_view, 5> zones)
{
    const auto accepted = AcceptPassword(zones);
    return accepted ? std::optional<int>(accepted->keyDigit) : std::nullopt;
}

TEST(AcceptPassword, ZoneCChoosesTheKeyDigit)
{
    EXPECT_EQ(KeyDigitOf({"1", "2", "3", "4", "5"}), 6);  // C = 3 gives the constant six
    EXPECT_EQ(KeyDigitOf({"5", "5", "1", "5", "5"}), 5);  // C = 1 gives A
    EXPECT_EQ(KeyDigitOf({"3", "4", "1", "2", "5"}), 3);
    EXPECT_EQ(KeyDigitOf({"3", "4", "2", "2", "5"}), 4);  // C = 2 gives B
    EXPECT_EQ(KeyDigitOf({"3", "4", "3", "2", "5"}), 6);
    EXPECT_EQ(KeyDigitOf({"3", "4", "4", "2", "5"}), 2);  // C = 4 gives D
    EXPECT_EQ(KeyDigitOf({"3", "4", "5", "2", "1"}), 1);  // C = 5 gives E
}

TEST(AcceptPassword, ReportsTheDigitsInZoneOrder)
{
    const auto accepted = AcceptPassword({"3", "1", "4", "1", "5"});
    ASSERT_TRUE(accepted.has_value());
    EXPECT_EQ(accepted->digits(), "31415");
}

TEST(AcceptPassword, AcceptsTextsThatReadAsADigitFromOneToFive)
{
    const auto accepted = AcceptPassword({" 3", "2.5", "4x", "1", "5 "});
    ASSERT_TRUE(accepted.has_value());
    EXPECT_EQ(accepted->digits(), "32415");
}

TEST(AcceptPassword, RejectsABadValueInAnyZone)
{
    for (std::string_view bad : {"", "0", "6", "a", "-1", "5.5", "99999", "1e9"}) {
        for (std::size_t zone = 0; zone < 5; ++zone) {
            std::array<std::string_view, 5> zones = {"1", "2", "3", "4", "5"};
            zones[zone] = bad;
            EXPECT_FALSE(AcceptPassword(zones).has_value()) << "zone " << zone << " holds '" << bad << "'";
        }
    }
}

}  // namespace
