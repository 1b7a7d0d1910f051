// Win32 error codes are told apart from errno values, and the system's own
// text arrives in UTF-8 whatever the ANSI code page.
#include "platform/DocumentFile.hpp"
#include "platform/FailureMessages.hpp"
#include "platform/SystemErrors.hpp"
#include "platform/win32/WideText.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <cerrno>

namespace quilvane {
namespace {

constexpr DWORD kDiskQuotaExceeded = 1295;  // ERROR_DISK_QUOTA_EXCEEDED, missing from mingw-w64's headers

std::error_code Win32(DWORD code) { return {static_cast<int>(code), std::system_category()}; }

TEST(SystemErrors, TheSameNumberMeansWhatItsCategorySays)
{
    static_assert(ERROR_ACCESS_DENIED == EIO, "the collision this guards against");
    EXPECT_EQ(SystemReason(Win32(ERROR_ACCESS_DENIED)), "没有访问权限");
    EXPECT_EQ(SystemReason({EIO, std::generic_category()}), "磁盘读写错误");
    EXPECT_EQ(SystemReason(Win32(ERROR_FILE_NOT_FOUND)), "文件或文件夹不存在");
    EXPECT_EQ(SystemReason(Win32(ERROR_DISK_FULL)), "磁盘空间不足");
    EXPECT_EQ(SystemReason(Win32(kDiskQuotaExceeded)), "超出磁盘配额");
    EXPECT_EQ(SystemReason(Win32(ERROR_WRITE_PROTECT)), "磁盘是只读的");
}

// Another program holding the file (sharing or lock violation) gets a reason
// and advice of its own, not "access denied".
TEST(SystemErrors, AFileHeldByAnotherProgramIsSaidSo)
{
    for (DWORD code : {ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION}) {
        EXPECT_EQ(ClassifySystemError(Win32(code)), SystemFailure::HeldOpenElsewhere);
        const std::string text = failure::SaveText(FileError{L"C:\\文档.txt", Win32(code)});
        EXPECT_NE(text.find("正被其他程序打开"), std::string::npos) << text;
        EXPECT_NE(text.find("请关闭正在使用它的程序后再试"), std::string::npos) << text;
    }
}

TEST(SystemErrors, TheSystemsOwnTextIsUtf8WithoutALineEnd)
{
    const std::error_code unusual = Win32(ERROR_BAD_ENVIRONMENT);
    ASSERT_EQ(ClassifySystemError(unusual), SystemFailure::Other);
    const std::string text = SystemErrorText(unusual);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    // Valid UTF-8 comes back unchanged through UTF-16.
    EXPECT_EQ(win32::Utf8FromWide(win32::WideFromUtf8(text)), text);
    EXPECT_EQ(SystemReason(unusual), "系统错误 10：" + text);
}

TEST(SystemErrors, TheTestsRunWithTheChineseAnsiCodePage)
{
    EXPECT_EQ(::GetACP(), 936u) << "the Windows suites expect a Chinese desktop (code page 936)";
}

}  // namespace
}  // namespace quilvane
