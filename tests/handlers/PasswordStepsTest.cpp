#include "ScriptedView.hpp"
#include "password/KeyStore.hpp"
#include "password/PasswordSteps.hpp"

#include <gtest/gtest.h>

namespace quilvane::testing {
namespace {

const std::string kHeader = "This is a important file.Dont`t rewrite me!6,2,1,";
const std::string kWrongPassword = "您输入的密码有误，密码必须为1-5之间的阿拉伯数字";

class PasswordSteps : public ::testing::Test {
protected:
    PasswordSteps()
    {
        view.programDir = dir.path();
        view.dataDir = dir / "data";
    }

    void enter(TextBox first, const std::array<std::string, 5>& digits, Frame panel)
    {
        view.frames = {false, false, false, false, false};
        view.frames[static_cast<std::size_t>(panel)] = true;
        for (std::size_t i = 0; i < 5; ++i) {
            view.box(static_cast<TextBox>(static_cast<std::size_t>(first) + i)) = digits[i];
        }
    }
    void enterEncryption(const std::array<std::string, 5>& digits) { enter(TextBox::Text1, digits, Frame::Frame2); }
    void enterDecryption(const std::array<std::string, 5>& digits) { enter(TextBox::Text6, digits, Frame::Frame3); }

    void expectBoxesEmpty()
    {
        for (const std::string& box : view.boxes) {
            EXPECT_EQ(box, "");
        }
    }
    std::string keyFile() const { return ReadBytes(dir / "temp.jxv"); }
    bool keyFileExists() const { return std::filesystem::exists(dir / "temp.jxv"); }

    TemporaryDirectory dir;
    ScriptedView view;
};

TEST_F(PasswordSteps, EncryptionConfirmedMovesOnAndWritesTheKeyDigit)
{
    enterEncryption({"1", "2", "3", "4", "5"});
    view.answers = {msgbox::kAnswerYes};
    Command3_Click(view);

    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0].title, "确认密码");
    EXPECT_EQ(view.messages[0].text, "您输入的密码为：12345 确认吗？");
    EXPECT_EQ(view.messages[0].style, 36);
    EXPECT_EQ(view.messages[1].title, "记录密码");
    EXPECT_EQ(view.messages[1].text, "您输入的密码（按A-E区顺序）为12345 请您务必记牢！");
    EXPECT_EQ(view.messages[1].style, 64);
    EXPECT_EQ(view.visibleFrame(), 4);
    EXPECT_EQ(keyFile(), kHeader + " 6 \r\n");
    expectBoxesEmpty();
    EXPECT_EQ(view.calls.back(), "clear Text5");
}

TEST_F(PasswordSteps, EncryptionAnsweredNoStaysWithoutWriting)
{
    enterEncryption({"3", "1", "4", "1", "5"});
    view.answers = {msgbox::kAnswerNo};
    Command3_Click(view);

    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "您输入的密码为：31415 确认吗？");
    EXPECT_EQ(view.visibleFrame(), 2);
    EXPECT_FALSE(keyFileExists());
    expectBoxesEmpty();
}

TEST_F(PasswordSteps, DecryptionMovesOnAtOnceAndWritesTheKeyDigit)
{
    enterDecryption({"5", "5", "1", "5", "5"});
    Command8_Click(view);

    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.visibleFrame(), 5);
    EXPECT_EQ(keyFile(), kHeader + " 5 \r\n");
    expectBoxesEmpty();
}

TEST_F(PasswordSteps, ARejectedPasswordIsReportedAndChangesNothingElse)
{
    WriteBytes(dir / "temp.jxv", kHeader + " 4 \r\n");
    for (const auto& digits : std::vector<std::array<std::string, 5>>{
             {"", "2", "3", "4", "5"}, {"1", "0", "3", "4", "5"}, {"1", "2", "6", "4", "5"},
             {"1", "2", "3", "a", "5"}, {"1", "2", "3", "4", "9"}}) {
        struct Path {
            TextBox firstBox;
            Frame panel;
            void (*next)(WizardView&);
            const char* title;
        };
        for (const Path& path : {Path{TextBox::Text1, Frame::Frame2, &Command3_Click, "密码设置出错"},
                                 Path{TextBox::Text6, Frame::Frame3, &Command8_Click, "密码填写出错"}}) {
            enter(path.firstBox, digits, path.panel);
            view.messages.clear();
            path.next(view);
            ASSERT_EQ(view.messages.size(), 1u);
            EXPECT_EQ(view.messages[0].title, path.title);
            EXPECT_EQ(view.messages[0].text, kWrongPassword);
            EXPECT_EQ(view.messages[0].style, 16);
            EXPECT_EQ(view.visibleFrame(), static_cast<int>(path.panel) + 1);
            expectBoxesEmpty();
        }
    }
    EXPECT_EQ(keyFile(), kHeader + " 4 \r\n");
}

TEST_F(PasswordSteps, AKeyFileThatCannotBeWrittenAnywhereKeepsTheUserOnThePasswordStep)
{
    // The program directory is writable, but the key file's name is taken by
    // a directory, and the user's data directory cannot be made: the writes
    // fail for root too.
    std::filesystem::create_directory(dir / "temp.jxv");
    WriteBytes(dir / "blocker", "a file where a folder should be");
    view.dataDir = dir / "blocker" / "data";

    enterEncryption({"1", "2", "3", "4", "5"});
    view.answers = {msgbox::kAnswerYes};
    Command3_Click(view);
    ASSERT_EQ(view.messages.size(), 3u);
    EXPECT_EQ(view.messages[2].style, 16);
    EXPECT_NE(view.messages[2].text.find((dir / "temp.jxv").string()), std::string::npos);
    EXPECT_NE(view.messages[2].text.find("这是一个文件夹"), std::string::npos);
    EXPECT_EQ(view.visibleFrame(), 2);
    expectBoxesEmpty();

    enterDecryption({"1", "2", "3", "4", "5"});
    view.messages.clear();
    Command8_Click(view);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].style, 16);
    EXPECT_EQ(view.visibleFrame(), 3);
    expectBoxesEmpty();
}

// Whatever makes the program's folder refuse the key file, the user's data
// folder takes it, and the file step reads it back from there.
TEST_F(PasswordSteps, AKeyFileRefusedInTheProgramFolderGoesToTheUserDataFolderAndIsReadBack)
{
    std::filesystem::create_directory(dir / "temp.jxv");
    enterEncryption({"1", "2", "3", "4", "5"});
    view.answers = {msgbox::kAnswerYes};
    Command3_Click(view);
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.visibleFrame(), 4);
    EXPECT_EQ(ReadBytes(dir / "data" / "temp.jxv"), kHeader + " 6 \r\n");

    const KeyShift read = LoadKeyShift(view);
    EXPECT_FALSE(read.error.has_value());
    EXPECT_EQ(read.shift, 2);
}

TEST_F(PasswordSteps, AProgramDirectoryThatCannotBeWrittenSendsTheKeyFileToTheUserDataDirectory)
{
    view.programDir = dir / "not there";
    enterDecryption({"2", "3", "4", "1", "5"});
    Command8_Click(view);

    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.visibleFrame(), 5);
    EXPECT_EQ(ReadBytes(dir / "data" / "temp.jxv"), kHeader + " 1 \r\n");
}

}  // namespace
}  // namespace quilvane::testing
