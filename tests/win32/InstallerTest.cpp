// The installer under Wine: installed silently for the user, registered
// under "Open with" for text files, the installed program started as
// Explorer starts it with a file and led through the window far enough to
// write its key file and show the file, closed, and uninstalled silently,
// leaving the registry and the folders as they were; a folder it cannot
// write fails the installation, said in Chinese, with nothing installed or
// registered; run as a user runs it, it shows the licence first, whose text
// names its button. Wine runs every program with full rights and shows no
// UAC prompt, so an installation that needs no rights is what can be shown
// here; a folder that cannot be written stands in for one that needs them.
// The installer's path comes from the build (QUILVANE_INSTALLER).
#include "WindowDriver.hpp"

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
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

bool KeyExists(const wchar_t* path, HKEY root = HKEY_CURRENT_USER)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool UninstallEntryExists() { return KeyExists(kUninstallKey); }

// A text value under HKEY_CURRENT_USER; nullopt where there is none.
std::optional<std::wstring> RegistryText(const wchar_t* path, const wchar_t* name)
{
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, path, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
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

// Every key below `path`, by its full name.
void AddKeys(HKEY root, const std::wstring& path, std::set<std::wstring>& keys)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    keys.insert(path);
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name);
    }
    RegCloseKey(key);
    for (const std::wstring& child : names) {
        AddKeys(root, path + L"\\" + child, keys);
    }
}

void AddFiles(const fs::path& folder, std::set<std::wstring>& files)
{
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        files.insert(it->path().wstring());
    }
}

// What an installation may add to the system: the user's registry (but
// Wine's own settings, which Wine writes as it runs programs), the
// machine's classes and list of programs, and the user's and the common
// program folders and Start menus.
std::set<std::wstring> SystemState()
{
    std::set<std::wstring> state;
    std::set<std::wstring> user;
    AddKeys(HKEY_CURRENT_USER, L"Software", user);
    for (const std::wstring& key : user) {
        if (!key.starts_with(L"Software\\Wine")) {
            state.insert(L"HKCU\\" + key);
        }
    }
    std::set<std::wstring> machine;
    for (const wchar_t* key : {L"Software\\Classes\\.txt", L"Software\\Classes\\Applications\\quilvane.exe",
                               L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quilvane"}) {
        AddKeys(HKEY_LOCAL_MACHINE, key, machine);
    }
    for (const std::wstring& key : machine) {
        state.insert(L"HKLM\\" + key);
    }
    AddFiles(KnownFolder(FOLDERID_LocalAppData), state);
    AddFiles(KnownFolder(FOLDERID_Programs), state);
    AddFiles(KnownFolder(FOLDERID_CommonPrograms), state);
    AddFiles(KnownFolder(FOLDERID_ProgramFiles) / L"Quilvane", state);
    return state;
}

// What is in one state and not in the other, for a message.
std::string Difference(const std::set<std::wstring>& a, const std::set<std::wstring>& b)
{
    std::string text;
    for (const std::wstring& item : a) {
        if (!b.count(item)) {
            text += " " + fs::path(item).string();
        }
    }
    return text;
}

// The program installs for the user, where no rights are needed.
fs::path InstallFolder() { return KnownFolder(FOLDERID_LocalAppData) / L"Programs" / L"Quilvane"; }
fs::path MenuFolder() { return KnownFolder(FOLDERID_Programs) / L"Quilvane"; }

TEST(Win32Installer, InstallsSilentlyRunsTheProgramAndUninstallsLeavingNothing)
{
    const fs::path folder = InstallFolder();
    const fs::path menu = MenuFolder();
    const fs::path userKey = KnownFolder(FOLDERID_LocalAppData) / L"Quilvane" / L"temp.jxv";
    std::error_code ignored;
    fs::remove(userKey, ignored);
    const std::set<std::wstring> before = SystemState();

    ASSERT_TRUE(fs::exists(InstallerPath())) << InstallerPath();
    ASSERT_EQ(RunToEnd(L"\"" + InstallerPath().wstring() + L"\" /S"), 0u);
    EXPECT_TRUE(fs::exists(folder / L"quilvane.exe"));
    EXPECT_TRUE(fs::exists(folder / L"uninstall.exe"));
    EXPECT_TRUE(fs::exists(menu / L"Quilvane 2.0.lnk"));
    EXPECT_TRUE(UninstallEntryExists());
    EXPECT_FALSE(KeyExists(kUninstallKey, HKEY_LOCAL_MACHINE)) << "registered for the whole machine";
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

    // The user's own folder: the key file is kept beside the program.
    const fs::path besideProgram = folder / L"temp.jxv";
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(besideProgram); }));
    EXPECT_EQ(ReadFile(besideProgram), kHeader + " 6 \r\n");

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
    const std::set<std::wstring> after = SystemState();
    EXPECT_EQ(after, before) << "left behind:" << Difference(after, before) << "; taken away:" << Difference(before, after);
}

// A folder that cannot be written (here: a folder stands where the program
// would be written, as a folder without rights refuses it): the user is told
// in Chinese, the silent installation ends with a failure, and nothing is
// installed or registered.
TEST(Win32Installer, AFolderThatCannotBeWrittenInstallsAndRegistersNothing)
{
    const fs::path target = fs::temp_directory_path() / Wide("不能写的文件夹");
    fs::create_directories(target / L"quilvane.exe");
    const std::set<std::wstring> before = SystemState();

    EXPECT_EQ(RunToEnd(L"\"" + InstallerPath().wstring() + L"\" /S /D=" + target.wstring()), 2u);
    EXPECT_FALSE(UninstallEntryExists());
    for (const wchar_t* key : {kApplicationKey, kOpenWithKey}) {
        EXPECT_FALSE(KeyExists(key)) << "registered for a program not installed: " << fs::path(key);
    }
    EXPECT_FALSE(fs::exists(MenuFolder()));
    const std::set<std::wstring> after = SystemState();
    EXPECT_EQ(after, before) << "left behind:" << Difference(after, before);

    // As a user runs it: the licence accepted, the folder given, 安装.
    const Process installer = Start(L"\"" + InstallerPath().wstring() + L"\" /D=" + target.wstring());
    ASSERT_TRUE(installer.handle);
    HWND page = WaitForWindow(installer.id, L"#32770");
    ASSERT_TRUE(page);
    const auto showsLicence = [&] {
        bool shown = false;
        EnumChildWindows(
            page,
            [](HWND hwnd, LPARAM data) -> BOOL {
                if (IsWindowVisible(hwnd) && WindowText(hwnd).find(L"MIT License") != std::wstring::npos) {
                    *reinterpret_cast<bool*>(data) = true;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&shown));
        return shown;
    };
    const auto next = [&] {
        PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page, IDOK)));
    };
    ASSERT_TRUE(WaitUntil(showsLicence));
    next();  // 我接受
    ASSERT_TRUE(WaitUntil([&] { return !showsLicence(); })) << "the licence stays";
    next();  // 安装, into the folder given
    // The message box: a window of the installer owned by its page, with
    // a message in it.
    struct Search {
        DWORD process;
        HWND page;
        HWND box;
    } found{installer.id, page, nullptr};
    WaitUntil([&] {
        EnumWindows(
            [](HWND hwnd, LPARAM data) -> BOOL {
                auto* search = reinterpret_cast<Search*>(data);
                DWORD process = 0;
                GetWindowThreadProcessId(hwnd, &process);
                if (process == search->process && hwnd != search->page && IsWindowVisible(hwnd) &&
                    GetDlgItem(hwnd, 0xFFFF)) {
                    search->box = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found.box != nullptr;
    }, 20000);
    HWND box = found.box;
    ASSERT_TRUE(box) << "no message";
    std::wstring told;
    WaitUntil([&] { return !(told = WindowText(GetDlgItem(box, 0xFFFF))).empty(); }, 2000);
    EXPECT_NE(told.find(Wide("需要管理员权限")), std::wstring::npos) << fs::path(told);
    EXPECT_NE(told.find(Wide("没有安装")), std::wstring::npos) << fs::path(told);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    TerminateProcess(installer.handle, 0);
    WaitForSingleObject(installer.handle, 10000);
    CloseHandle(installer.handle);
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_FALSE(KeyExists(kApplicationKey));
    EXPECT_EQ(SystemState(), before);
    std::error_code ignored;
    fs::remove_all(target, ignored);
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
    const fs::path folder = InstallFolder();
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

// The sizes of the images in a program's first icon, read from its file.
std::set<int> IconSizes(const fs::path& program)
{
    std::set<int> sizes;
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        return sizes;
    }
    LPWSTR first = nullptr;
    EnumResourceNamesW(
        module, RT_GROUP_ICON,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR data) -> BOOL {
            *reinterpret_cast<LPWSTR*>(data) = name;
            return FALSE;
        },
        reinterpret_cast<LONG_PTR>(&first));
    if (HRSRC found = first ? FindResourceW(module, first, RT_GROUP_ICON) : nullptr) {
        const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        const WORD count = *reinterpret_cast<const WORD*>(group + 4);
        for (WORD i = 0; i < count; ++i) {
            const BYTE width = group[6 + 14 * i];
            sizes.insert(width == 0 ? 256 : width);
        }
    }
    FreeLibrary(module);
    return sizes;
}

std::string Manifest(const fs::path& program)
{
    std::string text;
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (HRSRC found = module ? FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST) : nullptr) {
        text.assign(static_cast<const char*>(LockResource(LoadResource(module, found))), SizeofResource(module, found));
    }
    if (module) {
        FreeLibrary(module);
    }
    return text;
}

// Run with the user's own rights, sharp at any display scaling, and the
// icon Explorer and Start show at every size they ask for, in the program
// and in its installer.
TEST(Win32Installer, AsksForNoRightsIsDpiAwareAndBothCarryTheIconAtEverySize)
{
    const std::string manifest = Manifest(InstallerPath());
    const auto dpiAware = manifest.find("<dpiAware");
    ASSERT_NE(dpiAware, std::string::npos) << manifest;
    EXPECT_EQ(manifest.substr(manifest.find('>', dpiAware), 16), ">true</dpiAware>") << manifest;
    // It asks for no rights: no UAC prompt, and folders without rights are
    // not written in its place by Windows' file virtualisation.
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\""), std::string::npos) << manifest;
    const std::set<int> sizes{16, 24, 32, 48, 256};
    EXPECT_EQ(IconSizes(InstallerPath()), sizes);
    EXPECT_EQ(IconSizes(PathFromEnvironment(L"QUILVANE_PROGRAM")), sizes);
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
    // The text above the licence names the button that accepts it.
    std::wstring told;
    EnumChildWindows(
        page,
        [](HWND hwnd, LPARAM data) -> BOOL {
            const std::wstring text = WindowText(hwnd);
            if (text.find(L"[") != std::wstring::npos && text.find(L"MIT License") == std::wstring::npos) {
                *reinterpret_cast<std::wstring*>(data) = text;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&told));
    std::wstring button = WindowText(GetDlgItem(page, IDOK));
    std::erase(button, L'&');
    EXPECT_EQ(button, Wide("我接受(I)"));
    EXPECT_NE(told.find(L"[" + button + L"]"), std::wstring::npos)
        << fs::path(told) << " does not name " << fs::path(button);
    TerminateProcess(installer.handle, 0);
    WaitForSingleObject(installer.handle, 10000);
    CloseHandle(installer.handle);
}

}  // namespace
