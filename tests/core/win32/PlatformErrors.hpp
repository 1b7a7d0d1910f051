#pragma once

// The system's own error numbers for the failures the shared tests make
// happen, and the codes the file layer reports them with.
#include <windows.h>

#include <system_error>

namespace quilvane::testing {

inline constexpr int kDiskFull = ERROR_DISK_FULL;
inline constexpr int kDiskError = ERROR_IO_DEVICE;
inline constexpr int kQuotaExceeded = 1295;  // ERROR_DISK_QUOTA_EXCEEDED, missing from mingw-w64's headers
inline constexpr int kBusy = ERROR_SHARING_VIOLATION;

inline std::error_code SystemCode(int error) { return {error, std::system_category()}; }

}  // namespace quilvane::testing
