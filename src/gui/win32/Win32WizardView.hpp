#pragma once

#include "platform/WizardView.hpp"

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quilvane::win32 {

class Form;

// WizardView bound to the Win32 window. The document is kept here;
// the Rich Edit view shows its beginning (DocumentText).
class Win32WizardView : public WizardView {
public:
    explicit Win32WizardView(Form& form);

    // What ending the program does; the program leaves its message loop, the
    // window tests record it instead.
    void setEndProgram(std::function<void()> end) { end_ = std::move(end); }
    // How long an action runs before its progress window shows.
    void setProgressDelay(DWORD milliseconds) { progressDelay_ = milliseconds; }
    // The box a handler gave the focus to while the window took no input;
    // the window gives it the focus once the handler has returned.
    HWND takeRequestedFocus();

    void setFrameVisible(Frame frame, bool visible) override;
    bool frameVisible(Frame frame) const override;
    bool optionValue(OptionButton option) const override;
    std::string boxText(TextBox box) const override;
    void clearBox(TextBox box) override;
    void focusBox(TextBox box) override;
    int messageBox(std::string_view text, int style, std::string_view title) override;
    void setDialogFilter(std::string_view filter) override;
    void showOpen() override;
    std::filesystem::path dialogFileName() const override;
    void setDialogFileName(const std::filesystem::path& fileName) override;
    std::vector<std::filesystem::path> dialogFileNames() const override { return dialogFileNames_; }
    void setDialogFileNames(const std::vector<std::filesystem::path>& fileNames) override
    {
        dialogFileNames_ = fileNames;
    }
    const Document& document() const override { return document_; }
    void setDocument(Document document) override;
    void runWork(std::string_view title, bool cancellable,
                 const std::function<void(ProgressReport&)>& work) override;
    std::filesystem::path programDirectory() const override;
    std::filesystem::path userDataDirectory() const override;
    // The files named on the command line, kept for the file panel.
    void setStartFiles(std::vector<std::filesystem::path> files) { startFiles_ = std::move(files); }
    std::filesystem::path takeStartFile() override;
    std::vector<std::filesystem::path> takeStartFiles() override { return std::exchange(startFiles_, {}); }
    void endProgram() override;

private:
    // The focus to `hwnd`, now or once the running handler has returned.
    void requestFocus(HWND hwnd);

    Form& form_;
    Document document_;
    std::wstring dialogFilter_;  // pairs separated by NULs, as the dialog takes them
    std::vector<std::filesystem::path> dialogFileNames_;
    std::function<void()> end_;
    DWORD progressDelay_ = 500;
    HWND requestedFocus_ = nullptr;
    std::vector<std::filesystem::path> startFiles_;
};

}  // namespace quilvane::win32
