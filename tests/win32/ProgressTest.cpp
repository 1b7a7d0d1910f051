// Progress windows of the Win32 window: shown while a read or a write is
// held where it stands; Esc and the close box never hide one that cannot be
// cancelled.
#include "Session.hpp"
#include "gui/win32/BackgroundWork.hpp"
#include "platform/FileFaults.hpp"

#include <gtest/gtest.h>

#include <atomic>

using namespace quilvane::testing::win32;
using quilvane::faults::Step;

namespace {

// Holds the work the first time it reaches `step` until released.
class Hold {
public:
    explicit Hold(Step step)
    {
        quilvane::faults::WhenReached(step, [this] {
            if (!held_.exchange(true)) {
                WaitUntil([this] { return released_.load(); }, 30000);
            }
        });
    }
    ~Hold() { quilvane::faults::Clear(); }
    bool reached() { return WaitUntil([this] { return held_.load(); }); }
    void release() { released_.store(true); }

private:
    std::atomic<bool> held_{false};
    std::atomic<bool> released_{false};
};

HWND WaitForProgressWindow()
{
    HWND window = nullptr;
    WaitUntil([&] {
        window = FindWindowW(quilvane::win32::kProgressWindowClass, nullptr);
        return window && IsWindowVisible(window);
    });
    return window;
}

class Win32Progress : public ::testing::Test {
protected:
    Win32Progress() { session.wizard.view().setProgressDelay(0); }
    ~Win32Progress() override { std::filesystem::remove(KeyFilePath()); }

    ChineseFolder folder;
    Session session;
};

// Opening reads only the beginning of the file; held on a slow disk, it
// still shows that the program is at work, and then shows the file.
TEST_F(Win32Progress, AnOpeningHeldUpShowsItsProgressAndThenTheFile)
{
    session.startOn(4);
    Hold read(Step::Read);
    Drive([&] {
        Click(session.wizard.form().command(4));
        ChooseFile(WaitForDialog(), folder.file());
        ASSERT_TRUE(read.reached());
        HWND progress = WaitForProgressWindow();
        ASSERT_TRUE(progress);
        EXPECT_EQ(WindowText(progress), Wide("正在打开文件"));
        EXPECT_FALSE(IsWindowEnabled(session.wizard.form().window())) << "input reached the window";
        read.release();
        session.finish();
        EXPECT_FALSE(IsWindow(progress)) << "the progress window outlived its work";
    });
    EXPECT_EQ(session.wizard.view().document().excerpt, kPlain);
    EXPECT_EQ(session.wizard.view().dialogFileName(), folder.file());
    EXPECT_TRUE(IsWindowEnabled(session.wizard.form().window()));
}

TEST_F(Win32Progress, EncryptingCannotBeCancelledNorItsProgressHidden)
{
    session.startOn(4);
    Drive([&] { session.open(4, folder.file()); });
    Hold write(Step::Write);
    Drive([&] {
        Click(session.wizard.form().command(5));
        ASSERT_TRUE(write.reached());
        HWND progress = WaitForProgressWindow();
        ASSERT_TRUE(progress);
        EXPECT_FALSE(GetDlgItem(progress, IDCANCEL)) << "a Cancel button";
        EXPECT_EQ(WindowText(GetDlgItem(progress, quilvane::win32::kProgressLabelId)).find(Wide("已处理 ")), 0u);
        PostMessageW(progress, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(progress, WM_CLOSE, 0, 0);
        Settle();
        EXPECT_TRUE(IsWindow(progress) && IsWindowVisible(progress)) << "hidden while the work goes on";
        write.release();
        const Dialog done = WaitForDialog();
        EXPECT_EQ(done.title, Wide("加密完成"));
        Press(done, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return session.ended.load(); }));
    });
    EXPECT_EQ(ReadFile(folder.file()), kEncrypted);
}

// Several files: the label says which file the work is at, and Cancel stops
// before the next one; the file at hand is finished.
TEST_F(Win32Progress, SeveralFilesSayWhichFileAndCancelStopsBeforeTheNext)
{
    const auto dir = folder.file().parent_path();
    const std::vector<std::wstring> names = {L"1.txt", L"2.txt", L"3.txt"};
    for (const auto& name : names) {
        WriteFile(dir / name, "AB");
    }
    session.startOn(4);
    Drive([&] {
        Click(session.wizard.form().command(4));
        ChooseFiles(WaitForDialog(), dir, names);
        session.finish();
    });
    ASSERT_EQ(session.wizard.view().document().batch.size(), 3u);
    Hold write(Step::Write);
    Drive([&] {
        Click(session.wizard.form().command(5));
        ASSERT_TRUE(write.reached());
        HWND progress = WaitForProgressWindow();
        ASSERT_TRUE(progress);
        HWND label = GetDlgItem(progress, quilvane::win32::kProgressLabelId);
        EXPECT_TRUE(WaitUntil([&] { return WindowText(label).find(Wide("第 1 / 3 个文件")) == 0; }))
            << std::filesystem::path(WindowText(label));
        HWND cancel = GetDlgItem(progress, IDCANCEL);
        ASSERT_TRUE(cancel) << "no Cancel button";
        PostMessageW(cancel, BM_CLICK, 0, 0);
        Settle();
        EXPECT_FALSE(IsWindowEnabled(cancel)) << "Cancel not taken";
        write.release();
        const Dialog told = WaitForDialog();
        EXPECT_EQ(told.title, Wide("部分文件未加密"));
        EXPECT_NE(told.text.find(Wide("操作已取消")), std::wstring::npos);
        Press(told, IDOK);
        session.finish();
    });
    EXPECT_EQ(ReadFile(dir / names[0]), "?@\r\n");
    EXPECT_EQ(ReadFile(dir / names[1]), "AB");
    EXPECT_EQ(ReadFile(dir / names[2]), "AB");
    EXPECT_EQ(session.wizard.view().dialogFileNames(),
              (std::vector<std::filesystem::path>{dir / names[1], dir / names[2]}));
    EXPECT_FALSE(session.ended.load());
}

}  // namespace
