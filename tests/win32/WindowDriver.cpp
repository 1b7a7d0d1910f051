#include "WindowDriver.hpp"

#include "gui/win32/Form.hpp"
#include "platform/win32/WideText.hpp"

#include <atomic>
#include <cstdlib>
#include <thread>

namespace quilvane::testing::win32 {
namespace {

constexpr wchar_t kPingClass[] = L"QuilvaneTestPing";
constexpr UINT kPing = WM_APP + 1;

// A message-only window of the window's thread: posted messages reach it in
// order, so a ping answered means that everything posted before it is done.
HWND PingWindow()
{
    static HWND window = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == kPing) {
                reinterpret_cast<std::atomic<bool>*>(lParam)->store(true);
                return 0;
            }
            return DefWindowProcW(hwnd, message, wParam, lParam);
        };
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kPingClass;
        RegisterClassW(&windowClass);
        return CreateWindowExW(0, kPingClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
    }();
    return window;
}

struct Search {
    DWORD process;
    const wchar_t* className;
    HWND found;
};

HWND FindVisibleWindow(DWORD process, const wchar_t* className)
{
    Search search{process, className, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            wchar_t className[64] = {};
            GetClassNameW(hwnd, className, 64);
            if (process == search->process && IsWindowVisible(hwnd) && std::wstring(className) == search->className) {
                search->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

void Drive(const std::function<void()>& script)
{
    PingWindow();
    std::atomic<bool> done{false};
    std::thread driver([&] {
        script();
        done.store(true);
    });
    while (!done.load()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    driver.join();
}

bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!condition()) {
        if (GetTickCount64() > end) {
            return false;
        }
        Sleep(5);
    }
    return true;
}

void Settle()
{
    std::atomic<bool> answered{false};
    PostMessageW(PingWindow(), kPing, 0, reinterpret_cast<LPARAM>(&answered));
    WaitUntil([&] { return answered.load(); });
}

std::wstring WindowText(HWND hwnd)
{
    wchar_t text[4096] = {};
    // Sent, not read from the window's title: a control of another thread or
    // another process answers for itself.
    DWORD_PTR length = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &length);
    return text;
}

std::wstring Wide(const char* utf8) { return quilvane::win32::WideFromUtf8(utf8); }

void Click(HWND button)
{
    // Posted: a click that opens a modal box must not block the script.
    PostMessageW(button, BM_CLICK, 0, 0);
}

void Type(HWND box, wchar_t character)
{
    PostMessageW(box, WM_CHAR, character, 1);
}

HWND WaitForWindow(DWORD process, const wchar_t* className, DWORD milliseconds)
{
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindVisibleWindow(process, className)) != nullptr; }, milliseconds);
    return window;
}

Dialog WaitForDialog(DWORD milliseconds, DWORD process)
{
    Dialog dialog;
    dialog.hwnd = WaitForWindow(process ? process : GetCurrentProcessId(), L"#32770", milliseconds);
    if (dialog.hwnd) {
        // A dialog's controls are filled in as it starts: wait for its title.
        WaitUntil([&] { return !(dialog.title = WindowText(dialog.hwnd)).empty(); }, 2000);
        if (HWND message = GetDlgItem(dialog.hwnd, 0xFFFF)) {
            dialog.text = WindowText(message);
        }
    }
    return dialog;
}

void Press(const Dialog& dialog, int button)
{
    HWND hwnd = GetDlgItem(dialog.hwnd, button);
    if (hwnd) {
        PostMessageW(hwnd, BM_CLICK, 0, 0);
    } else {
        PostMessageW(dialog.hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
    WaitUntil([&] { return !IsWindow(dialog.hwnd) || !IsWindowVisible(dialog.hwnd); });
}

namespace {

// The file dialog's name box, once the dialog has filled in its controls.
HWND FileNameBox(const Dialog& dialog)
{
    constexpr int kFileNameCombo = 0x47C;  // cmb13
    constexpr int kFileNameEdit = 0x480;   // edt1
    HWND name = nullptr;
    WaitUntil([&] {
        name = GetDlgItem(dialog.hwnd, kFileNameCombo);
        if (!name) {
            name = GetDlgItem(dialog.hwnd, kFileNameEdit);
        }
        return name && IsWindowVisible(name);
    });
    return name;
}

// Typed again until the dialog shows it: its start may still empty the box.
void TypeName(HWND name, const std::wstring& wanted)
{
    WaitUntil([&] {
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wanted.c_str()));
        Sleep(20);
        return WindowText(name) == wanted;
    });
}

}  // namespace

void ChooseFile(const Dialog& dialog, const std::filesystem::path& file)
{
    TypeName(FileNameBox(dialog), file.wstring());
    Press(dialog, IDOK);
}

void ChooseFiles(const Dialog& dialog, const std::filesystem::path& folder, const std::vector<std::wstring>& names)
{
    HWND name = FileNameBox(dialog);
    // Into the folder first, as a user goes there: Open on a folder's path
    // shows that folder and empties the name box.
    TypeName(name, folder.wstring());
    PostMessageW(dialog.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil([&] { return WindowText(name).empty(); });
    std::wstring typed;
    for (const std::wstring& file : names) {
        typed += L"\"" + file + L"\" ";
    }
    TypeName(name, typed);
    Press(dialog, IDOK);
}

std::vector<std::wstring> FileTypes(const Dialog& dialog)
{
    constexpr int kFileTypes = 0x470;  // cmb1
    HWND types = GetDlgItem(dialog.hwnd, kFileTypes);
    std::vector<std::wstring> names;
    const auto count = SendMessageW(types, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        names.emplace_back(text);
    }
    return names;
}

namespace {

// A mouse event at x, y in screen pixels, normalised to 0..65535 and rounded
// up so that the system maps it back to x, y.
INPUT MouseAt(int x, int y, DWORD flags)
{
    const auto normalised = [](int pixels, int screen) { return (pixels * 65536 + screen - 1) / screen; };
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = normalised(x, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = normalised(y, GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    return input;
}

}  // namespace

void MoveMouseTo(int x, int y)
{
    INPUT input = MouseAt(x, y, 0);
    SendInput(1, &input, sizeof(INPUT));
}

void ClickWithMouse(HWND hwnd)
{
    RECT place{};
    GetWindowRect(hwnd, &place);
    const POINT middle{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    MoveMouseTo(middle.x, middle.y);
    // Pressed once the pointer is there, as a hand presses once it has arrived.
    WaitUntil([&] {
        POINT at{};
        GetCursorPos(&at);
        return std::abs(at.x - middle.x) <= 1 && std::abs(at.y - middle.y) <= 1;
    }, 2000);
    // Each button event carries its place, as a mouse's own do: under Wine a
    // late pointer event from the display could otherwise move the pointer
    // between press and release.
    INPUT inputs[2] = {MouseAt(middle.x, middle.y, MOUSEEVENTF_LEFTDOWN), MouseAt(middle.x, middle.y, MOUSEEVENTF_LEFTUP)};
    SendInput(2, inputs, sizeof(INPUT));
}

void PressKey(WORD key, bool shift)
{
    std::vector<INPUT> inputs;
    const auto add = [&](WORD virtualKey, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    if (shift) {
        add(VK_SHIFT, 0);
    }
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (shift) {
        add(VK_SHIFT, KEYEVENTF_KEYUP);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND FindControl(HWND form, const char* name)
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

HWND FocusOf(DWORD thread)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

std::filesystem::path PathFromEnvironment(const wchar_t* variable)
{
    wchar_t unixPath[1024] = {};
    GetEnvironmentVariableW(variable, unixPath, 1024);
    std::wstring path = L"Z:" + std::wstring(unixPath);  // Wine shows the Unix root as drive Z:
    for (wchar_t& c : path) {
        c = c == L'/' ? L'\\' : c;
    }
    return path;
}

}  // namespace quilvane::testing::win32
