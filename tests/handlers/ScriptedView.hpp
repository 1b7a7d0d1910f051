#pragma once

#include "platform/PathText.hpp"
#include "platform/WizardView.hpp"

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace quilvane::testing {

// A WizardView without a window: answers to message boxes and file-dialog
// choices are queued in advance, and everything the handlers do is recorded.
class ScriptedView : public WizardView {
public:
    struct Message {
        std::string text;
        int style;
        std::string title;
    };

    // --- the state of the "window" ---
    std::array<bool, 5> frames = {true, false, false, false, false};
    bool option1 = true;
    std::array<std::string, 10> boxes;
    std::optional<TextBox> focused;
    std::string filter;
    std::filesystem::path fileName;
    std::vector<std::filesystem::path> fileNames;  // when several are chosen, fileName first
    Document shown;  // the document, whose excerpt the view shows
    std::filesystem::path programDir;
    std::filesystem::path dataDir;
    std::filesystem::path startFile;
    std::vector<std::filesystem::path> startFiles;  // several given at once
    bool ended = false;

    // --- the script ---
    std::deque<int> answers;                                   // for boxes that offer a choice
    std::deque<std::optional<std::filesystem::path>> choices;  // nullopt: the dialog is cancelled
    std::deque<std::vector<std::filesystem::path>> severalChoices;  // taken before `choices`

    // --- the record ---
    std::vector<Message> messages;
    std::vector<std::string> calls;

    std::string& box(TextBox b) { return boxes[static_cast<std::size_t>(b)]; }

    // Progress updates told so far, in all progress windows.
    std::size_t updates() const
    {
        std::size_t count = 0;
        for (const Progress& p : progress) {
            count += p.updates.size();
        }
        return count;
    }

    int visibleFrame() const
    {
        int visible = 0;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (frames[i]) {
                EXPECT_EQ(visible, 0) << "two panels visible at once";
                visible = static_cast<int>(i) + 1;
            }
        }
        return visible;
    }

    void setFrameVisible(Frame frame, bool visible) override
    {
        record(visible ? "show Frame" : "hide Frame", static_cast<int>(frame) + 1);
        frames[static_cast<std::size_t>(frame)] = visible;
    }
    bool frameVisible(Frame frame) const override { return frames[static_cast<std::size_t>(frame)]; }
    bool optionValue(OptionButton option) const override
    {
        return option == OptionButton::Option1 ? option1 : !option1;
    }
    std::string boxText(TextBox b) const override { return boxes[static_cast<std::size_t>(b)]; }
    void clearBox(TextBox b) override
    {
        record("clear Text", static_cast<int>(b) + 1);
        box(b).clear();
    }
    void focusBox(TextBox b) override { focused = b; }

    int messageBox(std::string_view text, int style, std::string_view title) override
    {
        for (const Progress& p : progress) {
            EXPECT_TRUE(p.closed) << "a message box over the open progress window \"" << p.title << "\"";
        }
        record("message " + std::string(title));
        messages.push_back({std::string(text), style, std::string(title)});
        if ((style & 7) == msgbox::kOkOnly) {
            return msgbox::kAnswerOk;
        }
        if (answers.empty()) {
            ADD_FAILURE() << "no answer queued for the message box \"" << title << "\"";
            return (style & 7) == msgbox::kYesNo ? msgbox::kAnswerNo : msgbox::kAnswerCancel;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void setDialogFilter(std::string_view f) override { filter = f; }
    void showOpen() override
    {
        record("showOpen");
        if (!severalChoices.empty()) {
            setDialogFileNames(severalChoices.front());
            severalChoices.pop_front();
            return;
        }
        if (choices.empty()) {
            ADD_FAILURE() << "no file-dialog choice queued";
            return;
        }
        if (choices.front()) {
            setDialogFileName(*choices.front());
        }
        choices.pop_front();
    }
    std::filesystem::path dialogFileName() const override { return fileName; }
    void setDialogFileName(const std::filesystem::path& name) override
    {
        fileName = name;
        fileNames.clear();
    }
    std::vector<std::filesystem::path> dialogFileNames() const override
    {
        if (!fileNames.empty() && fileNames.front() == fileName) {
            return fileNames;
        }
        return WizardView::dialogFileNames();
    }
    void setDialogFileNames(const std::vector<std::filesystem::path>& names) override
    {
        fileName = names.empty() ? std::filesystem::path{} : names.front();
        fileNames = names;
    }

    const Document& document() const override { return shown; }
    void setDocument(Document d) override { shown = std::move(d); }

    // Progress windows: what each was titled and told.
    struct Progress {
        std::string title;
        bool cancellable;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> updates;
        std::vector<std::pair<std::size_t, std::size_t>> files;  // which file of how many, as told
        bool closed = false;
    };
    std::vector<Progress> progress;
    // Failures that come as exceptions: the report runs out of memory after
    // this many updates; no thread can be started for the work.
    std::optional<int> throwAfter;
    bool workCannotStart = false;
    // The user presses Cancel once this many updates have been told.
    std::optional<int> cancelAfter;

    // The work runs at once, here.
    void runWork(std::string_view title, bool cancellable, const std::function<void(ProgressReport&)>& work) override
    {
        if (workCannotStart) {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        record("progress " + std::string(title));
        progress.push_back({std::string(title), cancellable, {}});
        Report report(*this, progress.size() - 1);
        work(report);
    }

    std::filesystem::path programDirectory() const override { return programDir; }
    std::filesystem::path userDataDirectory() const override { return dataDir; }

    std::filesystem::path takeStartFile() override { return std::exchange(startFile, {}); }
    std::vector<std::filesystem::path> takeStartFiles() override
    {
        if (!startFiles.empty()) {
            return std::exchange(startFiles, {});
        }
        return WizardView::takeStartFiles();
    }

    void endProgram() override
    {
        record("end");
        ended = true;
    }

private:
    class Report : public ProgressReport {
    public:
        Report(ScriptedView& view, std::size_t index) : view_(view), index_(index) {}
        ~Report() override { view_.progress[index_].closed = true; }
        Report(const Report&) = delete;
        Report& operator=(const Report&) = delete;
        bool update(std::uint64_t done, std::uint64_t total) override
        {
            Progress& p = view_.progress[index_];
            if (view_.throwAfter && static_cast<int>(view_.updates()) >= *view_.throwAfter) {
                throw std::bad_alloc();
            }
            p.updates.emplace_back(done, total);
            return !(view_.cancelAfter && static_cast<int>(view_.updates()) >= *view_.cancelAfter);
        }
        void tellFile(std::size_t number, std::size_t count) override
        {
            view_.progress[index_].files.emplace_back(number, count);
        }

    private:
        ScriptedView& view_;
        std::size_t index_;
    };

    void record(std::string call, int number)
    {
        call += std::to_string(number);
        record(std::move(call));
    }
    void record(std::string call)
    {
        if (ended) {
            ADD_FAILURE() << "\"" << call << "\" after the program ended";
        }
        calls.push_back(std::move(call));
    }
};

// A fresh directory for one test, removed afterwards. Its name is partly
// Chinese, as the folders of the program's users are.
class TemporaryDirectory {
public:
    TemporaryDirectory()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                PathFromUtf8("quilvane-测试-" + std::string(info->test_suite_name()) + "-" + info->name());
        Remove(path_);
        std::filesystem::create_directories(path_);
    }
    ~TemporaryDirectory() { Remove(path_); }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

private:
    // Files a test made read-only go too (Windows will not delete them).
    static void Remove(const std::filesystem::path& path)
    {
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(path, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            if (!it->is_symlink(ignored)) {
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                             std::filesystem::perm_options::add, ignored);
            }
        }
        std::filesystem::remove_all(path, ignored);
    }

    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(in ? static_cast<std::size_t>(in.tellg()) : 0, '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace quilvane::testing
