#pragma once

#include "platform/WizardView.hpp"

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

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
    const Document& document() const override { return document_; }
    void setDocument(Document document) override;
    void runWork(std::string_view title, bool cancellable,
                 const std::function<void(ProgressReport&)>& work) override;
    // How long an action runs before its progress window shows.
    void setProgressDelay(int milliseconds) { progressDelay_ = milliseconds; }
    std::filesystem::path programDirectory() const override;
    std::filesystem::path userDataDirectory() const override;
    // The file named on the command line, kept for the file panel.
    void setStartFile(const std::filesystem::path& file) { startFile_ = file; }
    std::filesystem::path takeStartFile() override { return std::exchange(startFile_, {}); }
    void endProgram() override;

private:
    Form1& form_;
    Document document_;
    QStringList dialogFilters_;
    std::filesystem::path dialogFileName_;
    std::function<void()> end_;
    int progressDelay_ = 500;
    std::filesystem::path startFile_;
};

}  // namespace quilvane
