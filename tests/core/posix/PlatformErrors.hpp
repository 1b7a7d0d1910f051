#pragma once

// The system's own error numbers for the failures the shared tests make
// happen, and the codes the file layer reports them with.
#include <cerrno>
#include <system_error>

namespace quilvane::testing {

inline constexpr int kDiskFull = ENOSPC;
inline constexpr int kDiskError = EIO;
inline constexpr int kQuotaExceeded = EDQUOT;
inline constexpr int kBusy = EBUSY;

inline std::error_code SystemCode(int error) { return {error, std::generic_category()}; }

}  // namespace quilvane::testing
