#pragma once

#include "platform/WizardView.hpp"

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

namespace quilvane {

class Form1;

// WizardView bound to the Qt window. The document is kept here; the
// document view shows its beginning decoded (UTF-8 where the file is UTF-8, GBK
// otherwise), never converting the bytes themselves.
class QtWizardView : public WizardView {
public:
    explicit QtWizardView(Form1& form);

    // What ending the program does; the program quits the application, the
    // window tests record it instead.
    void setEndProgram(std::function<void()> end) { end_ = std::move(end); }

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
    void setDialogFileNames(const std::vector<std::filesystem::path>& fileNames) override;
    const Document& document() const override { return document_; }
    void setDocument(Document document) override;
    void runWork(std::string_view title, bool cancellable,
                 const std::function<void(ProgressReport&)>& work) override;
    // How long an action runs before its progress window shows.
    void setProgressDelay(int milliseconds) { progressDelay_ = milliseconds; }
    std::filesystem::path programDirectory() const override;
    std::filesystem::path userDataDirectory() const override;
    // The files named on the command line, kept for the file panel.
    void setStartFile(const std::filesystem::path& file)
    {
        startFiles_ = file.empty() ? std::vector<std::filesystem::path>{} : std::vector{file};
    }
    void setStartFiles(std::vector<std::filesystem::path> files) { startFiles_ = std::move(files); }
    std::filesystem::path takeStartFile() override;
    std::vector<std::filesystem::path> takeStartFiles() override { return std::exchange(startFiles_, {}); }
    void endProgram() override;

private:
    Form1& form_;
    Document document_;
    QStringList dialogFilters_;
    std::vector<std::filesystem::path> dialogFileNames_;
    std::function<void()> end_;
    int progressDelay_ = 500;
    std::vector<std::filesystem::path> startFiles_;
};

}  // namespace quilvane
