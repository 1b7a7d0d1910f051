#include "gui/win32/Win32WizardView.hpp"

#include "gui/win32/BackgroundWork.hpp"
#include "gui/win32/DocumentView.hpp"
#include "gui/win32/EarlyClickFilter.hpp"
#include "gui/win32/Form.hpp"
#include "gui/win32/KeyboardFlow.hpp"
#include "platform/win32/ProgramFolders.hpp"
#include "platform/win32/WideText.hpp"
#include "transform/BatchReport.hpp"

#include <commdlg.h>

namespace quilvane::win32 {
namespace {

int Number(Frame frame) { return static_cast<int>(frame) + 1; }
int Number(TextBox box) { return static_cast<int>(box) + 1; }

std::wstring WindowText(HWND hwnd)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A modal box or dialog enables its owner as it closes; while a handler runs
// the window must stay disabled, so its state is put back at once.
class KeepEnabledState {
public:
    explicit KeepEnabledState(HWND window) : window_(window), enabled_(IsWindowEnabled(window) != FALSE) {}
    ~KeepEnabledState() { EnableWindow(window_, enabled_); }
    KeepEnabledState(const KeepEnabledState&) = delete;
    KeepEnabledState& operator=(const KeepEnabledState&) = delete;

private:
    HWND window_;
    bool enabled_;
};

// With several files chosen the dialog gives the folder, then each name, each
// ended by a NUL, and a second NUL at the end: the first name starts right
// after the folder's NUL. With one, its full path.
std::vector<std::filesystem::path> ChosenFiles(const std::wstring& buffer, std::size_t firstName)
{
    const std::wstring first(buffer.c_str());
    if (firstName == 0 || firstName != first.size() + 1) {
        return {std::filesystem::path(first)};
    }
    std::vector<std::filesystem::path> files;
    for (std::size_t at = firstName; at < buffer.size() && buffer[at] != L'\0';) {
        const std::wstring name(buffer.c_str() + at);
        files.push_back(std::filesystem::path(first) / name);
        at += name.size() + 1;
    }
    return files;
}

}  // namespace

Win32WizardView::Win32WizardView(Form& form) : form_(form), end_([] { PostQuitMessage(0); }) {}

HWND Win32WizardView::takeRequestedFocus()
{
    HWND box = requestedFocus_;
    requestedFocus_ = nullptr;
    return box;
}

void Win32WizardView::setFrameVisible(Frame frame, bool visible)
{
    const bool appears = visible && !frameVisible(frame);
    ShowWindow(form_.frame(Number(frame)), visible ? SW_SHOW : SW_HIDE);
    if (appears) {
        requestFocus(FirstFocus(form_, Number(frame)));
    }
}

bool Win32WizardView::frameVisible(Frame frame) const
{
    // Its own state, whether or not the window is on the screen yet.
    return (GetWindowLongW(form_.frame(Number(frame)), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool Win32WizardView::optionValue(OptionButton option) const
{
    const int number = option == OptionButton::Option1 ? 1 : 2;
    return SendMessageW(form_.option(number), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string Win32WizardView::boxText(TextBox box) const
{
    return Utf8FromWide(WindowText(form_.text(Number(box))));
}

void Win32WizardView::clearBox(TextBox box)
{
    SetWindowTextW(form_.text(Number(box)), L"");
}

void Win32WizardView::focusBox(TextBox box)
{
    requestFocus(form_.text(Number(box)));
}

void Win32WizardView::requestFocus(HWND hwnd)
{
    if (IsWindowEnabled(form_.window())) {
        SetFocus(hwnd);
    } else {
        requestedFocus_ = hwnd;  // no focus goes into a disabled window
    }
}

int Win32WizardView::messageBox(std::string_view text, int style, std::string_view title)
{
    // The styles and answers are the platform's own numbers (MB_YESNO = 4,
    // MB_ICONQUESTION = 32, IDYES = 6...).
    KeepEnabledState keep(form_.window());
    const EarlyClickFilter early;
    return MessageBoxW(form_.window(), WideFromUtf8(text).c_str(), WideFromUtf8(title).c_str(),
                       static_cast<UINT>(style));
}

// The filter comes as pairs "description|pattern|description|pattern".
void Win32WizardView::setDialogFilter(std::string_view filter)
{
    dialogFilter_ = WideFromUtf8(filter);
    for (wchar_t& c : dialogFilter_) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    dialogFilter_.push_back(L'\0');
}

std::filesystem::path Win32WizardView::dialogFileName() const
{
    return dialogFileNames_.empty() ? std::filesystem::path{} : dialogFileNames_.front();
}

void Win32WizardView::setDialogFileName(const std::filesystem::path& fileName)
{
    setDialogFileNames(fileName.empty() ? std::vector<std::filesystem::path>{} : std::vector{fileName});
}

std::filesystem::path Win32WizardView::takeStartFile()
{
    auto files = takeStartFiles();
    return files.empty() ? std::filesystem::path{} : files.front();
}

void Win32WizardView::showOpen()
{
    // Room for many names at once (the dialog asks for no more than this).
    std::wstring file = dialogFileName().wstring();
    file.resize(std::size_t{1} << 20, L'\0');
    const std::wstring title = WideFromUtf8("打开");
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = form_.window();
    dialog.lpstrFilter = dialogFilter_.empty() ? nullptr : dialogFilter_.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                   OFN_NOCHANGEDIR;
    KeepEnabledState keep(form_.window());
    // The second click of a double click on 打开文件 would choose the file
    // that the dialog shows under the pointer.
    const EarlyClickFilter early;
    if (GetOpenFileNameW(&dialog)) {
        dialogFileNames_ = ChosenFiles(file, dialog.nFileOffset);
    }
}

void Win32WizardView::setDocument(Document document)
{
    document_ = std::move(document);
    if (!document_.batch.empty()) {
        // Several files: their names and sizes, which a thousand of take no time.
        ShowFileList(form_.richTextBox(), FileListText(document_.batch));
        return;
    }
    ShowDocument(form_.richTextBox(), document_.excerpt, document_.more);
}

void Win32WizardView::runWork(std::string_view title, bool cancellable,
                              const std::function<void(ProgressReport&)>& work)
{
    RunInBackground(form_.window(), title, cancellable, progressDelay_, work);
}

std::filesystem::path Win32WizardView::programDirectory() const
{
    return ExecutableDirectory();
}

std::filesystem::path Win32WizardView::userDataDirectory() const
{
    return UserDataDirectory();
}

void Win32WizardView::endProgram()
{
    ShowWindow(form_.window(), SW_HIDE);
    end_();
}

}  // namespace quilvane::win32
