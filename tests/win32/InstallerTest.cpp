// The installer under Wine: installed silently, the installed program led
// through the window far enough to write its key file, closed, and
// uninstalled silently. The installer's path comes from the build
// (QUILVANE_INSTALLER).
#include "WindowDriver.hpp"
#include "gui/win32/Form.hpp"

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace quilvane::testing::win32;
namespace fs = std::filesystem;

namespace {

const std::string kHeader = "This is a important file.Dont`t rewrite me!6,2,1,";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quilvane";

fs::path KnownFolder(REFKNOWNFOLDERID folder)
{
    PWSTR path = nullptr;
    SHGetKnownFolderPath(folder, 0, nullptr, &path);
    fs::path result = path ? fs::path(path) : fs::path();
    CoTaskMemFree(path);
    return result;
}

// Wine shows the Unix root as drive Z:.
fs::path InstallerPath()
{
    wchar_t unixPath[1024] = {};
    GetEnvironmentVariableW(L"QUILVANE_INSTALLER", unixPath, 1024);
    std::wstring path = L"Z:" + std::wstring(unixPath);
    for (wchar_t& c : path) {
        c = c == L'/' ? L'\\' : c;
    }
    return path;
}

struct Process {
    HANDLE handle = nullptr;
    DWORD id = 0;
};

Process Start(const std::wstring& commandLine)
{
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return {};
    }
    CloseHandle(info.hThread);
    return {info.hProcess, info.dwProcessId};
}

DWORD RunToEnd(const std::wstring& commandLine)
{
    const Process process = Start(commandLine);
    if (!process.handle) {
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(process.handle, 120000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.handle, &code);
    CloseHandle(process.handle);
    return code;
}

// A control of the program's window, found by its id among all its descendants.
HWND Control(HWND form, const char* name)
{
    struct Search {
        int id;
        HWND found;
    } search{quilvane::win32::Form::controlId(name), nullptr};
    EnumChildWindows(
        form,
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            if (GetDlgCtrlID(hwnd) == search->id) {
                search->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(unreadable)";
}

bool UninstallEntryExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

TEST(Win32Installer, InstallsSilentlyRunsTheProgramAndUninstalls)
{
    const fs::path folder = KnownFolder(FOLDERID_ProgramFiles) / L"Quilvane";
    const fs::path menu = KnownFolder(FOLDERID_CommonPrograms) / L"Quilvane";
    const fs::path userKey = KnownFolder(FOLDERID_LocalAppData) / L"Quilvane" / L"temp.jxv";
    std::error_code ignored;
    fs::remove(userKey, ignored);

    ASSERT_TRUE(fs::exists(InstallerPath())) << InstallerPath();
    ASSERT_EQ(RunToEnd(L"\"" + InstallerPath().wstring() + L"\" /S"), 0u);
    EXPECT_TRUE(fs::exists(folder / L"quilvane.exe"));
    EXPECT_TRUE(fs::exists(folder / L"uninstall.exe"));
    EXPECT_TRUE(fs::exists(menu / L"Quilvane 2.0.lnk"));
    EXPECT_TRUE(UninstallEntryExists());

    const Process program = Start(L"\"" + (folder / L"quilvane.exe").wstring() + L"\"");
    ASSERT_TRUE(program.handle);
    HWND form = WaitForWindow(program.id, L"QuilvaneForm1");
    ASSERT_TRUE(form) << "the installed program shows no window";
    EXPECT_EQ(WindowText(form), L"Quilvane 2.0");
    Click(Control(form, "Command1"));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(Control(form, "Frame2")) != FALSE; }));
    const char* boxes[] = {"Text1", "Text2", "Text3", "Text4", "Text5"};
    for (int i = 0; i < 5; ++i) {
        Type(Control(form, boxes[i]), static_cast<wchar_t>(L'1' + i));
    }
    Click(Control(form, "Command3"));
    const Dialog confirm = WaitForDialog(10000, program.id);
    EXPECT_EQ(confirm.title, Wide("确认密码"));
    Press(confirm, IDYES);
    Press(WaitForDialog(10000, program.id), IDOK);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(Control(form, "Frame4")) != FALSE; }));

    // A user cannot write under Program Files, so the key file goes to the
    // user's folder; Wine lets anyone write there, so it may stay beside
    // the program.
    const fs::path besideProgram = folder / L"temp.jxv";
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(userKey) || fs::exists(besideProgram); }));
    const fs::path keyFile = fs::exists(userKey) ? userKey : besideProgram;
    EXPECT_EQ(ReadFile(keyFile), kHeader + " 6 \r\n");

    PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(program.handle, 10000), WAIT_OBJECT_0) << "the program did not end";
    CloseHandle(program.handle);

    // The uninstaller runs from a copy of itself and returns at once.
    EXPECT_EQ(RunToEnd(L"\"" + (folder / L"uninstall.exe").wstring() + L"\" /S"), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(folder) && !UninstallEntryExists(); }, 30000));
    EXPECT_FALSE(fs::exists(folder)) << "left behind";
    EXPECT_FALSE(fs::exists(menu));
    EXPECT_FALSE(UninstallEntryExists());
    fs::remove(userKey, ignored);
}

}  // namespace
