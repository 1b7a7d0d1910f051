#pragma once

// What the crash tests of both platforms share.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace quilvane::testing {

// A content whose every stretch says where it came from.
inline std::string Pattern(std::size_t size, char first)
{
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>(first + i % 23);
    }
    return text;
}

// The moments of the kills come from a seed that is printed and recorded,
// so that a failure can be replayed with QUILVANE_CRASH_SEED.
inline std::uint32_t CrashSeed()
{
    const char* seedText = std::getenv("QUILVANE_CRASH_SEED");
    const std::uint32_t seed = seedText ? static_cast<std::uint32_t>(std::strtoul(seedText, nullptr, 10))
                                        : std::random_device{}();
    std::printf("crash test seed %u (replay with QUILVANE_CRASH_SEED=%u)\n", seed, seed);
    ::testing::Test::RecordProperty("seed", std::to_string(seed));
    return seed;
}

}  // namespace quilvane::testing
