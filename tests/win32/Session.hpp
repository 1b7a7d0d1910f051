#pragma once

#include "WindowDriver.hpp"
#include "gui/win32/Wizard.hpp"
#include "platform/win32/ProgramFolders.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// One run of the Win32 program in a test, and the files it works on.
namespace quilvane::testing::win32 {

inline const std::string kHeader = "This is a important file.Dont`t rewrite me!6,2,1,";
inline const std::string kPlain = "AB\r\n\xD6\xD0\xCE\xC4 text\r\n";
inline const std::string kEncrypted = "?@\x0B\x08\xD6\xCE\xCE\xC2\x1Ercvr\x0B\x08\r\n";

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(unreadable)";
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::filesystem::path KeyFilePath() { return quilvane::win32::ExecutableDirectory() / "temp.jxv"; }

// A folder and a file with Chinese names: 测试文件夹\信件.txt.
class ChineseFolder {
public:
    ChineseFolder()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = std::filesystem::temp_directory_path() / (Wide("测试文件夹-") + Wide(info->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        file_ = folder_ / Wide("信件.txt");
        WriteFile(file_, kPlain);
    }
    ~ChineseFolder()
    {
        SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path folder_;
    std::filesystem::path file_;
};

// One run of the program: its end recorded instead of leaving the test.
class Session {
public:
    Session()
    {
        wizard.view().setEndProgram([this] { ended.store(true); });
        wizard.show();
    }
    // Starts on a file panel with the key file in place.
    void startOn(int frame)
    {
        WriteFile(KeyFilePath(), kHeader + " 4 \r\n");
        ShowWindow(wizard.form().frame(1), SW_HIDE);
        ShowWindow(wizard.form().frame(frame), SW_SHOW);
    }
    void typePassword(int firstBox, const wchar_t* digits)
    {
        for (int i = 0; i < 5; ++i) {
            Type(wizard.form().text(firstBox + i), digits[i]);
        }
    }
    bool visible(int frame) { return IsWindowVisible(wizard.form().frame(frame)) != FALSE; }
    // Opens the file through the Open button and the file dialog.
    void open(int button, const std::filesystem::path& file)
    {
        Click(wizard.form().command(button));
        const Dialog dialog = WaitForDialog();
        ASSERT_EQ(dialog.title, Wide("打开"));
        ChooseFile(dialog, file);
        finish();
    }
    // Waits until the handler a click started has returned.
    void finish()
    {
        Settle();  // the click has been taken: its handler has begun
        EXPECT_TRUE(WaitUntil([&] { return !wizard.busy(); }));
    }

    quilvane::win32::Wizard wizard;
    std::atomic<bool> ended{false};
};

}  // namespace quilvane::testing::win32
