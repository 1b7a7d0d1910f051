#include "gui/win32/BackgroundWork.hpp"

#include "gui/win32/ProgressWindow.hpp"
#include "platform/SharedProgress.hpp"
#include "platform/win32/WideText.hpp"

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

namespace quilvane::win32 {
namespace {

// The window side looks at the work some twenty times a second.
constexpr DWORD kPollMilliseconds = 50;

}  // namespace

void RunInBackground(HWND owner, std::string_view title, bool cancellable, DWORD delay,
                     const std::function<void(ProgressReport& report)>& work)
{
    SharedProgress progress;
    std::exception_ptr failure;
    HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!finished) {
        // Without it the loop below could not tell the work's end: no work starts.
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateEventW");
    }
    ProgressWindow window(owner, WideFromUtf8(title), cancellable, progress.cancelled());
    const HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));

    std::thread worker([&] {
        try {
            work(progress);
        } catch (...) {
            failure = std::current_exception();
        }
        SetEvent(finished);
    });

    // A modal loop of our own: it dispatches what comes (painting, the
    // progress window's input) until the work has ended. A request to quit
    // waits for the work and is made again afterwards.
    const ULONGLONG start = GetTickCount64();
    bool quit = false;
    int quitCode = 0;
    while (MsgWaitForMultipleObjects(1, &finished, FALSE, kPollMilliseconds, QS_ALLINPUT) != WAIT_OBJECT_0) {
        if (!window.shown() && GetTickCount64() - start >= delay) {
            window.show();
        }
        window.tell(progress.done(), progress.total(), progress.file(), progress.files());
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            if (!window.takeMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    worker.join();
    CloseHandle(finished);
    // Clicks and keys given while the work ran were for a window that took
    // none. Work that ends before the loop has read them would leave them to
    // whatever shows next: a message box under the pointer would take the
    // second click of a double click as its answer.
    MSG dropped;
    while (PeekMessageW(&dropped, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE) ||
           PeekMessageW(&dropped, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    SetCursor(before);
    if (quit) {
        PostQuitMessage(quitCode);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace quilvane::win32
