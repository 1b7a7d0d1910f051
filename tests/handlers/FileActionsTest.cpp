#include "ScriptedView.hpp"
#include "password/KeyFile.hpp"
#include "transform/FileActions.hpp"
#include "transform/ShiftText.hpp"

#include <gtest/gtest.h>

namespace quilvane::testing {
namespace {

const std::string kFilter = "文本文件(*.txt)|*.txt|所有文件 (*.*)|*.*";

class FileActions : public ::testing::Test {
protected:
    FileActions()
    {
        view.programDir = dir.path();
        view.dataDir = dir / "data";
        EXPECT_FALSE(WriteKeyFile(dir.path(), 4).has_value());
    }

    std::filesystem::path makeFile(const std::string& name, const std::string& bytes)
    {
        WriteBytes(dir / name, bytes);
        return dir / name;
    }
    void open(const std::filesystem::path& file, void (*handler)(WizardView&) = &Command4_Click)
    {
        view.choices.push_back(file);
        handler(view);
    }
    void encrypt(int answer)
    {
        view.answers.push_back(answer);
        Command5_Click(view);
    }

    TemporaryDirectory dir;
    ScriptedView view;
};

TEST_F(FileActions, OpenLoadsTheChosenFileByteForByte)
{
    const std::string bytes("line\r\nNUL\0here\nlone\r{\\rtf1 markup}\xD6\xD0", 35);
    const auto file = makeFile("any.bin", bytes);
    open(file);
    EXPECT_EQ(view.filter, kFilter);
    EXPECT_EQ(view.fileName, file);
    EXPECT_EQ(view.document, bytes);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(FileActions, EncryptWritesTheShiftedTextAndALineEndThenOkEndsTheProgram)
{
    const auto file = makeFile("plain.txt", "AB");
    open(file);
    encrypt(msgbox::kAnswerOk);

    EXPECT_EQ(ReadBytes(file), "?@\r\n");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "加密完成");
    EXPECT_EQ(view.messages[0].text, "加密已经完成，单击“确定”按钮退出。");
    EXPECT_EQ(view.messages[0].style, 65);
    EXPECT_TRUE(view.ended);
}

TEST_F(FileActions, CancelAfterEncryptionShowsThePlainTextAgainAndAgainEncryptsTheSame)
{
    const auto file = makeFile("plain.txt", "\xD6\xD0 text\r\n");
    open(file);
    encrypt(msgbox::kAnswerCancel);
    EXPECT_FALSE(view.ended);
    EXPECT_EQ(view.document, "\xD6\xD0 text\r\n");
    const std::string encrypted = ReadBytes(file);
    EXPECT_EQ(encrypted, "\xD6\xCE\x1E" "rcvr\x0B\x08\r\n");

    encrypt(msgbox::kAnswerOk);
    EXPECT_EQ(ReadBytes(file), encrypted);
    EXPECT_TRUE(view.ended);
}

TEST_F(FileActions, EncryptBeforeAnyOpenShiftsTheViewAndWarnsEachTime)
{
    view.document = "AB";
    Command5_Click(view);
    Command5_Click(view);
    EXPECT_EQ(view.document, "=>");
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0].title, "文件尚未打开");
    EXPECT_EQ(view.messages[0].text, "请先单击“打开文件”按钮，选定将要加密的文件后再单击此按钮。");
    EXPECT_EQ(view.messages[0].style, 48);

    ScriptedView decrypting = view;
    decrypting.messages.clear();
    Command10_Click(decrypting);
    ASSERT_EQ(decrypting.messages.size(), 1u);
    EXPECT_EQ(decrypting.messages[0].text, "请先单击“打开文件”按钮，选定将要解密的文件后再单击此按钮。");
    EXPECT_EQ(decrypting.messages[0].style, 48);
    EXPECT_FALSE(decrypting.ended);
}

TEST_F(FileActions, DecryptRestoresTheFileAndEndsWithTwoMessages)
{
    const auto file = makeFile("secret.txt", "?@\r\n");
    open(file, &Command9_Click);
    Command10_Click(view);

    EXPECT_EQ(ReadBytes(file), "AB");
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0].title, "解密完成");
    EXPECT_EQ(view.messages[0].text, "解密已经完成，单击“确定”按钮退出。");
    EXPECT_EQ(view.messages[0].style, 64);
    EXPECT_EQ(view.messages[1].title, "工作完成");
    EXPECT_EQ(view.messages[1].text, "感谢您使用由Tobrek编写制作的《Quilvane2.0》");
    EXPECT_EQ(view.messages[1].style, 64);
    EXPECT_TRUE(view.ended);
}

// Encrypting and then decrypting gives back every file exactly: the line end
// encryption appends is taken off again, and nothing else is touched.
TEST_F(FileActions, DecryptingAnEncryptedFileGivesBackItsExactBytes)
{
    const std::vector<std::string> contents = {
        "",
        "no line end",
        "windows lines\r\n\r\n",
        "unix lines\n",
        std::string("nul \0 and \x01 and \x02", 17),
        "\xD6\xD0\xCE\xC4\xA3\xAC\xB0\xA1\r\n",
        "lone lead at the end \xD6",
        "\x80\xFF\xFE\x7F odd bytes",
    };
    for (const std::string& content : contents) {
        const auto file = makeFile("round.txt", content);
        ScriptedView encrypting = view;
        encrypting.choices = {file};
        encrypting.answers = {msgbox::kAnswerOk};
        Command4_Click(encrypting);
        Command5_Click(encrypting);
        ASSERT_TRUE(encrypting.ended);

        ScriptedView decrypting = view;
        decrypting.choices = {file};
        Command9_Click(decrypting);
        Command10_Click(decrypting);
        ASSERT_TRUE(decrypting.ended);
        EXPECT_EQ(ReadBytes(file), content);
    }
}

TEST_F(FileActions, AChangeThatCouldNotBeUndoneIsRefusedAndNothingIsWritten)
{
    const std::string plain("\x81\x00 cannot come back", 19);
    const auto plainFile = makeFile("plain.bin", plain);
    open(plainFile);
    Command5_Click(view);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "无法加密");
    EXPECT_EQ(view.messages[0].style, 16);
    EXPECT_NE(view.messages[0].text.find(plainFile.string()), std::string::npos);
    EXPECT_EQ(view.document, plain);
    EXPECT_EQ(ReadBytes(plainFile), plain);
    EXPECT_FALSE(view.ended);

    const std::string notOurs = "\x7F" "A not encrypted by us\r\n";
    const auto otherFile = makeFile("other.txt", notOurs);
    view.messages.clear();
    open(otherFile, &Command9_Click);
    Command10_Click(view);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "无法解密");
    EXPECT_EQ(view.document, notOurs);
    EXPECT_EQ(ReadBytes(otherFile), notOurs);
    EXPECT_FALSE(view.ended);
}

TEST_F(FileActions, CancellingTheDialogKeepsTheProgramAndThePreviousFile)
{
    view.document = "";
    view.choices = {std::nullopt};
    Command4_Click(view);
    EXPECT_EQ(view.fileName, "");
    EXPECT_EQ(view.document, "");
    EXPECT_TRUE(view.messages.empty());

    const auto file = makeFile("first.txt", "first");
    open(file);
    WriteBytes(file, "first, edited");
    view.choices = {std::nullopt};
    Command9_Click(view);
    EXPECT_EQ(view.fileName, file);
    EXPECT_EQ(view.document, "first, edited");
    EXPECT_FALSE(view.ended);
}

// The old document is given back before a new one is read, so after a
// failed open no file is open: nothing can be written over the old file, or
// the new one, from a document that is not its own.
TEST_F(FileActions, AFileThatCannotBeOpenedIsReportedAndLeavesNoFileOpen)
{
    std::filesystem::create_directory(dir / "folder.txt");
    for (const auto& bad : {dir / "missing.txt", dir / "folder.txt"}) {
        const auto file = makeFile("good.txt", "good");
        open(file);
        view.messages.clear();
        open(bad);
        ASSERT_EQ(view.messages.size(), 1u);
        EXPECT_EQ(view.messages[0].title, "无法打开文件");
        EXPECT_EQ(view.messages[0].style, 16);
        EXPECT_NE(view.messages[0].text.find(bad.string()), std::string::npos);
        EXPECT_EQ(view.document, "");
        EXPECT_EQ(view.fileName, "");
        EXPECT_FALSE(view.stamp.known());

        Command5_Click(view);
        EXPECT_EQ(view.messages.back().title, "文件尚未打开");
        EXPECT_EQ(ReadBytes(file), "good");
    }
}

// A document that was never read from the named file (no stamp) is never
// written over it, whichever way the name and the document came apart.
TEST_F(FileActions, ADocumentNotReadFromTheNamedFileIsNeverWrittenOverIt)
{
    const auto file = makeFile("other.txt", "other's text");
    view.fileName = file;
    view.document = "AB";
    for (auto handler : {&Command5_Click, &Command10_Click}) {
        view.messages.clear();
        handler(view);
        ASSERT_EQ(view.messages.size(), 1u);
        EXPECT_EQ(view.messages[0].title, "无法保存文件");
        EXPECT_EQ(ReadBytes(file), "other's text");
        EXPECT_EQ(view.document, "AB");
        EXPECT_FALSE(view.ended);
    }
}

TEST_F(FileActions, AFileThatCannotBeWrittenIsReportedAndNothingChanges)
{
    const auto file = makeFile("gone.txt", "AB");
    open(file);
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);  // the name now belongs to a folder
    Command5_Click(view);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "无法保存文件");
    EXPECT_EQ(view.messages[0].style, 16);
    EXPECT_NE(view.messages[0].text.find(file.string()), std::string::npos);
    EXPECT_EQ(view.document, "AB");
    EXPECT_TRUE(std::filesystem::is_directory(file));
    EXPECT_FALSE(view.ended);
}

TEST_F(FileActions, AFileChangedOnDiskSinceItWasOpenedIsNotOverwritten)
{
    const auto file = makeFile("shared.txt", "AB");
    open(file);
    WriteBytes(file, "someone else's edit");
    Command5_Click(view);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "无法保存文件");
    EXPECT_NE(view.messages[0].text.find("被其他程序修改"), std::string::npos);
    EXPECT_NE(view.messages[0].text.find("重新打开"), std::string::npos);
    EXPECT_EQ(ReadBytes(file), "someone else's edit");
    EXPECT_EQ(view.document, "AB");

    // Opened again, it is encrypted as it now is.
    view.messages.clear();
    open(file);
    encrypt(msgbox::kAnswerOk);
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(ReadBytes(file), ShiftText("someone else's edit", -2) + "\r\n");
}

TEST_F(FileActions, AReadOnlyOrHardLinkedFileIsNotWritten)
{
    const auto readOnly = makeFile("read only.txt", "AB");
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    open(readOnly);
    Command5_Click(view);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].text.find("只读"), std::string::npos);
    EXPECT_EQ(ReadBytes(readOnly), "AB");

    const auto linked = makeFile("linked.txt", "AB");
    std::filesystem::create_hard_link(linked, dir / "second name.txt");
    view.messages.clear();
    open(linked);
    Command5_Click(view);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].text.find("硬链接"), std::string::npos);
    EXPECT_EQ(ReadBytes(linked), "AB");
    EXPECT_EQ(ReadBytes(dir / "second name.txt"), "AB");
    EXPECT_FALSE(view.ended);
}

TEST_F(FileActions, CancellingTheProgressOfAnOpenSaysNothingAndLeavesNoFileOpen)
{
    const auto first = makeFile("first.txt", "first");
    open(first);
    const auto second = makeFile("second.txt", std::string(3u << 20, 'x'));
    view.cancelAfter = 0;
    open(second);
    ASSERT_FALSE(view.progress.empty());
    EXPECT_TRUE(view.progress.back().cancellable);
    EXPECT_EQ(view.document, "");
    EXPECT_EQ(view.fileName, "");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(FileActions, ALargeFileIsEncryptedAndDecryptedWithProgressToTheEnd)
{
    std::string content;
    for (int i = 0; content.size() < (40u << 20); ++i) {
        content += "line " + std::to_string(i) + " \xD6\xD0\xCE\xC4\r\n";
    }
    const auto file = makeFile("large.txt", content);
    open(file);
    encrypt(msgbox::kAnswerOk);
    ASSERT_TRUE(view.ended);
    ASSERT_GE(view.progress.size(), 2u);
    const auto& encrypting = view.progress.back();
    EXPECT_EQ(encrypting.title, "正在加密文件");
    EXPECT_FALSE(encrypting.cancellable);
    ASSERT_GE(encrypting.updates.size(), 3u);
    for (std::size_t i = 1; i < encrypting.updates.size(); ++i) {
        EXPECT_LE(encrypting.updates[i - 1].first, encrypting.updates[i].first);
        EXPECT_EQ(encrypting.updates[i].second, content.size());
    }
    EXPECT_EQ(encrypting.updates.back().first, content.size());

    ScriptedView decrypting = view;
    decrypting.ended = false;
    decrypting.choices = {file};
    decrypting.messages.clear();
    Command9_Click(decrypting);
    Command10_Click(decrypting);
    ASSERT_TRUE(decrypting.ended);
    EXPECT_EQ(ReadBytes(file), content);
}

TEST_F(FileActions, AMissingKeyFileIsReportedBeforeAnythingElseHappens)
{
    std::filesystem::remove(dir / "temp.jxv");
    view.document = "AB";
    Command5_Click(view);
    Command10_Click(view);
    ASSERT_EQ(view.messages.size(), 2u);
    for (const auto& message : view.messages) {
        EXPECT_EQ(message.title, "密钥文件出错");
        EXPECT_EQ(message.style, 16);
        EXPECT_NE(message.text.find("temp.jxv"), std::string::npos);
    }
    EXPECT_EQ(view.document, "AB");

    WriteBytes(dir / "temp.jxv", "damaged");
    view.messages.clear();
    Command5_Click(view);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].text.find("已损坏"), std::string::npos);
    EXPECT_EQ(view.document, "AB");
}

}  // namespace
}  // namespace quilvane::testing
