#include "gui/qt/QtWizardView.hpp"

#include "gui/qt/DocumentDisplay.hpp"
#include "gui/qt/EarlyClickFilter.hpp"
#include "gui/qt/FocusShown.hpp"
#include "gui/qt/Form1.hpp"
#include "gui/qt/MessageBoxLook.hpp"
#include "gui/qt/QtBackgroundWork.hpp"
#include "transform/BatchReport.hpp"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

namespace quilvane {
namespace {

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::StandardButtons Buttons(int style)
{
    switch (style & 7) {
    case msgbox::kOkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case msgbox::kYesNo: return QMessageBox::Yes | QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

QMessageBox::Icon Icon(int style)
{
    switch (style & 0x70) {
    case msgbox::kCritical: return QMessageBox::Critical;
    case msgbox::kQuestion: return QMessageBox::Question;
    case msgbox::kExclamation: return QMessageBox::Warning;
    case msgbox::kInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int Answer(int button)
{
    switch (button) {
    case QMessageBox::Ok: return msgbox::kAnswerOk;
    case QMessageBox::Yes: return msgbox::kAnswerYes;
    case QMessageBox::No: return msgbox::kAnswerNo;
    default: return msgbox::kAnswerCancel;
    }
}

std::filesystem::path ToPath(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

QString FromPath(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

int Number(Frame frame) { return static_cast<int>(frame) + 1; }
int Number(TextBox box) { return static_cast<int>(box) + 1; }

}  // namespace

QtWizardView::QtWizardView(Form1& form) : form_(form), end_([] { QCoreApplication::quit(); }) {}

void QtWizardView::setFrameVisible(Frame frame, bool visible)
{
    form_.frame(Number(frame))->setVisible(visible);
}

bool QtWizardView::frameVisible(Frame frame) const
{
    // Its own state, whether or not the window is on the screen yet.
    return !form_.frame(Number(frame))->isHidden();
}

bool QtWizardView::optionValue(OptionButton option) const
{
    return form_.option(option == OptionButton::Option1 ? 1 : 2)->isChecked();
}

std::string QtWizardView::boxText(TextBox box) const
{
    return form_.text(Number(box))->text().toStdString();
}

void QtWizardView::clearBox(TextBox box)
{
    form_.text(Number(box))->clear();
}

void QtWizardView::focusBox(TextBox box)
{
    form_.text(Number(box))->setFocus(Qt::MouseFocusReason);
}

int QtWizardView::messageBox(std::string_view text, int style, std::string_view title)
{
    QMessageBox box(Icon(style), FromUtf8(title), FromUtf8(text), Buttons(style), &form_);
    box.setObjectName("MessageBox");
    PrepareMessageBox(box);
    new EarlyClickFilter(box);  // owned by the box
    return Answer(box.exec());
}

// The filter comes as pairs "description|pattern|description|pattern".
void QtWizardView::setDialogFilter(std::string_view filter)
{
    dialogFilters_.clear();
    const QStringList parts = FromUtf8(filter).split('|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        dialogFilters_ << (description.contains('(' + pattern + ')') ? description
                                                                     : description + " (" + pattern + ")");
    }
}

void QtWizardView::showOpen()
{
    QFileDialog dialog(&form_, QStringLiteral("打开"));
    dialog.setObjectName("CommonDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    // Qt's own dialog: the same Chinese dialog everywhere, and one a test can answer.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    ShowFocusAlways(dialog);
    dialog.setNameFilters(dialogFilters_);
    if (!dialogFileNames_.empty()) {
        dialog.setDirectory(QFileInfo(FromPath(dialogFileNames_.front())).absolutePath());
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        dialogFileNames_.clear();
        for (const QString& file : dialog.selectedFiles()) {
            dialogFileNames_.push_back(ToPath(file));
        }
    }
}

std::filesystem::path QtWizardView::dialogFileName() const
{
    return dialogFileNames_.empty() ? std::filesystem::path{} : dialogFileNames_.front();
}

void QtWizardView::setDialogFileName(const std::filesystem::path& fileName)
{
    setDialogFileNames(fileName.empty() ? std::vector<std::filesystem::path>{} : std::vector{fileName});
}

void QtWizardView::setDialogFileNames(const std::vector<std::filesystem::path>& fileNames)
{
    dialogFileNames_ = fileNames;
}

std::filesystem::path QtWizardView::takeStartFile()
{
    auto files = takeStartFiles();
    return files.empty() ? std::filesystem::path{} : files.front();
}

void QtWizardView::setDocument(Document document)
{
    document_ = std::move(document);
    // Several files: their names and sizes, which a thousand of take no time.
    form_.richTextBox()->setPlainText(document_.batch.empty()
                                          ? DisplayText(document_.excerpt, kDisplayLimit, document_.more)
                                          : FromUtf8(FileListText(document_.batch)));
}

void QtWizardView::runWork(std::string_view title, bool cancellable,
                           const std::function<void(ProgressReport&)>& work)
{
    RunInBackground(&form_, FromUtf8(title), cancellable, progressDelay_, work);
}

std::filesystem::path QtWizardView::programDirectory() const
{
    return ToPath(QCoreApplication::applicationDirPath());
}

std::filesystem::path QtWizardView::userDataDirectory() const
{
    return ToPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void QtWizardView::endProgram()
{
    form_.hide();
    end_();
}

}  // namespace quilvane
