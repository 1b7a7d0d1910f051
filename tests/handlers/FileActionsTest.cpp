#include "ScriptedView.hpp"
#include "password/KeyFile.hpp"
#include "platform/FileFaults.hpp"
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

    void TearDown() override { faults::Clear(); }

    // Temporary files of a write left in the folder.
    std::vector<std::string> temporaries() const
    {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            const std::string name = PathToUtf8(entry.path().filename());
            if (name.starts_with(".quilvane-")) {
                found.push_back(name);
            }
        }
        return found;
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
    EXPECT_EQ(view.shown.excerpt, bytes);
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
    EXPECT_EQ(view.shown.excerpt, "\xD6\xD0 text\r\n");
    const std::string encrypted = ReadBytes(file);
    EXPECT_EQ(encrypted, "\xD6\xCE\x1E" "rcvr\x0B\x08\r\n");

    encrypt(msgbox::kAnswerOk);
    EXPECT_EQ(ReadBytes(file), encrypted);
    EXPECT_TRUE(view.ended);
}

TEST_F(FileActions, EncryptBeforeAnyOpenShiftsTheViewAndWarnsEachTime)
{
    view.shown.excerpt = "AB";
    Command5_Click(view);
    Command5_Click(view);
    EXPECT_EQ(view.shown.excerpt, "=>");
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
    EXPECT_EQ(view.shown.excerpt, plain);
    EXPECT_EQ(ReadBytes(plainFile), plain);
    EXPECT_FALSE(view.ended);

    const std::string notOurs = "\x7F" "A not encrypted by us\r\n";
    const auto otherFile = makeFile("other.txt", notOurs);
    view.messages.clear();
    open(otherFile, &Command9_Click);
    Command10_Click(view);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "无法解密");
    EXPECT_EQ(view.shown.excerpt, notOurs);
    EXPECT_EQ(ReadBytes(otherFile), notOurs);
    EXPECT_FALSE(view.ended);
}

TEST_F(FileActions, CancellingTheDialogKeepsTheProgramAndThePreviousFile)
{
    view.shown.excerpt = "";
    view.choices = {std::nullopt};
    Command4_Click(view);
    EXPECT_EQ(view.fileName, "");
    EXPECT_EQ(view.shown.excerpt, "");
    EXPECT_TRUE(view.messages.empty());

    const auto file = makeFile("first.txt", "first");
    open(file);
    WriteBytes(file, "first, edited");
    view.choices = {std::nullopt};
    Command9_Click(view);
    EXPECT_EQ(view.fileName, file);
    EXPECT_EQ(view.shown.excerpt, "first, edited");
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
        EXPECT_EQ(view.shown.excerpt, "");
        EXPECT_EQ(view.fileName, "");
        EXPECT_FALSE(view.shown.stamp.known());

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
    view.shown.excerpt = "AB";
    for (auto handler : {&Command5_Click, &Command10_Click}) {
        view.messages.clear();
        handler(view);
        ASSERT_EQ(view.messages.size(), 1u);
        EXPECT_EQ(view.messages[0].title, "无法保存文件");
        EXPECT_EQ(ReadBytes(file), "other's text");
        EXPECT_EQ(view.shown.excerpt, "AB");
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
    EXPECT_EQ(view.shown.excerpt, "AB");
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
    EXPECT_EQ(view.shown.excerpt, "AB");

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

// However large the file, opening reads its beginning only, cut between
// whole characters, and the actions still work on all of it.
TEST_F(FileActions, OpeningALargeFileReadsOnlyItsBeginning)
{
    std::string content = "A";
    while (content.size() < (3u << 20)) {
        content += "\xD6\xD0";
    }
    const auto file = makeFile("large.txt", content);
    open(file);
    EXPECT_TRUE(view.shown.more);
    EXPECT_EQ(view.shown.excerpt.size(), kExcerptLimit - 1) << "a character cut by the limit is not shown";
    EXPECT_EQ(view.shown.excerpt, content.substr(0, kExcerptLimit - 1));
    EXPECT_EQ(view.shown.stamp.size, static_cast<std::int64_t>(content.size()));
    for (const auto& p : view.progress) {
        EXPECT_FALSE(p.cancellable);
        EXPECT_TRUE(p.updates.empty()) << "opening needs no progress";
    }

    encrypt(msgbox::kAnswerCancel);
    EXPECT_EQ(ReadBytes(file), ShiftText(content, -2) + "\r\n");
    EXPECT_EQ(view.shown.excerpt, content.substr(0, kExcerptLimit - 1)) << "the plain text again";
    encrypt(msgbox::kAnswerOk);
    EXPECT_EQ(ReadBytes(file), ShiftText(content, -2) + "\r\n");
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
    view.shown.excerpt = "AB";
    Command5_Click(view);
    Command10_Click(view);
    ASSERT_EQ(view.messages.size(), 2u);
    for (const auto& message : view.messages) {
        EXPECT_EQ(message.title, "密钥文件出错");
        EXPECT_EQ(message.style, 16);
        EXPECT_NE(message.text.find("temp.jxv"), std::string::npos);
    }
    EXPECT_EQ(view.shown.excerpt, "AB");

    WriteBytes(dir / "temp.jxv", "damaged");
    view.messages.clear();
    Command5_Click(view);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].text.find("已损坏"), std::string::npos);
    EXPECT_EQ(view.shown.excerpt, "AB");
}

// Another program appends to the file while it is being encrypted: its
// edit stays, and the user is told to open the file again.
TEST_F(FileActions, AnEditAnotherProgramMakesDuringTheWriteIsKept)
{
    const auto file = makeFile("shared.txt", "AB");
    open(file);
    faults::WhenReached(faults::Step::Rename,
                        [&] { std::ofstream(file, std::ios::binary | std::ios::app) << " and their edit"; });
    Command5_Click(view);
    faults::Clear();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "无法保存文件");
    EXPECT_NE(view.messages[0].text.find("被其他程序修改"), std::string::npos);
    EXPECT_EQ(ReadBytes(file), "AB and their edit");
    EXPECT_EQ(view.shown.excerpt, "AB");
    EXPECT_FALSE(view.ended);
}

// A failure that comes as an exception -- no memory somewhere on the way,
// early or late in the work, or no thread to work on -- is reported naming
// the file; the file and the document stay as they were, and the window
// goes on: the same action succeeds afterwards.
TEST_F(FileActions, AFailureThatComesAsAnExceptionIsReportedAndTheWindowGoesOn)
{
    std::string plain;
    for (int i = 0; plain.size() < (3u << 20); ++i) {
        plain += "line " + std::to_string(i) + " \xD6\xD0\xCE\xC4\r\n";
    }
    const std::string encrypted = ShiftText(plain, -2) + "\r\n";

    // How many progress updates a whole encryption and decryption tell.
    const auto counted = [&](const std::string& content, void (*opener)(WizardView&), void (*action)(WizardView&)) {
        ScriptedView counting = view;
        counting.choices = {makeFile("count.txt", content)};
        counting.answers = {msgbox::kAnswerOk};
        opener(counting);
        const std::size_t before = counting.updates();
        action(counting);
        EXPECT_TRUE(counting.ended);
        return static_cast<int>(counting.updates() - before);
    };
    const int encrypting = counted(plain, &Command4_Click, &Command5_Click);
    const int decrypting = counted(encrypted, &Command9_Click, &Command10_Click);
    ASSERT_GE(encrypting, 3);
    ASSERT_GE(decrypting, 3);

    struct Case {
        const char* what;
        bool decrypt;
        std::optional<int> throwAfter;  // else no thread for the work
    };
    for (const Case& c : {Case{"encrypt, at the start", false, 0}, Case{"encrypt, half way", false, encrypting / 2},
                          Case{"encrypt, at the last update", false, encrypting - 1},
                          Case{"encrypt, no thread", false, std::nullopt},
                          Case{"decrypt, half way", true, decrypting / 2},
                          Case{"decrypt, no thread", true, std::nullopt}}) {
        const std::string content = c.decrypt ? encrypted : plain;
        const auto file = makeFile("document.txt", content);
        open(file, c.decrypt ? &Command9_Click : &Command4_Click);
        const Document opened = view.shown;
        ScriptedView failing = view;
        failing.messages.clear();
        if (c.throwAfter) {
            failing.throwAfter = static_cast<int>(failing.updates()) + *c.throwAfter;
        } else {
            failing.workCannotStart = true;
        }
        (c.decrypt ? &Command10_Click : &Command5_Click)(failing);

        ASSERT_EQ(failing.messages.size(), 1u) << c.what;
        EXPECT_EQ(failing.messages[0].title, "无法保存文件") << c.what;
        EXPECT_EQ(failing.messages[0].style, 16) << c.what;
        EXPECT_NE(failing.messages[0].text.find("document.txt"), std::string::npos) << c.what;
        EXPECT_NE(failing.messages[0].text.find("没有被修改"), std::string::npos) << c.what;
        EXPECT_TRUE(ReadBytes(file) == content) << c.what;
        EXPECT_TRUE(failing.shown.excerpt == opened.excerpt && failing.shown.stamp == opened.stamp) << c.what;
        EXPECT_FALSE(failing.ended) << c.what;
        EXPECT_EQ(temporaries(), std::vector<std::string>{}) << c.what;

        failing.throwAfter.reset();
        failing.workCannotStart = false;
        failing.answers = {msgbox::kAnswerOk};
        (c.decrypt ? &Command10_Click : &Command5_Click)(failing);
        EXPECT_TRUE(failing.ended) << c.what;
        EXPECT_TRUE(ReadBytes(file) == (c.decrypt ? plain : encrypted)) << c.what;
    }
}

TEST_F(FileActions, AnOpenWithoutAThreadToReadOnIsReportedAndLeavesNoFileOpen)
{
    const auto file = makeFile("first.txt", "first");
    open(file);
    view.workCannotStart = true;
    open(makeFile("second.txt", "second"));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "无法打开文件");
    EXPECT_NE(view.messages[0].text.find("second.txt"), std::string::npos);
    EXPECT_EQ(view.shown.excerpt, "");
    EXPECT_EQ(view.fileName, "");
    EXPECT_FALSE(view.shown.stamp.known());
}

}  // namespace
}  // namespace quilvane::testing
