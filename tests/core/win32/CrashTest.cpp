// A process killed (TerminateProcess) at any instant while it replaces a file
// leaves the file holding the old content or the new one, never a mix, never
// nothing. The killed writer is this same test program, started again to run
// only the writing loop below.
#include "platform/DocumentFile.hpp"
#include "platform/PathText.hpp"

#include "../handlers/ScriptedView.hpp"
#include "CrashTestSupport.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <random>

namespace quilvane::testing {
namespace {

constexpr const wchar_t* kTargetVariable = L"QUILVANE_CRASH_TARGET";
constexpr const wchar_t* kReadyVariable = L"QUILVANE_CRASH_READY";

std::wstring Variable(const wchar_t* name)
{
    wchar_t value[1024];
    const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

// Two contents of different, odd sizes, so that any mix of them shows.
const std::string& First()
{
    static const std::string text = Pattern((6u << 20) + 123, 'a');
    return text;
}
const std::string& Second()
{
    static const std::string text = Pattern((5u << 20) + 7, 'A');
    return text;
}

// The writer: replaces the file over and over until it is killed.
TEST(CrashSafetyWriter, WritesUntilKilled)
{
    const std::wstring target = Variable(kTargetVariable);
    if (target.empty()) {
        GTEST_SKIP() << "runs only as the writer the crash test starts and kills";
    }
    const HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, Variable(kReadyVariable).c_str());
    ASSERT_NE(ready, nullptr);
    ::SetEvent(ready);
    for (unsigned round = 0;; ++round) {
        (void)ReplaceFileContent(target, round % 2 ? First() : Second());
    }
}

TEST(CrashSafety, AKilledWriteLeavesTheOldOrTheNewContent)
{
    const std::uint32_t seed = CrashSeed();
    std::mt19937 random(seed);

    TemporaryDirectory dir;
    const auto target = dir / u8"大文件.txt";
    WriteBytes(target, First());

    wchar_t program[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    const std::wstring readyName = L"quilvane-crash-ready-" + std::to_wstring(::GetCurrentProcessId());
    const HANDLE ready = ::CreateEventW(nullptr, FALSE, FALSE, readyName.c_str());
    ASSERT_NE(ready, nullptr);
    ::SetEnvironmentVariableW(kTargetVariable, target.c_str());
    ::SetEnvironmentVariableW(kReadyVariable, readyName.c_str());

    constexpr int kKills = 30;
    int sawFirst = 0;
    int sawSecond = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        std::wstring command = L"\"" + std::wstring(program) + L"\" --gtest_filter=CrashSafetyWriter.*";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        ASSERT_TRUE(::CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                     &child))
            << ::GetLastError();
        ASSERT_EQ(::WaitForSingleObject(ready, 60'000), WAIT_OBJECT_0) << "the writer did not start";
        ::Sleep(random() % 300);
        ::TerminateProcess(child.hProcess, 9);
        ::WaitForSingleObject(child.hProcess, INFINITE);
        ::CloseHandle(child.hThread);
        ::CloseHandle(child.hProcess);

        const std::string now = ReadBytes(target);
        const bool isFirst = now == First();
        const bool isSecond = now == Second();
        ASSERT_TRUE(isFirst || isSecond) << "after kill " << kill << " the file holds " << now.size()
                                         << " bytes of neither content (seed " << seed << ")";
        sawFirst += isFirst;
        sawSecond += isSecond;
    }
    ::SetEnvironmentVariableW(kTargetVariable, nullptr);
    ::CloseHandle(ready);
    std::printf("%d kills survived: %d times the one content, %d times the other\n", kKills, sawFirst, sawSecond);

    // What a kill leaves behind is a hidden temporary file, nothing else.
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = PathToUtf8(entry.path().filename());
        if (name != "大文件.txt") {
            EXPECT_TRUE(name.starts_with(".quilvane-") && name.ends_with(".tmp")) << name;
            EXPECT_TRUE(::GetFileAttributesW(entry.path().c_str()) & FILE_ATTRIBUTE_HIDDEN) << name;
        }
    }
}

}  // namespace
}  // namespace quilvane::testing
