#include "platform/FileFaults.hpp"

#include <array>
#include <mutex>

namespace quilvane::faults {
namespace {

struct Pending {
    int error = 0;
    std::uint64_t after = 0;
};

std::mutex& Lock()
{
    static std::mutex lock;
    return lock;
}

std::array<Pending, 5>& AllPending()
{
    static std::array<Pending, 5> pending{};
    return pending;
}

}  // namespace

void FailNext(Step step, int error, std::uint64_t after)
{
    const std::lock_guard guard(Lock());
    AllPending()[static_cast<std::size_t>(step)] = {error, after};
}

void Clear()
{
    const std::lock_guard guard(Lock());
    AllPending().fill({});
}

int Injected(Step step, std::uint64_t done)
{
    const std::lock_guard guard(Lock());
    Pending& pending = AllPending()[static_cast<std::size_t>(step)];
    if (pending.error == 0 || done < pending.after) {
        return 0;
    }
    const int error = pending.error;
    pending = {};
    return error;
}

}  // namespace quilvane::faults
