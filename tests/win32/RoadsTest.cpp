// Both roads through the Win32 window, from the first step to the end of the
// program, on a GBK file with a Chinese name in a Chinese folder, answering
// the real message boxes and the real file dialog; then the bytes on disk,
// which are the bytes the Linux build writes for the same input. Also a
// refusal, a cancelled dialog, and clicks while a file is being read.
#include "Session.hpp"
#include "platform/FileFaults.hpp"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

using namespace quilvane::testing::win32;

namespace {

class Win32Roads : public ::testing::Test {
protected:
    void TearDown() override
    {
        quilvane::faults::Clear();
        std::filesystem::remove(KeyFilePath());
    }
};

TEST_F(Win32Roads, EncryptThenDecryptAFileWithAChineseNameInAChineseFolder)
{
    ChineseFolder folder;
    {
        Session session;
        Drive([&] {
            Click(session.wizard.form().command(1));
            ASSERT_TRUE(WaitUntil([&] { return session.visible(2); }));
            session.typePassword(1, L"12345");
            Settle();
            Click(session.wizard.form().command(3));
            Dialog confirm = WaitForDialog();
            EXPECT_EQ(confirm.title, Wide("确认密码"));
            EXPECT_EQ(confirm.text, Wide("您输入的密码为：12345 确认吗？"));
            EXPECT_TRUE(GetDlgItem(confirm.hwnd, IDYES) && GetDlgItem(confirm.hwnd, IDNO)) << "Yes/No box";
            EXPECT_FALSE(IsWindowEnabled(session.wizard.form().window())) << "input reached the window";
            Press(confirm, IDYES);
            const Dialog remember = WaitForDialog();
            EXPECT_EQ(remember.title, Wide("记录密码"));
            EXPECT_FALSE(IsWindowEnabled(session.wizard.form().window())) << "enabled by the first box's end";
            Press(remember, IDOK);
            ASSERT_TRUE(WaitUntil([&] { return session.visible(4); }));
            EXPECT_FALSE(session.visible(2));
            for (int i = 1; i <= 5; ++i) {
                EXPECT_EQ(WindowText(session.wizard.form().text(i)), L"");
            }

            Click(session.wizard.form().command(4));
            const Dialog dialog = WaitForDialog();
            EXPECT_EQ(dialog.title, Wide("打开"));
            EXPECT_EQ(FileTypes(dialog), (std::vector<std::wstring>{Wide("文本文件(*.txt)"), Wide("所有文件 (*.*)")}));
            ChooseFile(dialog, folder.file());
            session.finish();

            Click(session.wizard.form().command(5));
            const Dialog done = WaitForDialog();
            EXPECT_EQ(done.title, Wide("加密完成"));
            Press(done, IDOK);
            EXPECT_TRUE(WaitUntil([&] { return session.ended.load(); }));
        });
        EXPECT_EQ(ReadFile(KeyFilePath()), kHeader + " 6 \r\n");
        EXPECT_EQ(session.wizard.view().dialogFileName(), folder.file());
    }
    EXPECT_EQ(ReadFile(folder.file()), kEncrypted);

    {
        Session session;
        Drive([&] {
            Click(session.wizard.form().option(2));
            Click(session.wizard.form().command(1));
            ASSERT_TRUE(WaitUntil([&] { return session.visible(3); }));
            session.typePassword(6, L"55155");
            Settle();
            Click(session.wizard.form().command(8));
            ASSERT_TRUE(WaitUntil([&] { return session.visible(5); }));
            session.open(9, folder.file());
            Click(session.wizard.form().command(10));
            const Dialog decrypted = WaitForDialog();
            EXPECT_EQ(decrypted.title, Wide("解密完成"));
            Press(decrypted, IDOK);
            const Dialog finished = WaitForDialog();
            EXPECT_EQ(finished.title, Wide("工作完成"));
            Press(finished, IDOK);
            EXPECT_TRUE(WaitUntil([&] { return session.ended.load(); }));
        });
        EXPECT_EQ(ReadFile(KeyFilePath()), kHeader + " 5 \r\n");
    }
    EXPECT_EQ(ReadFile(folder.file()), kPlain);
}

TEST_F(Win32Roads, TheDocumentViewShowsTheBytesAsCodePage936)
{
    ChineseFolder folder;
    Session session;
    session.startOn(4);
    Drive([&] { session.open(4, folder.file()); });
    EXPECT_EQ(session.wizard.view().document().excerpt, kPlain);
    std::wstring shown = WindowText(session.wizard.form().richTextBox());
    std::erase(shown, L'\n');  // a paragraph ends in \r, or \r\n, as the control likes
    EXPECT_EQ(shown, Wide("AB\r中文 text\r"));
}

TEST_F(Win32Roads, AReadOnlyFileIsRefusedAndLeftAsItWas)
{
    ChineseFolder folder;
    SetFileAttributesW(folder.file().c_str(), FILE_ATTRIBUTE_READONLY);
    Session session;
    session.startOn(4);
    Drive([&] {
        session.open(4, folder.file());
        Click(session.wizard.form().command(5));
        const Dialog refusal = WaitForDialog();
        EXPECT_NE(refusal.text.find(folder.file().filename().wstring()), std::wstring::npos)
            << "the message names the file";
        EXPECT_TRUE(GetDlgItem(refusal.hwnd, IDOK));
        Press(refusal, IDOK);
        Settle();
    });
    EXPECT_FALSE(session.ended.load());
    EXPECT_TRUE(session.visible(4));
    EXPECT_EQ(ReadFile(folder.file()), kPlain);
}

TEST_F(Win32Roads, CancellingTheFileDialogChangesNothing)
{
    Session session;
    session.startOn(4);
    Drive([&] {
        Click(session.wizard.form().command(4));
        const Dialog dialog = WaitForDialog();
        EXPECT_EQ(dialog.title, Wide("打开"));
        Press(dialog, IDCANCEL);
        Settle();
        EXPECT_EQ(WaitForDialog(300).hwnd, nullptr) << "a message after cancelling";
    });
    EXPECT_FALSE(session.ended.load());
    EXPECT_TRUE(session.visible(4));
    EXPECT_TRUE(session.wizard.view().dialogFileName().empty());
    EXPECT_TRUE(session.wizard.view().document().excerpt.empty());
    EXPECT_TRUE(IsWindowEnabled(session.wizard.form().window()));
}

// What the shell posts when files are dropped on the window.
HDROP MakeDrop(const std::vector<std::filesystem::path>& files)
{
    std::wstring names;
    for (const auto& file : files) {
        names += file.wstring();
        names.push_back(L'\0');
    }
    names.push_back(L'\0');
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(Win32Roads, FilesDroppedOnAFilePanelAreOpenedAFolderAmongThemIgnored)
{
    ChineseFolder folder;
    const auto other = folder.file().parent_path() / L"other.txt";
    WriteFile(other, "other");
    Session session;
    const auto drop = [&](const std::vector<std::filesystem::path>& files) {
        Drive([&] {
            PostMessageW(session.wizard.form().window(), WM_DROPFILES,
                         reinterpret_cast<WPARAM>(MakeDrop(files)), 0);
            session.finish();
        });
    };
    drop({folder.file()});  // on the first step
    EXPECT_TRUE(session.wizard.view().document().excerpt.empty());

    session.startOn(4);
    drop({folder.file(), folder.file().parent_path()});
    drop({folder.file().parent_path()});
    EXPECT_TRUE(session.wizard.view().document().excerpt.empty());
    EXPECT_TRUE(session.wizard.view().dialogFileName().empty());

    drop({folder.file()});
    EXPECT_EQ(session.wizard.view().document().excerpt, kPlain);
    EXPECT_EQ(session.wizard.view().dialogFileName(), folder.file());

    // Several files are chosen together.
    drop({folder.file(), other});
    const auto& chosen = session.wizard.view().document().batch;
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0].file, folder.file());
    EXPECT_EQ(chosen[1].file, other);
    EXPECT_EQ(session.wizard.view().dialogFileNames(), (std::vector<std::filesystem::path>{folder.file(), other}));
}

// Three files chosen at once in the file dialog, one of them read-only: the
// view lists them, the others are encrypted, the read-only one is named and
// stays chosen, alone, on step 3.
TEST_F(Win32Roads, ThreeFilesChosenInTheDialogOneRefused)
{
    ChineseFolder folder;
    const auto dir = folder.file().parent_path();
    const std::vector<std::wstring> names = {Wide("一月.txt"), Wide("二月.txt"), Wide("只读.txt")};
    for (const auto& name : names) {
        WriteFile(dir / name, "AB");
    }
    SetFileAttributesW((dir / names[2]).c_str(), FILE_ATTRIBUTE_READONLY);
    Session session;
    session.startOn(4);
    std::wstring listed;
    Drive([&] {
        Click(session.wizard.form().command(4));
        const Dialog dialog = WaitForDialog();
        ASSERT_EQ(dialog.title, Wide("打开"));
        ChooseFiles(dialog, dir, names);
        session.finish();
        listed = WindowText(session.wizard.form().richTextBox());

        Click(session.wizard.form().command(5));
        const Dialog told = WaitForDialog();
        EXPECT_EQ(told.title, Wide("部分文件未加密"));
        EXPECT_NE(told.text.find(Wide("已加密 2 个文件，共 3 个")), std::wstring::npos) << told.text;
        EXPECT_NE(told.text.find((dir / names[2]).wstring() + Wide("”：文件被设为只读")), std::wstring::npos)
            << told.text;
        Press(told, IDOK);
        session.finish();
    });
    std::erase(listed, L'\n');
    EXPECT_EQ(listed, Wide("一月.txt\t2 字节\r二月.txt\t2 字节\r只读.txt\t2 字节\r"));
    EXPECT_EQ(ReadFile(dir / names[0]), "?@\r\n");
    EXPECT_EQ(ReadFile(dir / names[1]), "?@\r\n");
    EXPECT_EQ(ReadFile(dir / names[2]), "AB");
    EXPECT_FALSE(session.ended.load());
    EXPECT_TRUE(session.visible(4));
    EXPECT_EQ(session.wizard.view().dialogFileNames(), std::vector<std::filesystem::path>{dir / names[2]});
    SetFileAttributesW((dir / names[2]).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32Roads, ClosingTheWindowEndsTheProgram)
{
    Session session;
    Drive([&] {
        PostMessageW(session.wizard.form().window(), WM_CLOSE, 0, 0);
        Settle();
    });
    EXPECT_TRUE(session.ended.load());
    EXPECT_FALSE(IsWindowVisible(session.wizard.form().window()));
}

TEST_F(Win32Roads, ClicksAndClosingWhileAFileIsReadDoNothing)
{
    ChineseFolder folder;
    Session session;
    session.startOn(4);
    // The read waits where it stands until the clicks have been made.
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    quilvane::faults::WhenReached(quilvane::faults::Step::Read, [&] {
        if (!held.exchange(true)) {
            WaitUntil([&] { return release.load(); }, 30000);
        }
    });
    Drive([&] {
        Click(session.wizard.form().command(4));
        ChooseFile(WaitForDialog(), folder.file());
        ASSERT_TRUE(WaitUntil([&] { return held.load(); }));
        EXPECT_FALSE(IsWindowEnabled(session.wizard.form().window()));
        Click(session.wizard.form().command(5));  // encrypt
        Click(session.wizard.form().command(4));  // open again
        Click(session.wizard.form().command(6));  // exit
        PostMessageW(session.wizard.form().window(), WM_CLOSE, 0, 0);
        Settle();
        EXPECT_EQ(WaitForDialog(300).hwnd, nullptr) << "a second handler ran";
        EXPECT_FALSE(session.ended.load());
        release.store(true);
        session.finish();
    });
    EXPECT_EQ(session.wizard.view().document().excerpt, kPlain);
    EXPECT_FALSE(session.ended.load());
    EXPECT_TRUE(IsWindow(session.wizard.form().window()));
    EXPECT_TRUE(IsWindowVisible(session.wizard.form().window()));
    EXPECT_EQ(ReadFile(folder.file()), kPlain);
}

}  // namespace
