// A process killed at any instant while it replaces a file leaves the file
// holding the old content or the new one, never a mix, never nothing.
#include "platform/DocumentFile.hpp"

#include "../handlers/ScriptedView.hpp"
#include "CrashTestSupport.hpp"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <random>
#include <thread>

namespace quilvane::testing {
namespace {

TEST(CrashSafety, AKilledWriteLeavesTheOldOrTheNewContent)
{
    const std::uint32_t seed = CrashSeed();
    std::mt19937 random(seed);

    TemporaryDirectory dir;
    const auto target = dir / "large.txt";
    // Two contents of different sizes, so that any mix of them shows; large
    // and of odd sizes, so that they take the direct road to the disk and
    // its unaligned end.
    tuning::SetDirectWritesFrom(32u << 20);
    const std::string first = Pattern((40u << 20) + 123, 'a');
    const std::string second = Pattern((33u << 20) + 7, 'A');
    WriteBytes(target, first);

    constexpr int kKills = 60;
    int sawFirst = 0;
    int sawSecond = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned round = 0;; ++round) {
                (void)ReplaceFileContent(target, round % 2 ? first : second);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 120'000));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);

        const std::string now = ReadBytes(target);
        const bool isFirst = now == first;
        const bool isSecond = now == second;
        ASSERT_TRUE(isFirst || isSecond) << "after kill " << kill << " the file holds " << now.size()
                                         << " bytes of neither content (seed " << seed << ")";
        sawFirst += isFirst;
        sawSecond += isSecond;
    }
    std::printf("%d kills survived: %d times the one content, %d times the other\n", kKills, sawFirst, sawSecond);

    // What a kill leaves behind is a hidden temporary file, nothing else.
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name != "large.txt") {
            EXPECT_TRUE(name.starts_with(".quilvane-") && name.ends_with(".tmp")) << name;
        }
    }
    tuning::ResetDirectWritesFrom();
}

}  // namespace
}  // namespace quilvane::testing
