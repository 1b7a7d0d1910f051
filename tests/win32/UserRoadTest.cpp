// The real quilvane.exe, run as a process of its own and driven from
// outside as a user drives it: real clicks and key presses (SendInput), the
// file named on its command line as Explorer's "Open with" names it, Wine's
// own fonts. The program comes from the build (QUILVANE_PROGRAM) and runs
// from a copy in a folder with a Chinese name, where it keeps its key file.
#include "Session.hpp"
#include "platform/FailureMessages.hpp"
#include "platform/win32/WideText.hpp"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace quilvane::testing::win32;
namespace fs = std::filesystem;

namespace {

// The program, started with `arguments`, until it ends or the test does.
class Program {
public:
    Program(const fs::path& folder, const std::wstring& arguments)
    {
        fs::create_directories(folder);
        const fs::path copy = folder / L"quilvane.exe";
        fs::copy_file(PathFromEnvironment(L"QUILVANE_PROGRAM"), copy, fs::copy_options::overwrite_existing);
        std::wstring line = L"\"" + copy.wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            process_ = info.hProcess;
            CloseHandle(info.hThread);
            id_ = info.dwProcessId;
            form_ = WaitForWindow(id_, L"QuilvaneForm1");
            thread_ = form_ ? GetWindowThreadProcessId(form_, nullptr) : 0;
            // Shown, with the focus on 下一步, and waiting for input.
            WaitUntil([&] { return FocusOf(thread_) == control("Command1"); });
            WaitForInputIdle(process_, 10000);
        }
    }
    ~Program()
    {
        if (process_) {
            if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_, 1);
                WaitForSingleObject(process_, 10000);
            }
            CloseHandle(process_);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HWND form() const { return form_; }
    DWORD thread() const { return thread_; }
    HWND control(const char* name) const { return FindControl(form_, name); }
    bool shows(const char* frame) const { return IsWindowVisible(control(frame)) != FALSE; }
    Dialog dialog(DWORD milliseconds = 30000) const { return WaitForDialog(milliseconds, id_); }
    // Clicks the control once the last action has ended, as a user waits for
    // the window to take input again (a click before that is dropped on
    // purpose): the window is enabled and the program waits for input.
    void click(const char* name) const
    {
        WaitUntil([&] {
            return IsWindowEnabled(form_) && WaitForInputIdle(process_, 0) == 0 && IsWindowEnabled(form_);
        });
        ClickWithMouse(control(name));
    }
    bool ended(DWORD milliseconds = 10000) const { return WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0; }
    // The window's thread takes a message within a second.
    bool answers() const
    {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
    }
    std::wstring shownText() const { return WindowText(control("RichTextBox1")); }
    // Where the pointer and the focus are, for a message when a click on
    // `target` did not give it the focus.
    std::string pointerAndFocus(HWND target) const
    {
        POINT at{};
        GetCursorPos(&at);
        RECT place{};
        GetWindowRect(target, &place);
        HWND focus = FocusOf(thread_);
        return "the pointer is at " + std::to_string(at.x) + "," + std::to_string(at.y) + ", the control's middle at " +
               std::to_string((place.left + place.right) / 2) + "," + std::to_string((place.top + place.bottom) / 2) +
               "; the focus is on control " + std::to_string(focus ? GetDlgCtrlID(focus) : 0);
    }
    // What a user would see now, for a message when the program should have ended.
    std::string state() const
    {
        if (!IsWindow(form_)) {
            return "the window is gone but the program runs on";
        }
        std::string seen = IsWindowVisible(form_) ? "the window shows" : "the window is hidden";
        for (const char* frame : {"Frame1", "Frame2", "Frame3", "Frame4", "Frame5"}) {
            if (shows(frame)) {
                seen += std::string(" ") + frame;
            }
        }
        if (const Dialog box = dialog(0); box.hwnd) {
            seen += ", with the box " + quilvane::win32::Utf8FromWide(box.title);
        }
        return seen + (IsWindowEnabled(form_) ? "" : ", taking no input");
    }

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    HWND form_ = nullptr;
    DWORD thread_ = 0;
};

// Asked of the control itself: Wine answers GetWindowTextLengthW for another
// process's window from what it was created with.
LRESULT TextLength(HWND control)
{
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
    return static_cast<LRESULT>(length);
}

// Answers a message box as a user does: once it is up and has been read
// (a box takes no click within the double-click time of showing), with the
// mouse.
void ClickButton(const Dialog& dialog, int button)
{
    // A message box shows before its buttons are made: wait until it is up.
    HWND hwnd = nullptr;
    WaitUntil([&] {
        hwnd = GetDlgItem(dialog.hwnd, button);
        return hwnd && IsWindowVisible(hwnd) && GetForegroundWindow() == dialog.hwnd;
    });
    ASSERT_TRUE(hwnd) << "no button " << button << " in " << fs::path(dialog.title);
    Sleep(GetDoubleClickTime() + 50);
    ClickWithMouse(hwnd);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog.hwnd) || !IsWindowVisible(dialog.hwnd); }))
        << fs::path(dialog.title) << " took no click";
}

// The double-click time, set for the programs started while it lives, as a
// user with a slow hand sets it.
class DoubleClickTime {
public:
    explicit DoubleClickTime(UINT milliseconds) : before_(GetDoubleClickTime()) { SetDoubleClickTime(milliseconds); }
    ~DoubleClickTime() { SetDoubleClickTime(before_); }
    DoubleClickTime(const DoubleClickTime&) = delete;
    DoubleClickTime& operator=(const DoubleClickTime&) = delete;

private:
    UINT before_;
};

// With the mouse and the digit keys: encryption chosen, the password 12345
// typed into box A, where the step puts the focus, each digit moving on to
// the next box, and confirmed, on to the file panel. The pointer waits away
// from the boxes as the digits are typed: over a box it gives that box the
// focus, and Wine sometimes reports a pointer position late, after the
// focus has moved on.
void ToTheEncryptionFilePanel(const Program& program)
{
    program.click("Command1");
    ASSERT_TRUE(WaitUntil([&] { return program.shows("Frame2"); }));
    MoveMouseTo(0, 0);
    for (int i = 0; i < 5; ++i) {
        const std::string name = "Text" + std::to_string(i + 1);
        HWND box = program.control(name.c_str());
        ASSERT_TRUE(WaitUntil([&] { return FocusOf(program.thread()) == box; })) << program.pointerAndFocus(box);
        PressKey(static_cast<WORD>('1' + i));
        ASSERT_TRUE(WaitUntil([&] { return TextLength(box) == 1; }))
            << name << " took no digit; " << program.pointerAndFocus(box);
    }
    program.click("Command3");
    const Dialog confirm = program.dialog();
    ASSERT_EQ(confirm.title, Wide("确认密码"));
    ClickButton(confirm, IDYES);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    const Dialog remember = program.dialog();
    ASSERT_EQ(remember.title, Wide("记录密码"));
    ClickButton(remember, IDOK);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    // The key file is saved and flushed to the disk before the step changes:
    // on a disk busy with other writing that takes longer than a click.
    // A message shown over the file panel belongs to that panel (a start
    // file that cannot be opened); one shown instead of it is reported.
    bool onFilePanel = false;
    Dialog refusal;
    WaitUntil(
        [&] {
            refusal = program.dialog(0);
            // Looked at after the message: a message over the panel comes after it.
            onFilePanel = program.shows("Frame4");
            return onFilePanel || refusal.hwnd;
        },
        60000);
    ASSERT_TRUE(onFilePanel) << (refusal.hwnd ? "a message instead of the file panel: " : "neither the file panel nor a message after 记录密码")
                             << fs::path(refusal.title) << " " << fs::path(refusal.text);
}

fs::path ProgramFolder() { return fs::temp_directory_path() / Wide("程序目录"); }

class Win32UserRoad : public ::testing::Test {
protected:
    ~Win32UserRoad() override
    {
        std::error_code ignored;
        fs::remove_all(ProgramFolder(), ignored);
    }
};

TEST_F(Win32UserRoad, TheFileNamedOnTheCommandLineIsOpenedOnTheFilePanel)
{
    ChineseFolder folder;
    {
        SCOPED_TRACE("a file with a Chinese name in a Chinese folder");
        Program program(ProgramFolder(), L"\"" + folder.file().wstring() + L"\"");
        ASSERT_TRUE(program.form());
        ToTheEncryptionFilePanel(program);
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_TRUE(WaitUntil([&] { return program.shownText().find(Wide("中文")) != std::wstring::npos; }))
            << "shows: " << fs::path(program.shownText());
        program.click("Command5");
        const Dialog done = program.dialog();
        EXPECT_EQ(done.title, Wide("加密完成"));
        ClickButton(done, IDOK);
        EXPECT_TRUE(program.ended()) << program.state();
        EXPECT_EQ(ReadFile(folder.file()), kEncrypted);
        EXPECT_EQ(ReadFile(ProgramFolder() / L"temp.jxv"), kHeader + " 6 \r\n");
    }
    {
        SCOPED_TRACE("a file that is not there");
        const fs::path missing = folder.file().parent_path() / Wide("不存在.txt");
        Program program(ProgramFolder(), L"\"" + missing.wstring() + L"\"");
        ASSERT_TRUE(program.form());
        ToTheEncryptionFilePanel(program);
        ASSERT_FALSE(HasFatalFailure());
        const Dialog refusal = program.dialog();
        EXPECT_EQ(refusal.title, Wide(quilvane::failure::kOpenTitle));
        EXPECT_NE(refusal.text.find(missing.filename().wstring()), std::wstring::npos) << "the message names the file";
        ClickButton(refusal, IDOK);
        EXPECT_TRUE(program.shows("Frame4"));
        EXPECT_EQ(program.shownText(), L"");
        program.click("Command6");  // 退出
        EXPECT_TRUE(program.ended()) << program.state();
    }
}

// `quilvane.exe A B`, as Explorer starts it for several files: both are
// chosen together on the file panel, listed, and encrypted by one click.
TEST_F(Win32UserRoad, TheFilesNamedOnTheCommandLineAreDoneTogether)
{
    ChineseFolder folder;
    const fs::path other = folder.file().parent_path() / Wide("另一个.txt");
    WriteFile(other, kPlain);
    Program program(ProgramFolder(), L"\"" + folder.file().wstring() + L"\" \"" + other.wstring() + L"\"");
    ASSERT_TRUE(program.form());
    ToTheEncryptionFilePanel(program);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(WaitUntil([&] {
        const std::wstring shown = program.shownText();
        return shown.find(folder.file().filename().wstring() + L"\t") == 0 &&
               shown.find(other.filename().wstring() + L"\t") != std::wstring::npos;
    })) << "shows: " << fs::path(program.shownText());
    program.click("Command5");
    const Dialog done = program.dialog();
    EXPECT_EQ(done.title, Wide("加密完成"));
    ClickButton(done, IDOK);
    EXPECT_TRUE(program.ended()) << program.state();
    EXPECT_EQ(ReadFile(folder.file()), kEncrypted);
    EXPECT_EQ(ReadFile(other), kEncrypted);
}

// A text of `size` bytes made of kPlain over and over, written a megabyte at a time.
void WriteRepeatedText(const fs::path& file, std::uint64_t size)
{
    std::string block;
    while (block.size() < (1u << 20)) {
        block += kPlain;
    }
    block.resize(block.size() - block.size() % kPlain.size());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (std::uint64_t left = size; left > 0;) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
        out.write(block.data(), static_cast<std::streamsize>(count));
        left -= count;
    }
    out.close();
    ASSERT_TRUE(out) << "the test file " << file << " could not be written in full (is the disk full?)";
}

std::uint64_t SizeOf(const fs::path& file)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Large files: the window answers while the document is shown, and 加密完成
// comes within two seconds of the file being written, also after a second
// click on 加密文件 and after a request to close the window while the work
// runs.
TEST_F(Win32UserRoad, ALargeFileIsEncryptedAndTheWindowAnswersThroughout)
{
    const struct {
        const char* what;
        std::uint64_t size;
        bool secondClick;
        bool closeWhileWorking;
    } cases[] = {
        {"4 MB", std::uint64_t{4} << 20, false, false},
        {"60 MB, clicked twice", std::uint64_t{60} << 20, true, false},
        {"300 MB, closed while encrypting", std::uint64_t{300} << 20, false, true},
    };
    ChineseFolder folder;
    const std::string unit = kEncrypted.substr(0, kPlain.size());  // kPlain encrypted, without the last line end
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = folder.file().parent_path() / Wide("大文件.txt");
        const std::uint64_t size = c.size - c.size % kPlain.size();
        WriteRepeatedText(file, size);
        ASSERT_FALSE(HasFatalFailure());
        {
            Program program(ProgramFolder(), L"\"" + file.wstring() + L"\"");
            ASSERT_TRUE(program.form());
            ToTheEncryptionFilePanel(program);
            ASSERT_FALSE(HasFatalFailure());
            ASSERT_TRUE(WaitUntil([&] { return !program.shownText().empty(); }, 120000)) << "nothing shown";
            EXPECT_NE(program.shownText().find(Wide("只显示开头部分")), std::wstring::npos) << "no note";
            EXPECT_TRUE(program.answers()) << "the window holds after showing the document";

            program.click("Command5");
            if (c.secondClick) {  // at once, as a double click
                ClickWithMouse(program.control("Command5"));
            }
            if (c.closeWhileWorking) {
                ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(program.form()); }));
                PostMessageW(program.form(), WM_CLOSE, 0, 0);  // what the close box sends
            }
            ULONGLONG written = 0;
            Dialog done;
            ASSERT_TRUE(WaitUntil(
                [&] {
                    if (!written && SizeOf(file) == size + 2) {
                        written = GetTickCount64();
                    }
                    done = program.dialog(0);
                    return written && done.hwnd;
                },
                300000))
                << "written: " << (written != 0);
            const ULONGLONG shown = GetTickCount64();
            EXPECT_EQ(done.title, Wide("加密完成"));
            EXPECT_LE(shown - written, 2000u) << "加密完成 came late after the file was written";
            EXPECT_TRUE(program.answers());
            ClickButton(done, IDOK);
            EXPECT_TRUE(program.ended()) << "a second action ran, or the program did not end: " << program.state();
        }
        std::ifstream result(file, std::ios::binary);
        std::string head(1 << 20, '\0');
        result.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(result.gcount()));
        ASSERT_EQ(head.size(), std::size_t{1} << 20);
        for (std::size_t at = 0; at + unit.size() <= head.size(); at += unit.size()) {
            ASSERT_EQ(head.compare(at, unit.size(), unit), 0) << "at " << at;
        }
        EXPECT_EQ(SizeOf(file), size + 2);
        result.close();
        fs::remove(file);
    }
}

// A double click on 加密文件 whose action ends between its two clicks: the
// 加密完成 box comes up under the pointer, and the second click, landing on
// its 取消, is not taken as the answer. The box waits for the user.
TEST_F(Win32UserRoad, TheSecondClickOfADoubleClickDoesNotAnswerTheMessageBox)
{
    ChineseFolder folder;
    // Long enough that the late click is sure to fall within it, however busy the machine.
    const DoubleClickTime slowHand(5000);
    Program program(ProgramFolder(), L"\"" + folder.file().wstring() + L"\"");
    ASSERT_TRUE(program.form());
    ToTheEncryptionFilePanel(program);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(WaitUntil([&] { return !program.shownText().empty(); })) << "the file was not opened";
    program.click("Command5");
    const Dialog done = program.dialog();
    ASSERT_EQ(done.title, Wide("加密完成"));
    ClickWithMouse(GetDlgItem(done.hwnd, IDCANCEL));  // the second click, late
    // Enter answers 确定 once the click before it has been dealt with: the
    // box takes its input in the order given.
    PressKey(VK_RETURN);
    EXPECT_TRUE(program.ended()) << "the late click answered 取消, or Enter found no box: " << program.state();
    EXPECT_EQ(ReadFile(folder.file()), kEncrypted);
}

// A double click on 打开文件: the file dialog comes up under the pointer and
// the second click lands in its list of files; it does not choose one.
// The folder the dialog opens is full of text files, so that the click
// falls on one.
TEST_F(Win32UserRoad, TheSecondClickOfADoubleClickOnOpenChoosesNoFile)
{
    ChineseFolder folder;
    const fs::path documents = folder.file().parent_path();
    for (int i = 0; i < 60; ++i) {
        WriteFile(documents / (Wide("文件") + std::to_wstring(100 + i) + L".txt"), kPlain);
    }
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    SetCurrentDirectoryW(documents.c_str());  // the program starts there, and so does its dialog
    const DoubleClickTime slowHand(5000);
    Program program(ProgramFolder(), L"");
    SetCurrentDirectoryW(before);
    ASSERT_TRUE(program.form());
    ToTheEncryptionFilePanel(program);
    ASSERT_FALSE(HasFatalFailure());
    program.click("Command4");
    const Dialog dialog = program.dialog();
    ASSERT_EQ(dialog.title, Wide("打开"));
    HWND list = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        EnumChildWindows(
            dialog.hwnd,
            [](HWND hwnd, LPARAM data) -> BOOL {
                wchar_t name[64] = {};
                GetClassNameW(hwnd, name, 64);
                if (std::wstring(name) == L"SysListView32" && IsWindowVisible(hwnd)) {
                    *reinterpret_cast<HWND*>(data) = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&list));
        return list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) >= 60;
    })) << "no list of the files in the dialog";
    ClickWithMouse(list);  // the second click, late
    HWND name = GetDlgItem(dialog.hwnd, 0x47C);  // cmb13, the file name
    ASSERT_TRUE(name);
    // The name box takes a chosen file's name at once; given the time a
    // slow machine takes, none comes.
    EXPECT_FALSE(WaitUntil([&] { return TextLength(name) != 0; }, 1500))
        << "the late click chose " << fs::path(WindowText(name));
    // A click after the double-click time is taken as always.
    Sleep(GetDoubleClickTime());
    ClickWithMouse(list);
    EXPECT_TRUE(WaitUntil([&] { return TextLength(name) != 0; })) << "a click in time chose no file";
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog.hwnd); }));
}

bool FocusShown(HWND focus)
{
    DWORD_PTR state = 0;
    return SendMessageTimeoutW(focus, WM_QUERYUISTATE, 0, 0, SMTO_ABORTIFHUNG, 2000, &state) &&
           !(state & UISF_HIDEFOCUS);
}

// UTF-8 as Notepad on Windows 10 and 11 saves it, with and without its
// byte-order mark: shown readably on the file step (the mark not shown),
// encrypted, and decrypted back to the very same bytes.
TEST_F(Win32UserRoad, AUtf8FileIsShownReadablyAndComesBackByteForByte)
{
    const std::string poem = "静夜思\r\n床前明月光，疑是地上霜。\r\n";
    for (const bool withMark : {false, true}) {
        SCOPED_TRACE(withMark ? "with a byte-order mark" : "without a byte-order mark");
        ChineseFolder folder;
        const std::string bytes = (withMark ? std::string("\xEF\xBB\xBF") : std::string()) + poem;
        WriteFile(folder.file(), bytes);
        const std::wstring named = L"\"" + folder.file().wstring() + L"\"";
        {
            Program program(ProgramFolder(), named);
            ASSERT_TRUE(program.form());
            ToTheEncryptionFilePanel(program);
            ASSERT_FALSE(HasFatalFailure());
            EXPECT_TRUE(WaitUntil([&] { return program.shownText().find(Wide("床前明月光，疑是地上霜。")) != std::wstring::npos; }))
                << "shows: " << fs::path(program.shownText());
            EXPECT_EQ(program.shownText().find(L'\xFEFF'), std::wstring::npos) << "the byte-order mark is shown";
            program.click("Command5");
            const Dialog done = program.dialog();
            EXPECT_EQ(done.title, Wide("加密完成"));
            ClickButton(done, IDOK);
            EXPECT_TRUE(program.ended()) << program.state();
        }
        ASSERT_NE(ReadFile(folder.file()), bytes) << "not encrypted";
        {
            Program program(ProgramFolder(), named);
            ASSERT_TRUE(program.form());
            program.click("Option2");
            program.click("Command1");
            ASSERT_TRUE(WaitUntil([&] { return program.shows("Frame3"); }));
            ASSERT_TRUE(WaitUntil([&] { return FocusOf(program.thread()) == program.control("Text6"); }));
            for (const char digit : std::string("55155")) {
                PressKey(static_cast<WORD>(digit));
            }
            ASSERT_TRUE(WaitUntil([&] { return TextLength(program.control("Text10")) == 1; })) << "box E is empty";
            program.click("Command8");
            ASSERT_TRUE(WaitUntil([&] { return program.shows("Frame5"); }, 60000)) << program.state();
            ASSERT_TRUE(WaitUntil([&] { return !program.shownText().empty(); })) << "the file was not opened";
            program.click("Command10");
            const Dialog decrypted = program.dialog();
            EXPECT_EQ(decrypted.title, Wide("解密完成"));
            ClickButton(decrypted, IDOK);
            const Dialog finished = program.dialog();
            EXPECT_EQ(finished.title, Wide("工作完成"));
            ClickButton(finished, IDOK);
            EXPECT_TRUE(program.ended()) << program.state();
        }
        EXPECT_EQ(ReadFile(folder.file()), bytes) << "the bytes did not come back";
    }
}

// The button shows itself as the one Enter presses (a default push button).
bool LooksDefault(HWND button)
{
    return (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// What the keyboard does, followed with real key presses: the focus is on
// the control a user would type into next, and it shows.
class KeyboardRoad {
public:
    explicit KeyboardRoad(const Program& program) : program_(program) {}

    void expectFocus(const char* name) const
    {
        SCOPED_TRACE(name);
        HWND control = program_.control(name);
        HWND focus = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (focus = FocusOf(program_.thread())) == control; }))
            << "the focus is on control " << (focus ? GetDlgCtrlID(focus) : 0);
        EXPECT_TRUE(FocusShown(control)) << "the focus is hidden";
    }
    // Types a digit into the focused box; the focus moves on to `next`.
    void typeDigit(char digit, const char* box, const char* next) const
    {
        PressKey(static_cast<WORD>(digit));
        HWND typedInto = program_.control(box);
        ASSERT_TRUE(WaitUntil([&] { return TextLength(typedInto) == 1; })) << box << " took no digit";
        expectFocus(next);
    }
    // Answers the box that comes up with Enter, its default button.
    void answer(const char* title) const
    {
        const Dialog box = program_.dialog();
        EXPECT_EQ(box.title, Wide(title));
        PressKey(VK_RETURN);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); })) << title;
    }

private:
    const Program& program_;
};

// An encryption with the keyboard alone, as on the Linux window: Enter on
// 下一步; the focus on box A; each digit moves on; Enter in box E presses
// 下一步; the file step opens on 打开文件, never on 退 出; Enter presses the
// focused button. Every focused control shows its focus.
TEST_F(Win32UserRoad, AnEncryptionWithTheKeyboardAlone)
{
    ChineseFolder folder;
    MoveMouseTo(0, 0);  // away from the window: over a password box, it takes the focus
    Program program(ProgramFolder(), L"\"" + folder.file().wstring() + L"\"");
    ASSERT_TRUE(program.form());
    const KeyboardRoad keys(program);

    keys.expectFocus("Command1");
    PressKey(VK_RETURN);  // 下一步, encryption chosen
    ASSERT_TRUE(WaitUntil([&] { return program.shows("Frame2"); }));
    keys.expectFocus("Text1");
    EXPECT_TRUE(WaitUntil([&] { return LooksDefault(program.control("Command3")); }))
        << "下一步 does not show that Enter presses it";
    EXPECT_FALSE(LooksDefault(program.control("Command2")));
    for (int i = 1; i < 5; ++i) {
        const std::string box = "Text" + std::to_string(i);
        const std::string next = "Text" + std::to_string(i + 1);
        keys.typeDigit(static_cast<char>('0' + i), box.c_str(), next.c_str());
        ASSERT_FALSE(HasFatalFailure());
    }
    keys.typeDigit('5', "Text5", "Text5");  // the last box keeps the focus
    PressKey(VK_RETURN);  // in box E: the step's 下一步
    keys.answer("确认密码");
    keys.answer("记录密码");
    ASSERT_TRUE(WaitUntil([&] { return program.shows("Frame4"); }, 60000));
    EXPECT_TRUE(WaitUntil([&] { return !program.shownText().empty(); })) << "the file was not opened";
    keys.expectFocus("Command4");
    PressKey(VK_ESCAPE);  // Esc does nothing: the step stays
    PressKey(VK_TAB, true);
    keys.expectFocus("Command5");
    EXPECT_TRUE(program.shows("Frame4"));
    EXPECT_TRUE(WaitUntil([&] { return LooksDefault(program.control("Command5")); }));
    EXPECT_FALSE(LooksDefault(program.control("Command4")));
    PressKey(VK_RETURN);  // 加密文件
    keys.answer("加密完成");
    EXPECT_TRUE(program.ended()) << program.state();
    EXPECT_EQ(ReadFile(folder.file()), kEncrypted);
}

// Backspace in an empty box goes back one box and empties it (not before
// the first); a password not taken leaves the step with the focus on its
// first box; Enter on an option presses the step's 下一步; the decryption
// steps take the focus on box A and on 打开文件.
TEST_F(Win32UserRoad, BackspaceAndTheDecryptionStepsWithTheKeyboard)
{
    MoveMouseTo(0, 0);
    Program program(ProgramFolder(), L"");
    ASSERT_TRUE(program.form());
    const KeyboardRoad keys(program);

    keys.expectFocus("Command1");
    program.click("Option2");
    keys.expectFocus("Option2");
    PressKey(VK_RETURN);  // on an option: the step's 下一步
    ASSERT_TRUE(WaitUntil([&] { return program.shows("Frame3"); }));
    keys.expectFocus("Text6");
    keys.typeDigit('1', "Text6", "Text7");
    keys.typeDigit('2', "Text7", "Text8");
    ASSERT_FALSE(HasFatalFailure());
    PressKey(VK_BACK);  // in the empty box C: back to B, emptied
    keys.expectFocus("Text7");
    EXPECT_TRUE(WaitUntil([&] { return TextLength(program.control("Text7")) == 0; })) << "B kept its digit";
    EXPECT_EQ(TextLength(program.control("Text6")), 1) << "A lost its digit";
    PressKey(VK_BACK);
    keys.expectFocus("Text6");
    EXPECT_TRUE(WaitUntil([&] { return TextLength(program.control("Text6")) == 0; })) << "A kept its digit";
    PressKey(VK_BACK);  // in the first box: nowhere to go back to, the next digit goes there
    keys.typeDigit('3', "Text6", "Text7");
    PressKey(VK_RETURN);  // a password of one digit: refused
    keys.answer("密码填写出错");
    keys.expectFocus("Text6");
    EXPECT_EQ(TextLength(program.control("Text6")), 0) << "the boxes are emptied";

    for (int i = 0; i < 4; ++i) {
        const std::string box = "Text" + std::to_string(6 + i);
        const std::string next = "Text" + std::to_string(7 + i);
        keys.typeDigit(static_cast<char>('1' + i), box.c_str(), next.c_str());
        ASSERT_FALSE(HasFatalFailure());
    }
    keys.typeDigit('5', "Text10", "Text10");
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return program.shows("Frame5"); }, 60000)) << program.state();
    keys.expectFocus("Command9");
}

}  // namespace
