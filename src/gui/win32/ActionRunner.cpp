#include "gui/win32/ActionRunner.hpp"

namespace quilvane::win32 {

bool ActionRunner::run(const std::function<void()>& handler)
{
    if (running_.exchange(true)) {
        return false;
    }
    EnableWindow(window_, FALSE);
    struct Finish {
        ActionRunner& runner;
        ~Finish()
        {
            if (IsWindow(runner.window_)) {
                EnableWindow(runner.window_, TRUE);
            }
            runner.running_ = false;
        }
    } finish{*this};
    handler();
    return true;
}

}  // namespace quilvane::win32
