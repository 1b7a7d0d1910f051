#include "WindowDriver.hpp"

#include "platform/win32/WideText.hpp"

#include <atomic>
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

bool IsDialogOfThisProcess(HWND hwnd)
{
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    wchar_t className[16] = {};
    GetClassNameW(hwnd, className, 16);
    return process == GetCurrentProcessId() && IsWindowVisible(hwnd) && std::wstring(className) == L"#32770";
}

HWND FindDialog()
{
    HWND found = nullptr;
    EnumWindows(
        [](HWND hwnd, LPARAM result) -> BOOL {
            if (IsDialogOfThisProcess(hwnd)) {
                *reinterpret_cast<HWND*>(result) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
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
    // Asked of another thread's window: WM_GETTEXT is sent and answered there.
    GetWindowTextW(hwnd, text, 4096);
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

Dialog WaitForDialog(DWORD milliseconds)
{
    Dialog dialog;
    WaitUntil([&] { return (dialog.hwnd = FindDialog()) != nullptr; }, milliseconds);
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

void ChooseFile(const Dialog& dialog, const std::filesystem::path& file)
{
    constexpr int kFileNameCombo = 0x47C;  // cmb13
    constexpr int kFileNameEdit = 0x480;   // edt1
    HWND name = nullptr;
    // The dialog fills in its controls as it starts: wait for the name box.
    WaitUntil([&] {
        name = GetDlgItem(dialog.hwnd, kFileNameCombo);
        if (!name) {
            name = GetDlgItem(dialog.hwnd, kFileNameEdit);
        }
        return name && IsWindowVisible(name);
    });
    const std::wstring wanted = file.wstring();
    // Typed again until the dialog shows it: its start may still empty the box.
    WaitUntil([&] {
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wanted.c_str()));
        Sleep(20);
        return WindowText(name) == wanted;
    });
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

}  // namespace quilvane::testing::win32
