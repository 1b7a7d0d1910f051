// Where the Windows program looks for its folders: beside its .exe, and
// %LOCALAPPDATA%\Quilvane, also in folders with Chinese names.
#include "platform/PathText.hpp"
#include "platform/win32/ProgramFolders.hpp"

#include "../handlers/ScriptedView.hpp"

#include <gtest/gtest.h>

#include <windows.h>

namespace quilvane::testing {
namespace {

constexpr const wchar_t* kReportVariable = L"QUILVANE_FOLDER_REPORT";

// Run as a copy of this program: writes the folder it finds itself in.
TEST(ProgramFoldersReporter, WritesItsOwnFolder)
{
    wchar_t report[1024];
    const DWORD length = ::GetEnvironmentVariableW(kReportVariable, report, 1024);
    if (length == 0 || length >= 1024) {
        GTEST_SKIP() << "runs only as the copy the folder test starts";
    }
    WriteBytes(std::wstring(report, length), PathToUtf8(win32::ExecutableDirectory()));
}

TEST(ProgramFolders, TheProgramsFolderIsWhereItsExeLiesEvenUnderAChineseName)
{
    TemporaryDirectory dir;
    const auto folder = dir / u8"程序目录";
    std::filesystem::create_directory(folder);
    wchar_t self[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    const auto copy = folder / u8"加密.exe";
    std::filesystem::copy_file(self, copy);
    const auto report = dir / "report.txt";
    ::SetEnvironmentVariableW(kReportVariable, report.c_str());

    std::wstring command = L"\"" + copy.wstring() + L"\" --gtest_filter=ProgramFoldersReporter.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(::CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &child))
        << ::GetLastError();
    ASSERT_EQ(::WaitForSingleObject(child.hProcess, 60'000), WAIT_OBJECT_0);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    ::SetEnvironmentVariableW(kReportVariable, nullptr);

    const auto reported = PathFromUtf8(ReadBytes(report));
    EXPECT_TRUE(std::filesystem::equivalent(reported, folder)) << ReadBytes(report);
    EXPECT_EQ(reported.filename(), std::filesystem::path(u8"程序目录"));
}

TEST(ProgramFolders, TheUsersDataFolderIsQuilvaneInLocalAppData)
{
    wchar_t local[1024];
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", local, 1024);
    ASSERT_GT(length, 0u);
    const auto data = win32::UserDataDirectory();
    EXPECT_EQ(data.filename(), std::filesystem::path(L"Quilvane"));
    EXPECT_TRUE(std::filesystem::equivalent(data.parent_path(), std::wstring(local, length)));
}

}  // namespace
}  // namespace quilvane::testing
