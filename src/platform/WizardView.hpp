#pragma once

#include "platform/Document.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quilvane {

// The window's controls, by the names the handlers use for them.
enum class Frame { Frame1, Frame2, Frame3, Frame4, Frame5 };
enum class OptionButton { Option1, Option2 };
enum class TextBox { Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8, Text9, Text10 };

// Message-box styles (buttons + icon) and answers, the platform's standard
// values: handlers and tests speak in these numbers.
namespace msgbox {
inline constexpr int kOkOnly = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kYesNo = 4;
inline constexpr int kCritical = 16;
inline constexpr int kQuestion = 32;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;

inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
}  // namespace msgbox

// How far the work of an action has come, told from the thread that does it;
// the window shows it in a progress window once the work has run for about
// half a second.
class ProgressReport {
public:
    virtual ~ProgressReport() = default;
    // False once the user has cancelled (only where cancelling was offered).
    virtual bool update(std::uint64_t done, std::uint64_t total) = 0;
    // Work on several files: which one is being done (1-based), of how many.
    virtual void tellFile(std::size_t number, std::size_t count)
    {
        (void)number;
        (void)count;
    }
};

// Everything the event handlers need from the window system. The program
// binds it to the Qt window; the handler tests bind it to a scripted view.
// Texts are UTF-8; the document's bytes are the file's, never converted.
class WizardView {
public:
    virtual ~WizardView() = default;

    virtual void setFrameVisible(Frame frame, bool visible) = 0;
    virtual bool frameVisible(Frame frame) const = 0;
    virtual bool optionValue(OptionButton option) const = 0;
    virtual std::string boxText(TextBox box) const = 0;
    virtual void clearBox(TextBox box) = 0;
    virtual void focusBox(TextBox box) = 0;

    // Modal; returns one of the msgbox::kAnswer values.
    virtual int messageBox(std::string_view text, int style, std::string_view title) = 0;

    // CommonDialog1: the file-open dialog. FileName is empty before the first
    // choice and keeps its value when the dialog is cancelled.
    virtual void setDialogFilter(std::string_view filter) = 0;
    virtual void showOpen() = 0;
    virtual std::filesystem::path dialogFileName() const = 0;
    virtual void setDialogFileName(const std::filesystem::path& fileName) = 0;
    // FileNames: every file chosen at once, the first being FileName; a
    // dialog that lets the user choose several gives them all here.
    virtual std::vector<std::filesystem::path> dialogFileNames() const
    {
        auto name = dialogFileName();
        return name.empty() ? std::vector<std::filesystem::path>{} : std::vector{std::move(name)};
    }
    virtual void setDialogFileNames(const std::vector<std::filesystem::path>& fileNames)
    {
        setDialogFileName(fileNames.empty() ? std::filesystem::path{} : fileNames.front());
    }

    // RichTextBox1: the document view. It shows the beginning of the
    // document the actions work on (decoded for the eye; the bytes are the
    // file's), with a note where the document goes on past it; with several
    // files chosen, their names and sizes, one a line.
    virtual const Document& document() const = 0;
    virtual void setDocument(Document document) = 0;

    // Runs `work` off the window's thread and returns when it is done. The
    // window keeps painting meanwhile and takes no input (only the progress
    // window's Cancel, where offered), so no other handler runs before this
    // one ends. `work` must not call the view; it may read the document
    // (which nothing changes meanwhile) and use the report.
    virtual void runWork(std::string_view title, bool cancellable,
                         const std::function<void(ProgressReport& report)>& work) = 0;

    // Where the key file lives: the executable's directory, or the user's
    // data directory when that one cannot be written.
    virtual std::filesystem::path programDirectory() const = 0;
    virtual std::filesystem::path userDataDirectory() const = 0;

    // The file given when the program was started ("Open with"), handed
    // over once: empty afterwards, and when none was given.
    virtual std::filesystem::path takeStartFile() = 0;
    // The same for every file given ("Open with" on several files).
    virtual std::vector<std::filesystem::path> takeStartFiles()
    {
        auto file = takeStartFile();
        return file.empty() ? std::vector<std::filesystem::path>{} : std::vector{std::move(file)};
    }

    // Ends the program: the caller returns at once, no further handler runs.
    virtual void endProgram() = 0;
};

}  // namespace quilvane
