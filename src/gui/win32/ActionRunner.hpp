#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

namespace quilvane::win32 {

// Every handler of the window runs through here, one at a time. From the
// first instant of a handler until it returns the window is disabled: no
// click, key or wheel reaches it or its controls, and a request to close it
// is refused. The handler's own windows (message boxes, the file dialog, the
// progress window) take input as usual.
class ActionRunner {
public:
    explicit ActionRunner(HWND window) : window_(window) {}

    // Runs the handler now, unless another is running (then nothing happens
    // and the answer is false).
    bool run(const std::function<void()>& handler);
    // Read by the tests' driving thread too.
    bool running() const { return running_.load(); }

private:
    HWND window_;
    std::atomic<bool> running_{false};
};

}  // namespace quilvane::win32
