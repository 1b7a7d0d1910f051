#include "platform/FileFaults.hpp"

#include <array>
#include <mutex>

namespace quilvane::faults {
namespace {

constexpr std::size_t kSteps = static_cast<std::size_t>(Step::ShowWritten) + 1;

struct Pending {
    int error = 0;
    std::uint64_t after = 0;
};

struct Seams {
    std::mutex lock;
    std::array<Pending, kSteps> pending{};
    std::array<std::function<void()>, kSteps> actions;
};

Seams& TheSeams()
{
    static Seams seams;
    return seams;
}

}  // namespace

void FailNext(Step step, int error, std::uint64_t after)
{
    const std::lock_guard guard(TheSeams().lock);
    TheSeams().pending[static_cast<std::size_t>(step)] = {error, after};
}

void WhenReached(Step step, std::function<void()> action)
{
    const std::lock_guard guard(TheSeams().lock);
    TheSeams().actions[static_cast<std::size_t>(step)] = std::move(action);
}

void Clear()
{
    const std::lock_guard guard(TheSeams().lock);
    TheSeams().pending.fill({});
    TheSeams().actions.fill(nullptr);
}

int Injected(Step step, std::uint64_t done)
{
    Seams& seams = TheSeams();
    std::function<void()> action;
    int error = 0;
    {
        const std::lock_guard guard(seams.lock);
        action = seams.actions[static_cast<std::size_t>(step)];
        Pending& pending = seams.pending[static_cast<std::size_t>(step)];
        if (pending.error != 0 && done >= pending.after) {
            error = pending.error;
            pending = {};
        }
    }
    if (action) {
        action();  // outside the lock: it may wait for the test's thread
    }
    return error;
}

}  // namespace quilvane::faults
