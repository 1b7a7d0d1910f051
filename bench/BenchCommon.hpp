#pragma once

// What every part of the file bench shares: units, the median, failures.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline constexpr std::uint64_t kMiB = 1u << 20;

inline double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

inline double MiB(std::uint64_t bytes)
{
    return static_cast<double>(bytes) / static_cast<double>(kMiB);
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

[[noreturn]] inline void Fail(const std::string& what)
{
    throw std::runtime_error(what);
}

inline std::string SystemText(int error)
{
    return std::strerror(error);
}

inline bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace bench
