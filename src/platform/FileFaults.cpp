#include "platform/FileFaults.hpp"

#include <array>

namespace quilvane::faults {
namespace {

std::array<int, 5>& Pending()
{
    static std::array<int, 5> pending{};
    return pending;
}

}  // namespace

void FailNext(Step step, int error)
{
    Pending()[static_cast<std::size_t>(step)] = error;
}

void Clear()
{
    Pending().fill(0);
}

int Injected(Step step)
{
    int& pending = Pending()[static_cast<std::size_t>(step)];
    const int error = pending;
    pending = 0;
    return error;
}

}  // namespace quilvane::faults
