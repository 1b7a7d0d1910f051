#include "platform/TemporaryNames.hpp"

#include <mutex>
#include <random>

namespace quilvane {
namespace {

constexpr std::string_view kPrefix = ".quilvane-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kRandomLength = 10;
constexpr std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";

}  // namespace

std::string NewTemporaryName()
{
    static std::mutex lock;
    static std::mt19937_64 random{std::random_device{}()};
    std::string name(kPrefix);
    const std::lock_guard guard(lock);
    for (std::size_t i = 0; i < kRandomLength; ++i) {
        name += kDigits[random() % kDigits.size()];
    }
    name += kSuffix;
    return name;
}

bool IsTemporaryName(std::string_view name)
{
    if (name.size() != kPrefix.size() + kRandomLength + kSuffix.size() || !name.starts_with(kPrefix) ||
        !name.ends_with(kSuffix)) {
        return false;
    }
    return name.substr(kPrefix.size(), kRandomLength).find_first_not_of(kDigits) == std::string_view::npos;
}

}  // namespace quilvane
