#pragma once

#include "platform/WizardView.hpp"

#include <windows.h>

#include <functional>
#include <string_view>

namespace quilvane::win32 {

// Runs `work` on a thread of its own and returns when it is done. Meanwhile
// the window's thread goes on dispatching messages (the window paints), and
// after `delay` milliseconds a progress window owned by `owner` shows how far
// the work has come ("已处理 x / y MB"), with a Cancel button where
// `cancellable`; where not, neither Esc nor its close box hides it. The
// caller keeps `owner` disabled. A failure thrown by the work is thrown here.
void RunInBackground(HWND owner, std::string_view title, bool cancellable, DWORD delay,
                     const std::function<void(ProgressReport& report)>& work);

// The progress window's class, for the tests that answer it.
inline constexpr wchar_t kProgressWindowClass[] = L"QuilvaneProgress";
// Ids of its controls.
inline constexpr int kProgressLabelId = 100;
inline constexpr int kProgressBarId = 101;

}  // namespace quilvane::win32
