#include "gui/win32/EarlyClickFilter.hpp"

namespace quilvane::win32 {
namespace {

// When the innermost box of this thread was shown, on the clock of MSG::time.
thread_local DWORD shownAt = 0;

bool IsPress(UINT message)
{
    return (message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK) ||
           (message >= WM_XBUTTONDOWN && message <= WM_XBUTTONDBLCLK) ||
           (message >= WM_NCLBUTTONDOWN && message <= WM_NCMBUTTONDBLCLK) ||
           (message >= WM_NCXBUTTONDOWN && message <= WM_NCXBUTTONDBLCLK);
}

}  // namespace

EarlyClickFilter::EarlyClickFilter()
    : hook_(SetWindowsHookExW(WH_MSGFILTER, &EarlyClickFilter::Filter, nullptr, GetCurrentThreadId())),
      outerShownAt_(shownAt)
{
    shownAt = GetTickCount();
}

EarlyClickFilter::~EarlyClickFilter()
{
    shownAt = outerShownAt_;
    if (hook_) {
        UnhookWindowsHookEx(hook_);
    }
}

LRESULT CALLBACK EarlyClickFilter::Filter(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == MSGF_DIALOGBOX) {
        const auto* message = reinterpret_cast<const MSG*>(lParam);
        // Signed: a press stamped before the box was shown counts as early too.
        const auto sinceShown = static_cast<LONG>(message->time - shownAt);
        if (IsPress(message->message) && sinceShown < static_cast<LONG>(GetDoubleClickTime())) {
            return TRUE;  // dropped
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace quilvane::win32
