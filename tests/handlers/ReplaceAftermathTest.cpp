// What the user is told when a write fails at either end of the pass: a
// file that could not be read, and a file replaced when no memory was left
// to show it.
#include "PlatformErrors.hpp"
#include "ScriptedView.hpp"
#include "password/KeyFile.hpp"
#include "platform/FileFaults.hpp"
#include "transform/FileActions.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <new>

namespace quilvane::testing {
namespace {

class ReplaceAftermath : public ::testing::Test {
protected:
    ReplaceAftermath()
    {
        view.programDir = dir.path();
        view.dataDir = dir / "data";
        EXPECT_FALSE(WriteKeyFile(dir.path(), 4).has_value());
        WriteBytes(file, "AB");
        view.choices.push_back(file);
        Command4_Click(view);
    }
    void TearDown() override { faults::Clear(); }

    TemporaryDirectory dir;
    std::filesystem::path file = dir / "plain.txt";
    ScriptedView view;
};

TEST_F(ReplaceAftermath, AFileThatCannotBeReadIsReportedAsUnreadAndLeftAsItWas)
{
    faults::FailNext(faults::Step::Read, kDiskError);
    view.answers.push_back(msgbox::kAnswerOk);
    Command5_Click(view);

    EXPECT_EQ(ReadBytes(file), "AB");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "无法读取文件");
    EXPECT_NE(view.messages[0].text.find("无法读取文件"), std::string::npos) << view.messages[0].text;
    EXPECT_NE(view.messages[0].text.find("磁盘读写错误"), std::string::npos) << view.messages[0].text;
    EXPECT_NE(view.messages[0].text.find("文件保持原样"), std::string::npos) << view.messages[0].text;
    EXPECT_EQ(view.messages[0].text.find("无法写入"), std::string::npos) << view.messages[0].text;
    EXPECT_FALSE(view.ended);
}

// One allocation fails after the rename: the file is read again for the
// view, which shows what the file now holds, and the action ends as usual.
TEST_F(ReplaceAftermath, OneFailedAllocationAfterTheRenameStillShowsWhatTheFileHolds)
{
    faults::FailNext(faults::Step::ShowWritten, ENOMEM);
    view.answers.push_back(msgbox::kAnswerCancel);
    Command5_Click(view);

    EXPECT_EQ(ReadBytes(file), "?@\r\n");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "加密完成");
    EXPECT_EQ(view.shown.excerpt, "AB");  // Cancel shows the plain text again

    // The document is the file as it is now: encrypting again is no change
    // by someone else, and gives the same bytes.
    view.answers.push_back(msgbox::kAnswerOk);
    Command5_Click(view);
    EXPECT_EQ(ReadBytes(file), "?@\r\n");
    EXPECT_TRUE(view.ended);
}

// No memory at all after the rename: the message says the file was
// changed, and no stale document is left to be written from.
TEST_F(ReplaceAftermath, NoMemoryAfterTheRenameSaysTheFileWasReplaced)
{
    faults::WhenReached(faults::Step::ShowWritten, [] { throw std::bad_alloc(); });
    view.answers.push_back(msgbox::kAnswerOk);
    Command5_Click(view);

    EXPECT_EQ(ReadBytes(file), "?@\r\n");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "无法显示文件");
    EXPECT_NE(view.messages[0].text.find("已经改写完成"), std::string::npos) << view.messages[0].text;
    EXPECT_NE(view.messages[0].text.find("内存不足"), std::string::npos) << view.messages[0].text;
    EXPECT_EQ(view.messages[0].text.find("没有被修改"), std::string::npos) << view.messages[0].text;
    EXPECT_FALSE(view.shown.hasFile());
    EXPECT_TRUE(view.fileName.empty());
    EXPECT_FALSE(view.ended);
}

}  // namespace
}  // namespace quilvane::testing
