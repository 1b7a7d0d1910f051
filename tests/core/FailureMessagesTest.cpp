// The reasons the messages give for a failed file operation.
#include "platform/FailureMessages.hpp"

#include "platform/DocumentFile.hpp"
#include "platform/FileRefusal.hpp"
#include "platform/PathText.hpp"

#include <gtest/gtest.h>

#include <cerrno>

namespace quilvane {
namespace {

struct ReasonCase {
    std::error_code error;
    const char* reason;
};

// errno values mean the same on every platform, whatever Win32 code shares
// their number.
TEST(SystemReason, NamesTheCauseOfAnErrnoValue)
{
    const ReasonCase cases[] = {
        {std::make_error_code(std::errc::no_such_file_or_directory), "文件或文件夹不存在"},
        {std::make_error_code(std::errc::permission_denied), "没有访问权限"},
        {std::make_error_code(std::errc::io_error), "磁盘读写错误"},
        {std::make_error_code(std::errc::no_space_on_device), "磁盘空间不足"},
        {std::make_error_code(std::errc::is_a_directory), "这是一个文件夹，不是文件"},
        {std::make_error_code(std::errc::read_only_file_system), "磁盘是只读的"},
        {std::make_error_code(std::errc::filename_too_long), "文件名太长"},
        {FileRefusal::ReadOnly, "文件被设为只读"},
        {FileRefusal::NotPermitted, "您没有修改这个文件的权限"},
        {FileRefusal::OwnerNotKept, "这个文件属于其他用户，改写后无法保留它原来的所有者"},
        {std::make_error_code(std::errc::not_enough_memory), "内存不足"},
    };
    for (const ReasonCase& c : cases) {
        EXPECT_EQ(SystemReason(c.error), c.reason) << c.error.message();
    }
}

TEST(SystemReason, AnUnknownErrorIsShownWithItsNumberAndTheSystemsText)
{
    const std::error_code unknown(EDOM, std::generic_category());
    EXPECT_EQ(SystemReason(unknown), "系统错误 " + std::to_string(EDOM) + "：" + unknown.message());
}

TEST(FailureText, NamesAChineseFileInUtf8)
{
    const auto path = PathFromUtf8("文件夹/加密文档.txt");
    const std::string text = failure::SaveText(FileError{path, FileRefusal::ReadOnly});
    EXPECT_NE(text.find("“" + PathToUtf8(path) + "”"), std::string::npos) << text;
    EXPECT_NE(text.find("加密文档.txt"), std::string::npos) << text;
    EXPECT_NE(text.find("请先取消该文件的只读属性"), std::string::npos) << text;
}

// Another user's file: the message names it, says why and that nothing
// changed, and whom to ask.
TEST(FailureText, AFileOfAnotherUserIsExplainedAndLeftUnchanged)
{
    for (const FileRefusal refusal : {FileRefusal::NotPermitted, FileRefusal::OwnerNotKept}) {
        const std::string text = failure::SaveText(FileError{PathFromUtf8("共享/他的文档.txt"), refusal});
        EXPECT_NE(text.find("他的文档.txt"), std::string::npos) << text;
        EXPECT_NE(text.find(SystemReason(refusal)), std::string::npos) << text;
        EXPECT_NE(text.find("文件保持原样，没有被修改"), std::string::npos) << text;
        EXPECT_NE(text.find("所有者或管理员"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace quilvane
