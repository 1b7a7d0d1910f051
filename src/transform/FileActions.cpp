#include "transform/FileActions.hpp"

#include "password/KeyFileMessages.hpp"
#include "password/KeyStore.hpp"
#include "platform/DocumentFile.hpp"
#include "platform/FailureMessages.hpp"
#include "platform/FileFaults.hpp"
#include "platform/FileRefusal.hpp"
#include "platform/SystemErrors.hpp"
#include "transform/DocumentWrite.hpp"
#include "transform/ShiftStream.hpp"
#include "transform/ShiftText.hpp"

#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace quilvane {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Runs `work` off the window's thread. A failure that comes as an exception
// (no memory left, no thread to work on) is given back as the error it
// stands for, for the action to report: the window goes on.
std::optional<std::error_code> RunWork(WizardView& view, std::string_view title, bool cancellable,
                                       const std::function<void(ProgressReport& report)>& work)
{
    try {
        view.runWork(title, cancellable, work);
    } catch (...) {
        return CurrentExceptionError();
    }
    return std::nullopt;
}

// The beginning of a file as the view shows it: whole characters only,
// since the rest of the last one may lie past what was read.
Document DocumentOf(const std::filesystem::path& file, LoadedDocument loaded)
{
    Document document;
    document.file = file;
    document.stamp = loaded.stamp;
    document.more = static_cast<std::uint64_t>(loaded.stamp.size) > loaded.bytes.size();
    if (document.more && !loaded.bytes.empty()) {
        loaded.bytes.resize(detail::LastCharacterStart(loaded.bytes));
    }
    document.excerpt = std::move(loaded.bytes);
    return document;
}

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

// What came of shifting the document and writing it over its file.
struct Rewrite {
    bool shifted = false;
    std::optional<FileError> error;
    // The file holds the new content; with an error, one the system could
    // not confirm on disk, or one the view could not show (`notShown`).
    bool written = false;
    bool notShown = false;
    bool readFailed = false;
};

// After a replace whose pass had no memory left to make the view's
// document: the file's beginning is read again. Failing that too, the view
// lets the old document go (its stamp would call the file changed by
// someone else) and the user is told the file was replaced.
void ShowWhatTheFileHolds(WizardView& view, const std::filesystem::path& file, std::string_view suffix,
                          Rewrite& result)
{
    std::optional<FileError> lost = FileError{file, {}};
    try {
        if (faults::Injected(faults::Step::ShowWritten)) {
            throw std::bad_alloc();
        }
        LoadedDocument loaded = ReadDocumentStart(file, kExcerptLimit);
        if (loaded.error) {
            lost->error = loaded.error->error;
        } else {
            Document document = DocumentOf(file, std::move(loaded));
            // The line end an encryption wrote is no part of the text.
            document.dropped = suffix.size();
            if (!document.more && std::string_view(document.excerpt).ends_with(suffix)) {
                document.excerpt.resize(document.excerpt.size() - suffix.size());
            }
            view.setDocument(std::move(document));
            return;
        }
    } catch (...) {
        lost->error = CurrentExceptionError();
    }
    view.setDocument({});
    view.setDialogFileName({});
    result.error = std::move(lost);
    result.notShown = true;
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
    if (document.file != file || !document.stamp.known()) {
        // Only a document read from its file is ever written over it.
        result.shifted = true;
        result.error = FileError{file, FileRefusal::ChangedOnDisk};
        return result;
    }
    DocumentWrite written;
    const auto failure = RunWork(view, title, false, [&](ProgressReport& report) {
        written = WriteShiftedDocument(document, delta, dropLineEnd, suffix,
                                       [&](std::uint64_t done, std::uint64_t total) { report.update(done, total); });
    });
    if (failure) {
        // Before the write, or around it: the file is as it was.
        result.shifted = true;
        result.error = FileError{file, *failure};
        return result;
    }
    result.shifted = written.comesBack;
    result.error = written.replaced.error;
    result.written = written.replaced.contentReplaced;
    result.readFailed = written.readFailed;
    if (result.written && written.shown) {
        view.setDocument(std::move(written.written));
    } else if (result.written) {
        written = {};  // what the pass held goes before the file is read again
        ShowWhatTheFileHolds(view, file, suffix, result);
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

void Command5_Click(WizardView& view)
{
    const auto shift = ReadShift(view);
    if (!shift) {
        return;
    }
    const int down = -*shift;
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
