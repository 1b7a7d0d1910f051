// On POSIX systems the system's error codes are errno values.
#include "platform/FailureMessages.hpp"
#include "platform/SystemErrors.hpp"

#include <gtest/gtest.h>

#include <cerrno>

namespace quilvane {
namespace {

TEST(SystemErrors, SystemCodesAreErrnoValues)
{
    EXPECT_EQ(ClassifySystemError({EDQUOT, std::system_category()}), SystemFailure::QuotaExceeded);
    EXPECT_EQ(ClassifySystemError({ETXTBSY, std::generic_category()}), SystemFailure::Busy);
    EXPECT_EQ(ClassifySystemError({EIO, std::system_category()}), SystemFailure::DiskError);
    EXPECT_EQ(SystemReason({EDQUOT, std::generic_category()}), "超出磁盘配额");
}

}  // namespace
}  // namespace quilvane
