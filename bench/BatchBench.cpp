#include "BatchBench.hpp"

#include "ChildProcesses.hpp"
#include "GeneratedDocument.hpp"

#include "platform/FileFaults.hpp"
#include "platform/WizardView.hpp"
#include "transform/FileActions.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace bench {
namespace {

struct Batch {
    int count;
    std::uint64_t size;
    const char* name;
};

// A window that chooses every file of the batch at once, answers OK to every
// message and runs the work on this thread.
class BatchView : public quilvane::WizardView {
public:
    BatchView(const std::vector<fs::path>& files, fs::path programDirectory)
        : files_(files), programDirectory_(std::move(programDirectory))
    {
    }

    std::string titles;
    bool ended = false;
    Clock::time_point chosenAt{};

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
        titles += titles.empty() ? "" : " | ";
        titles += title;
        return quilvane::msgbox::kAnswerOk;
    }
    void setDialogFilter(std::string_view) override {}
    void showOpen() override { chosen_ = files_; }
    fs::path dialogFileName() const override { return chosen_.empty() ? fs::path{} : chosen_.front(); }
    void setDialogFileName(const fs::path& name) override { chosen_ = {name}; }
    std::vector<fs::path> dialogFileNames() const override { return chosen_; }
    void setDialogFileNames(const std::vector<fs::path>& names) override { chosen_ = names; }
    const quilvane::Document& document() const override { return document_; }
    void setDocument(quilvane::Document document) override
    {
        document_ = std::move(document);
        if (!document_.batch.empty() && chosenAt == Clock::time_point{}) {
            chosenAt = Clock::now();
        }
    }
    void runWork(std::string_view, bool, const std::function<void(quilvane::ProgressReport&)>& work) override
    {
        struct Quiet : quilvane::ProgressReport {
            bool update(std::uint64_t, std::uint64_t) override { return true; }
        } report;
        work(report);
    }
    fs::path programDirectory() const override { return programDirectory_; }
    fs::path userDataDirectory() const override { return programDirectory_; }
    fs::path takeStartFile() override { return {}; }
    void endProgram() override { ended = true; }

private:
    const std::vector<fs::path>& files_;
    fs::path programDirectory_;
    std::vector<fs::path> chosen_;
    quilvane::Document document_;
};

using quilvane::faults::Step;
constexpr int kSteps = static_cast<int>(Step::SyncFolder) + 1;
// What the time from each step of a file's replace to the next step is spent on.
constexpr const char* kStepNames[kSteps] = {"read",   "make the temporary file", "write", "flush the file",
                                            "close",  "rename",                  "flush the folder and open the next"};

struct BatchRun {
    double seconds = 0;        // choosing the files to the end of the action
    double chooseSeconds = 0;  // of which choosing them (a stamp each)
    double stepSeconds[kSteps] = {};
    bool ended = false;
    Note titles;
};

// Times each step of the file layer from where it begins to where the next
// one does, through the seam the file tests use (it only looks on).
class StepClock {
public:
    explicit StepClock(BatchRun& run) : run_(run)
    {
        for (int step = 0; step < kSteps; ++step) {
            quilvane::faults::WhenReached(static_cast<Step>(step), [this, step] { reached(step); });
        }
    }
    ~StepClock() { quilvane::faults::Clear(); }
    StepClock(const StepClock&) = delete;
    StepClock& operator=(const StepClock&) = delete;

    void end() { reached(-1); }

private:
    void reached(int step)
    {
        const auto now = Clock::now();
        if (last_ >= 0) {
            run_.stepSeconds[last_] += Seconds(now - at_);
        }
        last_ = step;
        at_ = now;
    }

    BatchRun& run_;
    int last_ = -1;
    Clock::time_point at_{};
};

BatchRun RunBatch(bool encrypt, const std::vector<fs::path>& files, const fs::path& keyDirectory)
{
    BatchRun run;
    BatchView view(files, keyDirectory);
    StepClock steps(run);
    const auto start = Clock::now();
    if (encrypt) {
        quilvane::Command4_Click(view);
        quilvane::Command5_Click(view);
    } else {
        quilvane::Command9_Click(view);
        quilvane::Command10_Click(view);
    }
    steps.end();
    run.seconds = Seconds(Clock::now() - start);
    run.chooseSeconds = Seconds(view.chosenAt - start);
    run.ended = view.ended;
    run.titles.set(view.titles);
    return run;
}

// Each file read and written anew in `scratch` past the page cache, then
// flushed: what `dd bs=4M oflag=direct conv=fsync` does, without a process
// for each file.
double DirectCopies(const std::vector<fs::path>& files, const fs::path& scratch)
{
    constexpr std::size_t kBlock = 4 * kMiB;
    void* memory = nullptr;
    if (::posix_memalign(&memory, 4096, kBlock) != 0) {
        Fail("no memory for the writer's buffer");
    }
    const std::unique_ptr<void, decltype(&std::free)> buffer(memory, &std::free);
    auto* data = static_cast<char*>(memory);
    const auto start = Clock::now();
    for (const fs::path& file : files) {
        const int in = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        const fs::path target = scratch / file.filename();
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_DIRECT | O_CLOEXEC, 0644);
        if (in < 0 || out < 0) {
            Fail("the writer cannot open " + file.string() + ": " + SystemText(errno));
        }
        for (;;) {
            const ssize_t got = ::read(in, data, kBlock);
            if (got < 0) {
                Fail("the writer cannot read " + file.string());
            }
            if (got == 0) {
                break;
            }
            std::size_t length = static_cast<std::size_t>(got);
            if (length % 4096) {
                // A last block shorter than the disk's: written through the page cache.
                ::fcntl(out, F_SETFL, ::fcntl(out, F_GETFL) & ~O_DIRECT);
            }
            if (!WriteAll(out, data, length)) {
                Fail("the writer cannot write " + target.string() + ": " + SystemText(errno));
            }
        }
        if (::fsync(out) != 0 || ::close(out) != 0) {
            Fail("the writer cannot flush " + target.string());
        }
        ::close(in);
    }
    return Seconds(Clock::now() - start);
}

// Every file in the page cache, then an idle pause, as before each side of
// the single-file figures.
void Settle(const std::vector<fs::path>& files, int idleMs)
{
    InChild<FileDigest>("reading the files", [&] {
        FileDigest last;
        for (const fs::path& file : files) {
            last = DigestFile(file);
        }
        return last;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
}

void CheckAll(const char* what, const std::vector<fs::path>& files, std::uint64_t size, std::uint64_t digest)
{
    const int wrong = InChild<int>("checking the files", [&] {
        int count = 0;
        for (const fs::path& file : files) {
            const FileDigest found = DigestFile(file);
            count += found.size != size || found.digest != digest;
        }
        return count;
    }).result;
    if (wrong) {
        Fail(std::string("after ") + what + ", " + std::to_string(wrong) + " files do not hold what they should");
    }
}

struct Spread3 {
    double min, median, max;
};

Spread3 Of(std::vector<double> values)
{
    return {*std::min_element(values.begin(), values.end()), Median(values),
            *std::max_element(values.begin(), values.end())};
}

std::string Text(const Spread3& s, double scale, const char* format)
{
    char text[128];
    std::snprintf(text, sizeof text, (std::string(format) + " / " + format + " / " + format).c_str(), s.min * scale,
                  s.median * scale, s.max * scale);
    return text;
}

void MeasureBatch(const BatchOptions& options, const fs::path& work, const Batch& batch)
{
    const fs::path folder = work / "batch";
    const fs::path scratch = work / "batch-scratch";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const Generated generated = InChild<Generated>("writing the files", [&] {
        return GenerateDocument(folder / "file-0000.txt", batch.size);
    }).result;
    std::vector<fs::path> files = {folder / "file-0000.txt"};
    for (int i = 1; i < batch.count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "file-%04d.txt", i);
        files.push_back(folder / name);
        fs::copy_file(files.front(), files.back());
    }
    ::sync();
    std::printf("\n%d files of %s in one action, %d pairs; each side after an idle pause of %d ms (seconds)\n",
                batch.count, batch.name, options.pairs, options.idleMs);

    const std::string cp = "mkdir " + ShellQuoted(scratch) + " && cp " + ShellQuoted(folder) + "/*.txt " +
                           ShellQuoted(scratch) + "/ && sync";
    const auto clearScratch = [&] {
        fs::remove_all(scratch);
        ::sync();
    };
    std::vector<double> program, choose, copy, direct, toCopy, toDirect;
    std::vector<double> stepSeconds[kSteps];
    for (int number = 1; number <= options.pairs; ++number) {
        double sides[3] = {};
        for (int turn = 0; turn < 3; ++turn) {
            const int side = (number + turn) % 3;  // which goes first moves round
            Settle(files, options.idleMs);
            if (side == 0) {
                const BatchRun run =
                    InChild<BatchRun>("encrypting", [&] { return RunBatch(true, files, work); }).result;
                ::sync();
                if (!run.ended || std::string_view(run.titles.text) != "加密完成") {
                    Fail(std::string("the batch did not run to its end; messages shown: ") + run.titles.text);
                }
                sides[0] = run.seconds;
                choose.push_back(run.chooseSeconds);
                for (int step = 0; step < kSteps; ++step) {
                    stepSeconds[step].push_back(run.stepSeconds[step]);
                }
                CheckAll("encryption", files, generated.size + 2, generated.encryptedDigest);
                // Back as they were, for the next pair (not measured).
                const BatchRun back =
                    InChild<BatchRun>("decrypting", [&] { return RunBatch(false, files, work); }).result;
                ::sync();
                if (!back.ended) {
                    Fail(std::string("the decryption did not run to its end; messages shown: ") + back.titles.text);
                }
                CheckAll("decryption", files, generated.size, generated.plainDigest);
            } else if (side == 1) {
                sides[1] = TimeShell(cp);
                clearScratch();
            } else {
                fs::create_directories(scratch);
                sides[2] = InChild<double>("writing past the page cache", [&] { return DirectCopies(files, scratch); })
                               .result;
                clearScratch();
            }
        }
        program.push_back(sides[0]);
        copy.push_back(sides[1]);
        direct.push_back(sides[2]);
        toCopy.push_back(sides[0] / sides[1]);
        toDirect.push_back(sides[0] / sides[2]);
        std::printf("  pair %d: encrypt %8.4f  cp+sync %8.4f ratio %5.2f  direct writer %8.4f ratio %5.2f\n", number,
                    sides[0], sides[1], toCopy.back(), sides[2], toDirect.back());
    }
    const Spread3 ratioCopy = Of(toCopy);
    std::printf("  %d x %s, open + encrypt: %s s (choosing %s ms); cp + sync %s s; direct writer %s s\n", batch.count,
                batch.name, Text(Of(program), 1, "%.3f").c_str(), Text(Of(choose), 1000, "%.1f").c_str(),
                Text(Of(copy), 1, "%.3f").c_str(), Text(Of(direct), 1, "%.3f").c_str());
    std::printf("  ratio to cp + sync %s (target <= 1.50: %s); to the direct writer %s; per file %.2f ms\n",
                Text(ratioCopy, 1, "%.2f").c_str(), ratioCopy.median <= 1.5 ? "met" : "MISSED",
                Text(Of(toDirect), 1, "%.2f").c_str(), Of(program).median / batch.count * 1000);
    std::printf("  where the action's time goes, median of the pairs, s:");
    for (int step = 0; step < kSteps; ++step) {
        std::printf("%s %s %.3f", step ? ";" : "", kStepNames[step], Median(stepSeconds[step]));
    }
    std::printf("\n");
    fs::remove_all(folder);
    ::sync();
}

}  // namespace

void MeasureBatches(const BatchOptions& options, const fs::path& work)
{
    for (const Batch& batch : {Batch{1000, 4096, "4 KiB"}, Batch{100, kMiB, "1 MiB"}}) {
        MeasureBatch(options, work, batch);
    }
}

}  // namespace bench
