#include "transform/FileActions.hpp"

#include "password/KeyStore.hpp"
#include "platform/DocumentFile.hpp"
#include "platform/FailureMessages.hpp"
#include "transform/ShiftText.hpp"
#include "transform/ShiftedWrite.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace quilvane {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// One progress window over the passes an action makes through a document
// (check, shift, write), shown as the share of the document done.
class Passes {
public:
    Passes(WizardView& view, std::string_view title, std::uint64_t size, int passes)
        : report_(view.startProgress(title, false)), size_(size), passes_(passes)
    {
    }

    void next() { ++pass_; }
    // Takes the progress window away, before a message is shown.
    void close() { report_.reset(); }
    void at(std::uint64_t done, std::uint64_t passSize)
    {
        if (passSize == 0 || !report_) {
            return;
        }
        if (pass_ + 1 == passes_ && done >= passSize) {
            report_->update(size_, size_);
            return;
        }
        const double share = (pass_ + static_cast<double>(done) / static_cast<double>(passSize)) / passes_;
        report_->update(static_cast<std::uint64_t>(share * static_cast<double>(size_)), size_);
    }
    ShiftProgress shifting(std::uint64_t passSize)
    {
        return [this, passSize](std::size_t done) { at(done, passSize); };
    }
    IoProgress writing()
    {
        return [this](std::uint64_t done, std::uint64_t total) {
            pass_ = passes_ - 1;
            at(done, total);
            return true;
        };
    }

private:
    std::unique_ptr<ProgressReport> report_;
    std::uint64_t size_;
    int passes_;
    int pass_ = 0;
};

void OpenFile(WizardView& view)
{
    const auto previous = view.dialogFileName();
    view.setDialogFilter("文本文件(*.txt)|*.txt|所有文件 (*.*)|*.*");
    view.showOpen();
    const auto chosen = view.dialogFileName();
    if (chosen.empty()) {
        return;  // cancelled before any file was ever chosen
    }
    LoadedDocument loaded;
    {
        const auto progress = view.startProgress("正在打开文件", true);
        ReadOptions options;
        options.progress = [&](std::uint64_t done, std::uint64_t total) { return progress->update(done, total); };
        loaded = ReadDocumentFile(chosen, options);
    }
    if (loaded.error) {
        // The chosen file stays the one whose text the view holds.
        view.setDialogFileName(previous);
        if (loaded.error->error != std::errc::operation_canceled) {
            view.messageBox(failure::OpenText(*loaded.error), msgbox::kOkOnly + msgbox::kCritical,
                            failure::kOpenTitle);
        }
        return;
    }
    view.setDocumentText(std::move(loaded.bytes));
    view.setDocumentStamp(loaded.stamp);
}

std::optional<std::int16_t> ReadShift(WizardView& view)
{
    const KeyShift key = LoadKeyShift(view);
    if (key.error) {
        view.messageBox(failure::KeyFileText(*key.error), msgbox::kOkOnly + msgbox::kCritical,
                        failure::kKeyFileTitle);
        return std::nullopt;
    }
    return key.shift;
}

ReplaceOptions WriteOptions(WizardView& view, std::string_view suffix, Passes& passes)
{
    ReplaceOptions options;
    options.expected = view.documentStamp();
    options.suffix = suffix;
    options.progress = passes.writing();
    return options;
}

// Tells the user why the file could not be written. True when written.
bool Written(WizardView& view, const Replaced& replaced, Passes& passes)
{
    if (replaced.error) {
        passes.close();
        view.messageBox(failure::SaveText(*replaced.error), msgbox::kOkOnly + msgbox::kCritical,
                        failure::kSaveTitle);
        return false;
    }
    view.setDocumentStamp(replaced.stamp);
    return true;
}

bool EndsWithLineEnd(const std::string& text)
{
    return std::string_view(text).ends_with(kLineEnd);
}

}  // namespace

void Command4_Click(WizardView& view)
{
    OpenFile(view);
}

void Command9_Click(WizardView& view)
{
    OpenFile(view);
}

// The whole document is first checked to come back under the opposite
// action, then shifted where it lies while it is written; a failed write
// shifts it back. So the document is held once, however large.
void Command5_Click(WizardView& view)
{
    const auto shift = ReadShift(view);
    if (!shift) {
        return;
    }
    const int down = -*shift;
    const auto file = view.dialogFileName();
    if (file.empty()) {
        view.editDocument([&](std::string& text) { ShiftInPlace(text, down); });
        view.messageBox("请先单击“打开文件”按钮，选定将要加密的文件后再单击此按钮。",
                        msgbox::kOkOnly + msgbox::kExclamation, "文件尚未打开");
        return;
    }

    const std::uint64_t size = view.documentText().size();
    {
        Passes passes(view, "正在加密文件", size, 2);
        // The line end after the text is part of the file format of
        // encrypted files: decryption takes it off again.
        const ReplaceOptions options = WriteOptions(view, kLineEnd, passes);
        ShiftedWrite written;
        view.editDocument(
            [&](std::string& text) { written = WriteShifted(text, down, file, options, passes.shifting(size)); });
        if (!written.comesBack) {
            passes.close();
            view.messageBox(failure::EncryptRefusedText(file), msgbox::kOkOnly + msgbox::kCritical,
                            failure::kEncryptRefusedTitle);
            return;
        }
        if (!Written(view, written.replaced, passes)) {
            return;
        }
    }

    const int answer = view.messageBox("加密已经完成，单击“确定”按钮退出。",
                                       msgbox::kOkCancel + msgbox::kInformation, "加密完成");
    if (answer == msgbox::kAnswerOk) {
        view.endProgram();
        return;
    }
    view.editDocument([&](std::string& text) { ShiftInPlace(text, -down); });
}

void Command10_Click(WizardView& view)
{
    const auto shift = ReadShift(view);
    if (!shift) {
        return;
    }
    const int up = *shift;
    // The final line end that encryption wrote is not part of the text.
    const bool marked = EndsWithLineEnd(view.documentText());
    const auto file = view.dialogFileName();
    if (file.empty()) {
        view.editDocument([&](std::string& text) {
            if (marked) {
                text.resize(text.size() - kLineEnd.size());
            }
            ShiftInPlace(text, up);
        });
        view.messageBox("请先单击“打开文件”按钮，选定将要解密的文件后再单击此按钮。",
                        msgbox::kOkOnly + msgbox::kExclamation, "文件尚未打开");
        return;
    }

    const std::uint64_t size = view.documentText().size();
    {
        Passes passes(view, "正在解密文件", size, 2);
        const ReplaceOptions options = WriteOptions(view, {}, passes);
        ShiftedWrite written;
        view.editDocument([&](std::string& text) {
            if (marked) {
                text.resize(text.size() - kLineEnd.size());
            }
            written = WriteShifted(text, up, file, options, passes.shifting(size));
            if ((!written.comesBack || written.replaced.error) && marked) {
                text += kLineEnd;
            }
        });
        if (!written.comesBack) {
            passes.close();
            view.messageBox(failure::DecryptRefusedText(file), msgbox::kOkOnly + msgbox::kCritical,
                            failure::kDecryptRefusedTitle);
            return;
        }
        if (!Written(view, written.replaced, passes)) {
            return;
        }
    }

    view.messageBox("解密已经完成，单击“确定”按钮退出。", msgbox::kOkOnly + msgbox::kInformation, "解密完成");
    view.messageBox("感谢您使用由Tobrek编写制作的《Quilvane2.0》", msgbox::kOkOnly + msgbox::kInformation,
                    "工作完成");
    view.endProgram();
}

}  // namespace quilvane
