// Several files chosen at once: each goes the one-file road, under one
// progress window, and what was not done is named and stays chosen.
#include "ScriptedView.hpp"
#include "password/KeyFile.hpp"
#include "platform/FileFaults.hpp"
#include "transform/Commands.hpp"
#include "transform/FileActions.hpp"
#include "transform/ShiftText.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace quilvane::testing {
namespace {

using Paths = std::vector<std::filesystem::path>;

class FileBatch : public ::testing::Test {
protected:
    FileBatch()
    {
        view.programDir = dir.path();
        view.dataDir = dir / "data";
        EXPECT_FALSE(WriteKeyFile(dir.path(), 4).has_value());
    }

    void TearDown() override { faults::Clear(); }

    std::filesystem::path makeFile(const std::string& name, const std::string& bytes)
    {
        WriteBytes(dir / PathFromUtf8(name), bytes);
        return dir / PathFromUtf8(name);
    }
    void choose(const Paths& files, void (*handler)(WizardView&) = &Command4_Click)
    {
        view.severalChoices.push_back(files);
        handler(view);
    }
    static Paths Chosen(const Document& document)
    {
        Paths files;
        for (const Document& file : document.batch) {
            files.push_back(file.file);
        }
        return files;
    }
    static bool Names(const std::string& text, const std::filesystem::path& file)
    {
        return text.find("“" + PathToUtf8(file) + "”") != std::string::npos;
    }

    TemporaryDirectory dir;
    ScriptedView view;
};

const std::vector<std::string> kContents = {
    "AB",
    "\xD6\xD0\xCE\xC4 text\r\nsecond line\r\n",
    "",
    "unix lines\n\x80\xFF odd bytes",
};

TEST_F(FileBatch, EveryFileIsEncryptedAndDecryptedExactlyUnderOneProgressWindow)
{
    Paths files;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < kContents.size(); ++i) {
        files.push_back(makeFile("日记-" + std::to_string(i) + ".txt", kContents[i]));
        total += kContents[i].size();
    }
    choose(files);
    EXPECT_EQ(view.fileNames, files);
    EXPECT_EQ(Chosen(view.shown), files);
    EXPECT_TRUE(view.shown.excerpt.empty()) << "no file's content is read to list them";
    EXPECT_TRUE(view.messages.empty());

    view.answers = {msgbox::kAnswerOk};
    const std::size_t before = view.progress.size();
    Command5_Click(view);
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(ReadBytes(files[i]), ShiftText(kContents[i], -2) + "\r\n") << i;
    }
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "加密完成");
    EXPECT_EQ(view.messages[0].text, "加密已经完成，单击“确定”按钮退出。");
    EXPECT_EQ(view.messages[0].style, 65);
    EXPECT_TRUE(view.ended);

    ASSERT_EQ(view.progress.size(), before + 1) << "one progress window for the whole batch";
    const auto& progress = view.progress.back();
    EXPECT_EQ(progress.title, "正在加密文件");
    EXPECT_TRUE(progress.cancellable);
    const std::vector<std::pair<std::size_t, std::size_t>> told = {{1, 4}, {2, 4}, {3, 4}, {4, 4}};
    EXPECT_EQ(progress.files, told);
    for (std::size_t i = 0; i < progress.updates.size(); ++i) {
        EXPECT_EQ(progress.updates[i].second, total);
        EXPECT_TRUE(i == 0 || progress.updates[i - 1].first <= progress.updates[i].first);
    }
    EXPECT_EQ(progress.updates.back().first, total);

    ScriptedView decrypting;
    decrypting.programDir = dir.path();
    decrypting.severalChoices = {files};
    Command9_Click(decrypting);
    Command10_Click(decrypting);
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_TRUE(ReadBytes(files[i]) == kContents[i]) << i;
    }
    ASSERT_EQ(decrypting.messages.size(), 2u);
    EXPECT_EQ(decrypting.messages[0].title, "解密完成");
    EXPECT_EQ(decrypting.messages[1].title, "工作完成");
    EXPECT_TRUE(decrypting.ended);
}

// Cancel on 加密完成 keeps every file's plain text pending, as for one file:
// a second 加密文件 writes the same encrypted files again.
TEST_F(FileBatch, CancelOnEncryptionDoneKeepsEveryFilePending)
{
    const Paths files = {makeFile("a.txt", kContents[0]), makeFile("b.txt", kContents[1])};
    choose(files);
    view.answers = {msgbox::kAnswerCancel, msgbox::kAnswerOk};
    Command5_Click(view);
    EXPECT_FALSE(view.ended);
    EXPECT_EQ(Chosen(view.shown), files);
    Command5_Click(view);
    EXPECT_TRUE(view.ended);
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(ReadBytes(files[i]), ShiftText(kContents[i], -2) + "\r\n") << i;
    }
}

// A file the one-file road refuses is refused in a batch too, untouched,
// and the others are done. The same file under a second name is done once.
TEST_F(FileBatch, RefusedFilesAreNamedLeftAloneAndStayChosen)
{
    const auto first = makeFile("first.txt", "first");
    const auto readOnly = makeFile("read only.txt", "AB");
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    const auto linked = makeFile("linked.txt", "AB");
    std::filesystem::create_hard_link(linked, dir / "other name.txt");
    const auto last = makeFile("last.txt", "last");
    const auto spelledOtherwise = dir / "." / "first.txt";  // the same file by another path

    choose({first, readOnly, linked, last, first, spelledOtherwise, dir / "other name.txt"});
    Command5_Click(view);

    EXPECT_EQ(ReadBytes(first), ShiftText("first", -2) + "\r\n") << "encrypted once only";
    EXPECT_EQ(ReadBytes(last), ShiftText("last", -2) + "\r\n");
    EXPECT_EQ(ReadBytes(readOnly), "AB");
    EXPECT_EQ(ReadBytes(linked), "AB");
    EXPECT_FALSE(view.ended);

    ASSERT_EQ(view.messages.size(), 1u);
    const auto& message = view.messages[0];
    EXPECT_EQ(message.title, "部分文件未加密");
    EXPECT_EQ(message.style, 48);
    EXPECT_NE(message.text.find("已加密 2 个文件，共 7 个"), std::string::npos) << message.text;
    EXPECT_NE(message.text.find("以下 5 个文件没有加密"), std::string::npos) << message.text;
    EXPECT_NE(message.text.find(PathToUtf8(readOnly) + "”：文件被设为只读"), std::string::npos) << message.text;
    EXPECT_NE(message.text.find(PathToUtf8(linked) + "”：这个文件还有其他名称"), std::string::npos) << message.text;
    EXPECT_NE(message.text.find(PathToUtf8(first) + "”：在列表中重复出现"), std::string::npos) << message.text;
    EXPECT_NE(message.text.find(PathToUtf8(spelledOtherwise) + "”：与前面的“" + PathToUtf8(first) + "”是同一个文件"),
              std::string::npos)
        << message.text;
    EXPECT_FALSE(Names(message.text, last));

    const Paths left = {readOnly, linked, first, spelledOtherwise, dir / "other name.txt"};
    EXPECT_EQ(view.fileNames, left);
    EXPECT_EQ(Chosen(view.shown), left);

    // Tried again, nothing is encrypted twice: the second names of a file
    // done are refused as changed since chosen.
    view.messages.clear();
    Command5_Click(view);
    EXPECT_EQ(ReadBytes(first), ShiftText("first", -2) + "\r\n");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].text.find("已加密 0 个文件，共 5 个"), std::string::npos) << view.messages[0].text;
    EXPECT_EQ(view.fileNames, left);
}

// Cancel stops before the next file: whenever it is pressed, the files done
// are the first ones, each whole, the rest untouched and still chosen.
TEST_F(FileBatch, CancelStopsBeforeTheNextFile)
{
    Paths files;
    for (int i = 0; i < 3; ++i) {
        files.push_back(makeFile("file" + std::to_string(i) + ".txt", "text " + std::to_string(i)));
    }
    std::size_t lastDone = 0;
    for (int cancelAfter = 1; lastDone < files.size() - 1; ++cancelAfter) {
        ASSERT_LT(cancelAfter, 20) << "Cancel never stopped the batch";
        for (std::size_t i = 0; i < files.size(); ++i) {
            WriteBytes(files[i], "text " + std::to_string(i));
        }
        view = ScriptedView{};
        view.programDir = dir.path();
        choose(files);
        view.cancelAfter = static_cast<int>(view.updates()) + cancelAfter;
        Command5_Click(view);

        std::size_t done = 0;
        while (done < files.size() && ReadBytes(files[done]) != "text " + std::to_string(done)) {
            EXPECT_EQ(ReadBytes(files[done]), ShiftText("text " + std::to_string(done), -2) + "\r\n");
            ++done;
        }
        for (std::size_t i = done; i < files.size(); ++i) {
            EXPECT_EQ(ReadBytes(files[i]), "text " + std::to_string(i)) << "after cancel " << cancelAfter;
        }
        EXPECT_GE(done, lastDone) << "a later cancel does no less";
        lastDone = done;
        ASSERT_EQ(view.messages.size(), 1u);
        const auto& text = view.messages[0].text;
        EXPECT_NE(text.find("已加密 " + std::to_string(done) + " 个文件"), std::string::npos) << text;
        EXPECT_NE(text.find("操作已取消"), std::string::npos) << text;
        const Paths left(files.begin() + static_cast<std::ptrdiff_t>(done), files.end());
        EXPECT_EQ(Chosen(view.shown), left);
        EXPECT_FALSE(view.ended);
    }
    EXPECT_EQ(lastDone, files.size() - 1);
}

// A file whose change would not come back is refused, in either direction,
// as alone; the others are done.
TEST_F(FileBatch, AnIrreversibleFileIsLeftAndTheOthersDone)
{
    struct Case {
        bool decrypt;
        std::string bad;
        std::string good;
        std::string goodAfter;
        const char* reason;
    };
    for (const Case& c : {Case{false, std::string("\x81\x00 cannot come back", 19), "AB", "?@\r\n", "加密后无法准确"},
                          Case{true, "\x7F" "A not ours\r\n", "?@\r\n", "AB", "可能不是用本程序加密的文件"}}) {
        const auto good = makeFile("good.txt", c.good);
        const auto bad = makeFile("bad.txt", c.bad);
        const auto good2 = makeFile("good2.txt", c.good);
        view = ScriptedView{};
        view.programDir = dir.path();
        choose({good, bad, good2}, c.decrypt ? &Command9_Click : &Command4_Click);
        (c.decrypt ? &Command10_Click : &Command5_Click)(view);
        EXPECT_EQ(ReadBytes(good), c.goodAfter);
        EXPECT_EQ(ReadBytes(good2), c.goodAfter);
        EXPECT_TRUE(ReadBytes(bad) == c.bad);
        ASSERT_EQ(view.messages.size(), 1u);
        EXPECT_EQ(view.messages[0].title, c.decrypt ? "部分文件未解密" : "部分文件未加密");
        EXPECT_NE(view.messages[0].text.find(PathToUtf8(bad) + "”：含有"), std::string::npos);
        EXPECT_NE(view.messages[0].text.find(c.reason), std::string::npos);
        EXPECT_EQ(Chosen(view.shown), Paths{bad});
        EXPECT_FALSE(view.ended);
    }
}

// A long list is cut short in the message; the counts stay exact.
TEST_F(FileBatch, ALongListOfFilesNotDoneIsShortenedWithTheCountExact)
{
    Paths files = {makeFile("good.txt", "AB")};
    for (int i = 0; i < 25; ++i) {
        files.push_back(makeFile("locked" + std::to_string(i) + ".txt", "AB"));
        std::filesystem::permissions(files.back(), std::filesystem::perms::owner_read);
    }
    choose(files);
    Command5_Click(view);
    ASSERT_EQ(view.messages.size(), 1u);
    const auto& text = view.messages[0].text;
    EXPECT_NE(text.find("已加密 1 个文件，共 26 个"), std::string::npos) << text;
    EXPECT_NE(text.find("以下 25 个文件没有加密"), std::string::npos) << text;
    EXPECT_NE(text.find("另有 15 个文件"), std::string::npos) << text;
    const auto named = std::count_if(files.begin(), files.end(), [&](const auto& f) { return Names(text, f); });
    EXPECT_EQ(named, 10);
    EXPECT_EQ(view.fileNames.size(), 25u);
}

TEST_F(FileBatch, FilesThatCannotBeOpenedAreNamedAndTheOthersChosen)
{
    const auto a = makeFile("a.txt", "A");
    const auto b = makeFile("b.txt", "B");
    std::filesystem::create_directory(dir / "folder.txt");
    choose({a, dir / "missing.txt", b, dir / "folder.txt"});
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "无法打开文件");
    EXPECT_EQ(view.messages[0].style, 16);
    EXPECT_TRUE(Names(view.messages[0].text, dir / "missing.txt"));
    EXPECT_TRUE(Names(view.messages[0].text, dir / "folder.txt"));
    EXPECT_FALSE(Names(view.messages[0].text, a));
    EXPECT_EQ(view.fileNames, (Paths{a, b}));
    EXPECT_EQ(Chosen(view.shown), (Paths{a, b}));

    view.messages.clear();
    choose({dir / "missing.txt", dir / "folder.txt"});
    EXPECT_NE(view.messages.at(0).text.find("请选择其他文件"), std::string::npos);
    EXPECT_TRUE(view.fileName.empty());
    EXPECT_TRUE(view.shown.batch.empty());
}

// A file changed after the files were chosen is refused, the rest done.
TEST_F(FileBatch, AFileChangedSinceChosenIsNotOverwritten)
{
    const auto a = makeFile("a.txt", "AB");
    const auto b = makeFile("b.txt", "AB");
    choose({a, b});
    WriteBytes(a, "someone else's edit");
    Command5_Click(view);
    EXPECT_EQ(ReadBytes(a), "someone else's edit");
    EXPECT_EQ(ReadBytes(b), "?@\r\n");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].text.find("被其他程序修改"), std::string::npos);
}

// The key file is read once for the action: gone while the first file is
// written, the shift read before it still does the others.
TEST_F(FileBatch, TheKeyFileIsReadOncePerAction)
{
    const Paths files = {makeFile("a.txt", "AB"), makeFile("b.txt", "CD"), makeFile("c.txt", "EF")};
    choose(files);
    faults::WhenReached(faults::Step::Rename, [&] { std::filesystem::remove(dir / "temp.jxv"); });
    view.answers = {msgbox::kAnswerOk};
    Command5_Click(view);
    faults::Clear();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "加密完成");
    EXPECT_EQ(ReadBytes(files[0]), "?@\r\n");
    EXPECT_EQ(ReadBytes(files[1]), "AB\r\n");
    EXPECT_EQ(ReadBytes(files[2]), "CD\r\n");
}

// Files given at start ("Open with" on several) are chosen together on the
// file panel; one given alone is opened as it always was.
TEST_F(FileBatch, FilesGivenAtStartAreChosenTogetherOnTheFilePanel)
{
    const auto a = makeFile("a.txt", "AB");
    const auto b = makeFile("b.txt", "CD");
    view.startFiles = {a, b};
    ClickCommand(view, 1);
    for (std::size_t i = 0; i < 5; ++i) {
        view.boxes[i] = std::string(1, "12345"[i]);
    }
    view.answers = {msgbox::kAnswerYes};
    ClickCommand(view, 3);
    ASSERT_EQ(view.visibleFrame(), 4);
    EXPECT_EQ(view.fileNames, (Paths{a, b}));
    EXPECT_EQ(Chosen(view.shown), (Paths{a, b}));

    view.answers = {msgbox::kAnswerOk};
    ClickCommand(view, 5);
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(ReadBytes(a), "?@\r\n");
    EXPECT_EQ(ReadBytes(b), "AB\r\n");
}

TEST_F(FileBatch, OneFileChosenInTheDialogIsOpenedAsAlways)
{
    const auto a = makeFile("a.txt", "AB");
    choose({a});
    EXPECT_EQ(view.fileName, a);
    EXPECT_EQ(view.shown.file, a);
    EXPECT_EQ(view.shown.excerpt, "AB");
    EXPECT_TRUE(view.shown.batch.empty());
}

}  // namespace
}  // namespace quilvane::testing
