#include "transform/FileActions.hpp"

#include "password/KeyFileMessages.hpp"
#include "password/KeyStore.hpp"
#include "platform/DocumentFile.hpp"
#include "platform/FailureMessages.hpp"
#include "platform/FileRefusal.hpp"
#include "platform/SystemErrors.hpp"
#include "transform/ShiftText.hpp"
#include "transform/ShiftedWrite.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace quilvane {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// One progress report over the passes an action makes through a document
// (check and shift, then write), shown as the share of the document done.
class Passes {
public:
    Passes(ProgressReport& report, std::uint64_t size, int passes) : report_(report), size_(size), passes_(passes) {}

    void at(std::uint64_t done, std::uint64_t passSize)
    {
        if (passSize == 0) {
            return;
        }
        if (pass_ + 1 == passes_ && done >= passSize) {
            report_.update(size_, size_);
            return;
        }
        const double share = (pass_ + static_cast<double>(done) / static_cast<double>(passSize)) / passes_;
        report_.update(static_cast<std::uint64_t>(share * static_cast<double>(size_)), size_);
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
    ProgressReport& report_;
    std::uint64_t size_;
    int passes_;
    int pass_ = 0;
};

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

// Changes the document where it lies, off the window's thread.
std::optional<std::error_code> EditInBackground(
    WizardView& view, std::string_view title,
    const std::function<void(std::string& text, ProgressReport& report)>& edit)
{
    std::optional<std::error_code> failure;
    view.editDocument([&](std::string& text) {
        failure = RunWork(view, title, false, [&](ProgressReport& report) { edit(text, report); });
    });
    return failure;
}

// No file open: the view empty, no name, no stamp.
void CloseDocument(WizardView& view)
{
    view.editDocument([](std::string& text) { std::string().swap(text); });
    view.setDocumentStamp({});
    view.setDialogFileName({});
}

// Loads the chosen file into the view. The old document goes first: its
// memory may be needed for the new one, and the view never holds a document
// under another file's name. So after a failure no file is open.
void LoadChosenFile(WizardView& view, const std::filesystem::path& chosen)
{
    std::string old;
    view.editDocument([&](std::string& text) { old.swap(text); });
    view.setDocumentStamp({});

    LoadedDocument loaded;
    const auto failure = RunWork(view, "正在打开文件", true, [&](ProgressReport& report) {
        std::string().swap(old);  // a large document takes a while to give back
        ReadOptions options;
        options.progress = [&](std::uint64_t done, std::uint64_t total) { return report.update(done, total); };
        loaded = ReadDocumentFile(chosen, options);
    });
    if (failure) {
        loaded = {{}, {}, FileError{chosen, *failure}};
    }
    if (loaded.error) {
        view.setDialogFileName({});
        if (loaded.error->error != std::errc::operation_canceled) {
            view.messageBox(failure::OpenText(*loaded.error), msgbox::kOkOnly + msgbox::kCritical,
                            failure::kOpenTitle);
        }
        return;
    }
    view.setDocumentText(std::move(loaded.bytes));
    view.setDocumentStamp(loaded.stamp);
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

bool EndsWithLineEnd(const std::string& text)
{
    return std::string_view(text).ends_with(kLineEnd);
}

// What came of shifting the document and writing it over its file.
struct Rewrite {
    bool shifted = false;
    std::optional<FileError> error;
    // The file holds the new content; with an error, one the system could
    // not confirm on disk.
    bool written = false;
};

// Shifts the document by `delta` and writes it, with `suffix`, over the file
// it was loaded from, unless the file changed on disk since; a decryption
// first takes off the line end that encryption added. When the change could
// not be undone or the write fails, the document is put back as it was. All
// of it off the window's thread; the document's stamp follows the file.
Rewrite ShiftAndWrite(WizardView& view, std::string_view title, const std::filesystem::path& file, int delta,
                      std::string_view suffix, bool takeOffLineEnd)
{
    Rewrite result;
    const FileStamp expected = view.documentStamp();
    if (!expected.known()) {
        // Only a document read from its file is ever written over it.
        result.shifted = true;
        result.error = FileError{file, FileRefusal::ChangedOnDisk};
        return result;
    }
    ShiftedWrite written;
    const auto failure = EditInBackground(view, title, [&](std::string& text, ProgressReport& report) {
        if (takeOffLineEnd) {
            text.resize(text.size() - kLineEnd.size());
        }
        // The line end is put back unless the file took the text without it.
        try {
            Passes passes(report, text.size(), 2);
            ReplaceOptions options;
            options.expected = expected;
            options.suffix = suffix;
            options.progress = passes.writing();
            written = WriteShifted(text, delta, file, options, passes.shifting(text.size()));
        } catch (...) {
            if (takeOffLineEnd) {
                text += kLineEnd;
            }
            throw;
        }
        if (takeOffLineEnd && !written.replaced.contentReplaced) {
            text += kLineEnd;
        }
    });
    if (failure) {
        // Before the write, or around it: the file is as it was.
        result.shifted = true;
        result.error = FileError{file, *failure};
        return result;
    }
    result.shifted = written.comesBack;
    const Replaced& replaced = written.replaced;
    result.error = replaced.error;
    result.written = replaced.contentReplaced;
    if (result.written) {
        view.setDocumentStamp(replaced.stamp);
    }
    return result;
}

void ShowSaveFailure(WizardView& view, const Rewrite& rewrite)
{
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

// The document is shifted where it lies, in one pass that also makes sure
// the change can be undone, then written; a failed write shifts it back. So
// the document is held once, however large.
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
    if (const auto failure = EditInBackground(view, "正在还原文本",
                                              [&](std::string& text, ProgressReport&) { ShiftInPlace(text, -down); })) {
        // The view's text is no longer known to be the file's: no file stays open.
        CloseDocument(view);
        view.messageBox(failure::RestoreText(file, *failure), msgbox::kOkOnly + msgbox::kCritical,
                        failure::kRestoreTitle);
    }
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

    const Rewrite rewrite = ShiftAndWrite(view, "正在解密文件", file, up, {}, marked);
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
