#include "transform/FileActions.hpp"

#include "password/KeyStore.hpp"
#include "platform/DocumentFile.hpp"
#include "platform/FailureMessages.hpp"
#include "transform/ShiftText.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace quilvane {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

void OpenFile(WizardView& view)
{
    const auto previous = view.dialogFileName();
    view.setDialogFilter("文本文件(*.txt)|*.txt|所有文件 (*.*)|*.*");
    view.showOpen();
    const auto chosen = view.dialogFileName();
    if (chosen.empty()) {
        return;  // cancelled before any file was ever chosen
    }
    LoadedDocument loaded = ReadDocumentFile(chosen);
    if (loaded.error) {
        // The chosen file stays the one whose text the view holds.
        view.setDialogFileName(previous);
        view.messageBox(failure::OpenText(*loaded.error), msgbox::kOkOnly + msgbox::kCritical, failure::kOpenTitle);
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

// Writes the file, unless it changed since it was loaded or last written; on
// failure the view goes back to `original` and the user is told. True when
// written.
bool WriteBack(WizardView& view, const std::filesystem::path& file, std::string_view content,
               std::string original)
{
    ReplaceOptions options;
    options.expected = view.documentStamp();
    const Replaced replaced = ReplaceFileContent(file, content, options);
    if (replaced.error) {
        view.setDocumentText(std::move(original));
        view.messageBox(failure::SaveText(*replaced.error), msgbox::kOkOnly + msgbox::kCritical,
                        failure::kSaveTitle);
        return false;
    }
    view.setDocumentStamp(replaced.stamp);
    return true;
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

void Command5_Click(WizardView& view)
{
    const auto shift = ReadShift(view);
    if (!shift) {
        return;
    }
    std::string original = view.documentText();
    view.setDocumentText(ShiftText(original, -*shift));

    const auto file = view.dialogFileName();
    if (file.empty()) {
        view.messageBox("请先单击“打开文件”按钮，选定将要加密的文件后再单击此按钮。",
                        msgbox::kOkOnly + msgbox::kExclamation, "文件尚未打开");
        return;
    }
    if (!ShiftComesBack(original, -*shift)) {
        view.setDocumentText(std::move(original));
        view.messageBox(failure::EncryptRefusedText(file), msgbox::kOkOnly + msgbox::kCritical,
                        failure::kEncryptRefusedTitle);
        return;
    }
    // The line end after the text is part of the file format of encrypted
    // files: decryption takes it off again.
    if (!WriteBack(view, file, view.documentText() + std::string(kLineEnd), std::move(original))) {
        return;
    }

    const int answer = view.messageBox("加密已经完成，单击“确定”按钮退出。",
                                       msgbox::kOkCancel + msgbox::kInformation, "加密完成");
    if (answer == msgbox::kAnswerOk) {
        view.endProgram();
        return;
    }
    view.setDocumentText(ShiftText(view.documentText(), +*shift));
}

void Command10_Click(WizardView& view)
{
    const auto shift = ReadShift(view);
    if (!shift) {
        return;
    }
    std::string original = view.documentText();
    // The final line end that encryption wrote is not part of the text.
    std::string_view encrypted = original;
    if (encrypted.ends_with(kLineEnd)) {
        encrypted.remove_suffix(kLineEnd.size());
    }
    view.setDocumentText(ShiftText(encrypted, +*shift));

    const auto file = view.dialogFileName();
    if (file.empty()) {
        view.messageBox("请先单击“打开文件”按钮，选定将要解密的文件后再单击此按钮。",
                        msgbox::kOkOnly + msgbox::kExclamation, "文件尚未打开");
        return;
    }
    if (!ShiftComesBack(encrypted, +*shift)) {
        view.setDocumentText(std::move(original));
        view.messageBox(failure::DecryptRefusedText(file), msgbox::kOkOnly + msgbox::kCritical,
                        failure::kDecryptRefusedTitle);
        return;
    }
    if (!WriteBack(view, file, view.documentText(), std::move(original))) {
        return;
    }

    view.messageBox("解密已经完成，单击“确定”按钮退出。", msgbox::kOkOnly + msgbox::kInformation, "解密完成");
    view.messageBox("感谢您使用由Tobrek编写制作的《Quilvane2.0》", msgbox::kOkOnly + msgbox::kInformation,
                    "工作完成");
    view.endProgram();
}

}  // namespace quilvane
