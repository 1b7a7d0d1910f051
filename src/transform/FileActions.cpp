#include "transform/FileActions.hpp"

#include "password/KeyFileMessages.hpp"
#include "password/KeyStore.hpp"
#include "platform/DocumentFile.hpp"
#include "platform/FailureMessages.hpp"
#include "platform/FileFaults.hpp"
#include "platform/FileRefusal.hpp"
#include "platform/SystemErrors.hpp"
#include "transform/DocumentWrite.hpp"
#include "transform/FileBatch.hpp"
#include "transform/FileRewrite.hpp"
#include "transform/ShiftStream.hpp"
#include "transform/ShiftText.hpp"

#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace quilvane {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Opens the chosen file into the view: its stamp and its beginning, however
// large it is. After a failure no file is open, so nothing can be written
// over a file from a document that is not its own.
void LoadChosenFile(WizardView& view, const std::filesystem::path& chosen)
{
    view.setDocument({});
    LoadedDocument loaded;
    const auto failure = RunWork(view, "正在打开文件", false,
                                 [&](ProgressReport&) { loaded = ReadDocumentStart(chosen, kExcerptLimit); });
    if (failure) {
        loaded = {{}, {}, FileError{chosen, *failure}};
    }
    if (loaded.error) {
        view.setDialogFileName({});
        view.messageBox(failure::OpenText(*loaded.error), msgbox::kOkOnly + msgbox::kCritical, failure::kOpenTitle);
        return;
    }
    view.setDocument(DocumentOf(chosen, std::move(loaded)));
}

void OpenFile(WizardView& view)
{
    view.setDialogFilter("文本文件(*.txt)|*.txt|所有文件 (*.*)|*.*");
    view.showOpen();
    if (const auto several = view.dialogFileNames(); several.size() > 1) {
        LoadChosenFiles(view, several);
        return;
    }
    const auto chosen = view.dialogFileName();
    if (chosen.empty()) {
        return;  // cancelled before any file was ever chosen
    }
    LoadChosenFile(view, chosen);
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

// Before any file was opened the view's own text is shifted, where it lies.
void ShiftViewText(WizardView& view, int delta, bool dropLineEnd)
{
    Document document = view.document();
    std::string_view text = document.excerpt;
    if (dropLineEnd && text.ends_with(kLineEnd)) {
        text.remove_suffix(kLineEnd.size());
    }
    document.excerpt = ShiftText(text, delta);
    view.setDocument(std::move(document));
}

// Shifts the document by `delta` and writes it, with `suffix`, over the file
// it was read from, in one pass off the window's thread; a decryption takes
// off the line end that encryption added. The view then shows what the file
// holds.
Rewrite ShiftAndWrite(WizardView& view, std::string_view title, const std::filesystem::path& file, int delta,
                      std::string_view suffix, bool dropLineEnd)
{
    Rewrite result;
    const Document& document = view.document();
    if (!ReadFromFile(document, file)) {
        result.shifted = true;
        result.error = FileError{file, FileRefusal::ChangedOnDisk};
        return result;
    }
    const auto failure = RunWork(view, title, false, [&](ProgressReport& report) {
        result = RewriteDocument(document, file, delta, suffix, dropLineEnd,
                                 [&](std::uint64_t done, std::uint64_t total) { report.update(done, total); });
    });
    if (failure) {
        // Before the write, or around it: the file is as it was.
        result = {};
        result.shifted = true;
        result.error = FileError{file, *failure};
        return result;
    }
    if (result.written && !result.notShown) {
        view.setDocument(std::move(result.document));
    } else if (result.notShown) {
        // No stale document is left to be written from: its stamp is the
        // old file's.
        view.setDocument({});
        view.setDialogFileName({});
    }
    return result;
}

void ShowSaveFailure(WizardView& view, const Rewrite& rewrite)
{
    if (rewrite.notShown) {
        view.messageBox(failure::NotShownText(*rewrite.error), msgbox::kOkOnly + msgbox::kCritical,
                        failure::kNotShownTitle);
        return;
    }
    if (rewrite.readFailed) {
        view.messageBox(failure::ReadText(*rewrite.error), msgbox::kOkOnly + msgbox::kCritical, failure::kReadTitle);
        return;
    }
    if (rewrite.written) {
        view.messageBox(failure::NotDurableText(*rewrite.error), msgbox::kOkOnly + msgbox::kCritical,
                        failure::kNotDurableTitle);
        return;
    }
    view.messageBox(failure::SaveText(*rewrite.error), msgbox::kOkOnly + msgbox::kCritical, failure::kSaveTitle);
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

void OpenDroppedFile(WizardView& view, const std::filesystem::path& file)
{
    view.setDialogFileName(file);
    LoadChosenFile(view, file);
}

void OpenDroppedFiles(WizardView& view, const std::vector<std::filesystem::path>& files)
{
    if (files.size() == 1) {
        OpenDroppedFile(view, files.front());
        return;
    }
    view.setDialogFileNames(files);
    LoadChosenFiles(view, files);
}

void Command5_Click(WizardView& view)
{
    const auto shift = ReadShift(view);
    if (!shift) {
        return;
    }
    const int down = -*shift;
    if (SeveralChosen(view)) {
        EncryptChosenFiles(view, down);
        return;
    }
    const auto file = view.dialogFileName();
    if (file.empty()) {
        ShiftViewText(view, down, false);
        view.messageBox("请先单击“打开文件”按钮，选定将要加密的文件后再单击此按钮。",
                        msgbox::kOkOnly + msgbox::kExclamation, "文件尚未打开");
        return;
    }

    // The line end after the text is part of the file format of encrypted
    // files: decryption takes it off again.
    const Rewrite rewrite = ShiftAndWrite(view, "正在加密文件", file, down, kLineEnd, false);
    if (!rewrite.shifted) {
        view.messageBox(failure::EncryptRefusedText(file), msgbox::kOkOnly + msgbox::kCritical,
                        failure::kEncryptRefusedTitle);
        return;
    }
    if (rewrite.error) {
        ShowSaveFailure(view, rewrite);
        return;
    }

    const int answer = view.messageBox("加密已经完成，单击“确定”按钮退出。",
                                       msgbox::kOkCancel + msgbox::kInformation, "加密完成");
    if (answer == msgbox::kAnswerOk) {
        view.endProgram();
        return;
    }
    // The view shows the plain text again; the file stays encrypted, and the
    // document is that file shifted back, to be applied as it is read.
    Document shown = view.document();
    shown.shift -= down;
    shown.excerpt = ShiftText(shown.excerpt, -down);
    view.setDocument(std::move(shown));
}

void Command10_Click(WizardView& view)
{
    const auto shift = ReadShift(view);
    if (!shift) {
        return;
    }
    const int up = *shift;
    if (SeveralChosen(view)) {
        DecryptChosenFiles(view, up);
        return;
    }
    const auto file = view.dialogFileName();
    if (file.empty()) {
        // The final line end that encryption wrote is not part of the text.
        ShiftViewText(view, up, true);
        view.messageBox("请先单击“打开文件”按钮，选定将要解密的文件后再单击此按钮。",
                        msgbox::kOkOnly + msgbox::kExclamation, "文件尚未打开");
        return;
    }

    const Rewrite rewrite = ShiftAndWrite(view, "正在解密文件", file, up, {}, true);
    if (!rewrite.shifted) {
        view.messageBox(failure::DecryptRefusedText(file), msgbox::kOkOnly + msgbox::kCritical,
                        failure::kDecryptRefusedTitle);
        return;
    }
    if (rewrite.error) {
        ShowSaveFailure(view, rewrite);
        return;
    }

    view.messageBox("解密已经完成，单击“确定”按钮退出。", msgbox::kOkOnly + msgbox::kInformation, "解密完成");
    view.messageBox("感谢您使用由Tobrek编写制作的《Quilvane2.0》", msgbox::kOkOnly + msgbox::kInformation,
                    "工作完成");
    view.endProgram();
}

}  // namespace quilvane
