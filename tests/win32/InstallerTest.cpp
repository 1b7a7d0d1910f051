// The installer under Wine: installed silently, registered under "Open
// with" for text files, the installed program started as Explorer starts it
// with a file and led through the window far enough to write its key file
// and show the file, closed, and uninstalled silently, registration and all;
// run as a user runs it, it shows the licence first. The installer's path
// comes from the build (QUILVANE_INSTALLER).
#include "WindowDriver.hpp"

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
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

fs::path InstallerPath() { return PathFromEnvironment(L"QUILVANE_INSTALLER"); }

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

HWND Control(HWND form, const char* name) { return FindControl(form, name); }

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(unreadable)";
}

bool KeyExists(const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool UninstallEntryExists() { return KeyExists(kUninstallKey); }

// A text value under HKEY_LOCAL_MACHINE; nullopt where there is none.
std::optional<std::wstring> RegistryText(const wchar_t* path, const wchar_t* name)
{
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(text);
}

// What "Open with" needs: the program's own entry with the command Explorer
// runs (the file as the first argument), and its name in the list of .txt.
constexpr wchar_t kApplicationKey[] = L"Software\\Classes\\Applications\\quilvane.exe";
constexpr wchar_t kOpenCommandKey[] = L"Software\\Classes\\Applications\\quilvane.exe\\shell\\open\\command";
constexpr wchar_t kSupportedTypesKey[] = L"Software\\Classes\\Applications\\quilvane.exe\\SupportedTypes";
constexpr wchar_t kOpenWithKey[] = L"Software\\Classes\\.txt\\OpenWithList\\quilvane.exe";

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
    const std::wstring program = (folder / L"quilvane.exe").wstring();
    const struct {
        const wchar_t* key;
        const wchar_t* name;
        std::wstring value;
    } registrations[] = {
        {kOpenCommandKey, nullptr, L"\"" + program + L"\" \"%1\""},
        {kSupportedTypesKey, L".txt", L""},
        {kOpenWithKey, nullptr, L""},
    };
    for (const auto& registration : registrations) {
        SCOPED_TRACE(registration.key);
        EXPECT_EQ(RegistryText(registration.key, registration.name), registration.value);
    }

    // Opened as Explorer's "Open with" opens it: the registered command,
    // with a text file of a Chinese name in a Chinese folder for %1.
    const fs::path documents = fs::temp_directory_path() / Wide("安装测试文件夹");
    fs::create_directories(documents);
    const fs::path letter = documents / Wide("信件.txt");
    std::ofstream(letter, std::ios::binary) << "AB\r\n\xD6\xD0\xCE\xC4 text\r\n";
    std::wstring command = *RegistryText(kOpenCommandKey, nullptr);
    command.replace(command.find(L"%1"), 2, letter.wstring());
    const Process opened = Start(command);
    ASSERT_TRUE(opened.handle);
    HWND form = WaitForWindow(opened.id, L"QuilvaneForm1");
    ASSERT_TRUE(form) << "the installed program shows no window";
    EXPECT_EQ(WindowText(form), L"Quilvane 2.0");
    Click(Control(form, "Command1"));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(Control(form, "Frame2")) != FALSE; }));
    const char* boxes[] = {"Text1", "Text2", "Text3", "Text4", "Text5"};
    for (int i = 0; i < 5; ++i) {
        Type(Control(form, boxes[i]), static_cast<wchar_t>(L'1' + i));
    }
    Click(Control(form, "Command3"));
    const Dialog confirm = WaitForDialog(10000, opened.id);
    EXPECT_EQ(confirm.title, Wide("确认密码"));
    Press(confirm, IDYES);
    Press(WaitForDialog(10000, opened.id), IDOK);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(Control(form, "Frame4")) != FALSE; }));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(Control(form, "RichTextBox1")).find(Wide("中文")) != std::wstring::npos; }))
        << "the file given to the program is not shown";

    // A user cannot write under Program Files, so the key file goes to the
    // user's folder; Wine lets anyone write there, so it may stay beside
    // the program.
    const fs::path besideProgram = folder / L"temp.jxv";
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(userKey) || fs::exists(besideProgram); }));
    const fs::path keyFile = fs::exists(userKey) ? userKey : besideProgram;
    EXPECT_EQ(ReadFile(keyFile), kHeader + " 6 \r\n");

    PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(opened.handle, 10000), WAIT_OBJECT_0) << "the program did not end";
    CloseHandle(opened.handle);
    fs::remove_all(documents, ignored);

    // The uninstaller runs from a copy of itself and returns at once.
    EXPECT_EQ(RunToEnd(L"\"" + (folder / L"uninstall.exe").wstring() + L"\" /S"), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(folder) && !UninstallEntryExists(); }, 30000));
    WaitUntil([&] { return !KeyExists(kApplicationKey) && !KeyExists(kOpenWithKey); }, 5000);
    EXPECT_FALSE(fs::exists(folder)) << "left behind";
    EXPECT_FALSE(fs::exists(menu));
    EXPECT_FALSE(UninstallEntryExists());
    for (const wchar_t* key : {kApplicationKey, kOpenWithKey}) {
        EXPECT_FALSE(KeyExists(key)) << "left in the registry: " << fs::path(key);
    }
    fs::remove(userKey, ignored);
}

// The Windows version Wine reports to one program (its AppDefaults), while
// this lives.
class WineVersionFor {
public:
    WineVersionFor(const std::wstring& program, const wchar_t* version)
        : key_(L"Software\\Wine\\AppDefaults\\" + program)
    {
        RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), L"Version", REG_SZ, version,
                        static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    }
    ~WineVersionFor() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
    WineVersionFor(const WineVersionFor&) = delete;
    WineVersionFor& operator=(const WineVersionFor&) = delete;

private:
    std::wstring key_;
};

// The program needs Windows 7 SP1: on anything older the installer says so
// in Chinese and installs nothing, silent or not. (Whether Windows 7's own
// loader starts quilvane.exe Wine cannot show: Wine's DLLs have every
// function whatever version they report. The import check,
// program_loads_on_windows7, covers that part.)
TEST(Win32Installer, RefusesWindowsOlderThan7SP1)
{
    const fs::path folder = KnownFolder(FOLDERID_ProgramFiles) / L"Quilvane";
    for (const wchar_t* version : {L"vista", L"winxp64"}) {
        SCOPED_TRACE(fs::path(version).string());
        const WineVersionFor older(InstallerPath().filename().wstring(), version);
        EXPECT_NE(RunToEnd(L"\"" + InstallerPath().wstring() + L"\" /S"), 0u) << "silent: no failure told";
        EXPECT_FALSE(fs::exists(folder / L"quilvane.exe"));
        EXPECT_FALSE(UninstallEntryExists());

        const Process installer = Start(L"\"" + InstallerPath().wstring() + L"\"");
        ASSERT_TRUE(installer.handle);
        const Dialog refusal = WaitForDialog(20000, installer.id);
        EXPECT_NE(refusal.text.find(Wide("需要 Windows 7 SP1")), std::wstring::npos) << fs::path(refusal.text);
        Press(refusal, IDOK);
        EXPECT_EQ(WaitForSingleObject(installer.handle, 10000), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(installer.handle, &code);
        EXPECT_NE(code, 0u);
        CloseHandle(installer.handle);
        EXPECT_FALSE(fs::exists(folder / L"quilvane.exe"));
    }
}

// Run as a user runs it, the installer shows the program's licence first.
TEST(Win32Installer, ShowsTheLicenceFirst)
{
    const Process installer = Start(L"\"" + InstallerPath().wstring() + L"\"");
    ASSERT_TRUE(installer.handle);
    HWND page = WaitForWindow(installer.id, L"#32770");
    ASSERT_TRUE(page) << "no installer window";
    std::wstring shown;
    WaitUntil([&] {
        EnumChildWindows(
            page,
            [](HWND hwnd, LPARAM data) -> BOOL {
                const std::wstring text = WindowText(hwnd);
                if (text.find(L"MIT License") != std::wstring::npos) {
                    *reinterpret_cast<std::wstring*>(data) = text;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&shown));
        return !shown.empty();
    });
    EXPECT_NE(shown.find(L"Copyright (c) 2026 The Quilvane developers"), std::wstring::npos) << "no licence shown";
    TerminateProcess(installer.handle, 0);
    WaitForSingleObject(installer.handle, 10000);
    CloseHandle(installer.handle);
}

}  // namespace
