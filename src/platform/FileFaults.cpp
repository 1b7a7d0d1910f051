#include "platform/FileFaults.hpp"

#include <array>
#include <mutex>

namespace quilvane::faults {
namespace {

constexpr std::size_t kSteps = 6;

struct Seams {
    std::mutex lock;
    std::array<int, kSteps> pending{};
    std::array<std::function<void()>, kSteps> actions;
};

Seams& TheSeams()
{
    static Seams seams;
    return seams;
}

}  // namespace

void FailNext(Step step, int error)
{
    const std::lock_guard guard(TheSeams().lock);
    TheSeams().pending[static_cast<std::size_t>(step)] = error;
}

void WhenReached(Step step, std::function<void()> action)
{
    const std::lock_guard guard(TheSeams().lock);
    TheSeams().actions[static_cast<std::size_t>(step)] = std::move(action);
}

void Clear()
{
    const std::lock_guard guard(TheSeams().lock);
    TheSeams().pending.fill(0);
    TheSeams().actions.fill(nullptr);
}

int Injected(Step step)
{
    Seams& seams = TheSeams();
    std::function<void()> action;
    int error = 0;
    {
        const std::lock_guard guard(seams.lock);
        action = seams.actions[static_cast<std::size_t>(step)];
        error = seams.pending[static_cast<std::size_t>(step)];
        seams.pending[static_cast<std::size_t>(step)] = 0;
    }
    if (action) {
        action();
    }
    return error;
}

}  // namespace quilvane::faults
