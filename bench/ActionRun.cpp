#include "ActionRun.hpp"

#include "platform/WizardView.hpp"
#include "transform/FileActions.hpp"

#include <cstdio>
#include <memory>

namespace bench {
namespace {

struct StageClock {
    Clock::time_point at[kStages] = {};
    bool seen[kStages] = {};

    void mark(Stage stage)
    {
        if (!seen[stage]) {
            seen[stage] = true;
            at[stage] = Clock::now();
        }
    }
};

class StageProgress : public quilvane::ProgressReport {
public:
    StageProgress(StageClock& clock, bool opening) : clock_(clock), opening_(opening) {}
    ~StageProgress() override { clock_.mark(opening_ ? kOpened : kFlushed); }

    bool update(std::uint64_t done, std::uint64_t total) override
    {
        if (!opening_ && done >= total) {
            clock_.mark(kRead);
        }
        return true;
    }

private:
    StageClock& clock_;
    bool opening_;
};

// A window that picks one file, answers OK to every message and keeps the
// document, as the program's own view does.
class BenchView : public quilvane::WizardView {
public:
    BenchView(fs::path file, fs::path programDirectory)
        : file_(std::move(file)), programDirectory_(std::move(programDirectory))
    {
    }

    std::string titles;  // of the messages shown, " | " between them
    bool ended = false;
    StageClock stages;

    void setFrameVisible(quilvane::Frame, bool) override {}
    bool frameVisible(quilvane::Frame) const override { return false; }
    bool optionValue(quilvane::OptionButton option) const override
    {
        return option == quilvane::OptionButton::Option1;
    }
    std::string boxText(quilvane::TextBox) const override { return {}; }
    void clearBox(quilvane::TextBox) override {}
    void focusBox(quilvane::TextBox) override {}

    int messageBox(std::string_view, int, std::string_view title) override
    {
        if (!titles.empty()) {
            titles += " | ";
        }
        titles += title;
        return quilvane::msgbox::kAnswerOk;
    }

    void setDialogFilter(std::string_view) override {}
    void showOpen() override { chosen_ = file_; }
    fs::path dialogFileName() const override { return chosen_; }
    void setDialogFileName(const fs::path& fileName) override { chosen_ = fileName; }

    const quilvane::Document& document() const override { return document_; }
    void setDocument(quilvane::Document document) override { document_ = std::move(document); }

    // The first work is the opening, the next the action's. It runs here,
    // on this thread: the window's thread is not what is measured.
    void runWork(std::string_view, bool, const std::function<void(quilvane::ProgressReport&)>& work) override
    {
        StageProgress report(stages, progressWindows_++ == 0);
        work(report);
    }

    fs::path programDirectory() const override { return programDirectory_; }
    fs::path userDataDirectory() const override { return programDirectory_; }

    fs::path takeStartFile() override { return {}; }
    void endProgram() override { ended = true; }

private:
    fs::path file_;
    fs::path programDirectory_;
    fs::path chosen_;
    quilvane::Document document_;
    int progressWindows_ = 0;
};

}  // namespace

std::uint64_t ResidentBytes()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) {
        return 0;
    }
    char line[256];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmRSS: %llu kB", &kib) == 1) {
            break;
        }
    }
    std::fclose(status);
    return std::uint64_t{kib} * 1024;
}

ActionRun RunAction(Action action, const fs::path& file, const fs::path& keyDirectory)
{
    ActionRun run;
    run.startResidentBytes = ResidentBytes();
    BenchView view(file, keyDirectory);
    const auto start = Clock::now();
    if (action == Action::Encrypt) {
        quilvane::Command4_Click(view);
        quilvane::Command5_Click(view);
    } else {
        quilvane::Command9_Click(view);
        quilvane::Command10_Click(view);
    }
    const auto end = Clock::now();
    run.seconds = Seconds(end - start);
    // A stage too short to report ends where the next one does.
    auto stageEnd = end;
    for (int stage = kStages - 1; stage >= 0; --stage) {
        if (view.stages.seen[stage]) {
            stageEnd = view.stages.at[stage];
        }
        view.stages.at[stage] = stageEnd;
    }
    auto stageStart = start;
    for (int stage = 0; stage < kStages; ++stage) {
        run.stageSeconds[stage] = Seconds(view.stages.at[stage] - stageStart);
        stageStart = view.stages.at[stage];
    }
    run.ended = view.ended;
    run.titles.set(view.titles);
    return run;
}

}  // namespace bench
