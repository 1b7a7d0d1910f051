// The file actions measured as a user meets them, against what the system
// itself does with a file that size, in the same run:
//  - time: open + encrypt (and open + decrypt) through the real handlers,
//    against `cp SRC DST && sync` of the same file. The two sides take turns
//    (which goes first alternates), each starts after an idle pause with the
//    file in the page cache, and each pair gives one ratio; the figure is the
//    median of those ratios, with their min and max;
//  - memory: the peak resident size of a process doing nothing but the action;
//  - opening: from the file dialog's closing to the file's text painted in
//    the real window, for the largest file;
//  - start-up: the program's window to its first paint, against a minimal Qt
//    window showing one Chinese label in the same font;
//  - several files: 1,000 files of 4 KiB and 100 of 1 MiB encrypted in one
//    action, against cp + sync of the same files and a direct writer.
//
//   quilvane_file_bench [--sizes-mb 1,16,256,1024] [--large] [--pairs N] [--idle-ms N]
//                       [--startup-runs N] [--dir DIR] [--skip-files] [--skip-startup] [--skip-batches]
// --large adds a 4 GiB file (some ten minutes more).
#include "ActionRun.hpp"
#include "BatchBench.hpp"
#include "ChildProcesses.hpp"
#include "GeneratedDocument.hpp"
#include "StartupMeasure.hpp"

#include "password/KeyFile.hpp"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>

namespace bench {
namespace {

constexpr std::int16_t kKeyDigit = 4;

struct Options {
    std::vector<std::uint64_t> sizesMiB = {1, 16, 256, 1024};
    int pairs = 5;
    int idleMs = 3000;
    int startupRuns = 15;
    fs::path directory;  // empty: beside this program, in the build directory
    bool files = true;
    bool startup = true;
    bool batches = true;
    int openRuns = 7;
};

// Min, median and max of a figure's values.
struct Spread {
    double min = 0, median = 0, max = 0;

    static Spread Of(const std::vector<double>& values)
    {
        return {*std::min_element(values.begin(), values.end()), Median(values),
                *std::max_element(values.begin(), values.end())};
    }
};

struct ActionFigures {
    std::vector<double> seconds;
    std::vector<double> copySeconds;  // cp + sync of the same file, its pair
    std::vector<double> ratios;       // one a pair
    std::vector<double> stageSeconds[kStages];
    std::uint64_t peak = 0;           // the largest of the pairs
    std::uint64_t documentSize = 0;   // S: the file the action opens

    void add(double copy, const ChildOutcome<ActionRun>& run)
    {
        copySeconds.push_back(copy);
        seconds.push_back(run.result.seconds);
        ratios.push_back(run.result.seconds / copy);
        for (int stage = 0; stage < kStages; ++stage) {
            stageSeconds[stage].push_back(run.result.stageSeconds[stage]);
        }
        peak = std::max(peak, run.peakResidentBytes);
    }
};

struct SizeFigures {
    std::uint64_t sizeMiB = 0;
    ActionFigures encrypt, decrypt;
};

void SettleBefore(const fs::path& file, int idleMs);

struct FileFigures {
    std::vector<SizeFigures> sizes;
    std::uint64_t childStart = 0;  // the largest resident size a child started with
    std::uint64_t openSizeMiB = 0;
    std::vector<double> openSeconds;  // dialog closed to text painted, the largest file
};

// From the dialog's closing to the text painted, in the real window (the
// probe built beside the bench), the file in the page cache as it is when
// just chosen.
std::vector<double> MeasureOpening(const Options& options, const fs::path& file)
{
    const fs::path probe = fs::read_symlink("/proc/self/exe").parent_path() / "quilvane_open_probe";
    std::vector<double> seconds;
    for (int run = 0; run < options.openRuns; ++run) {
        SettleBefore(file, options.idleMs / 3);
        const std::string command = "QT_QPA_PLATFORM=offscreen " + ShellQuoted(probe) + " " + ShellQuoted(file) +
                                    " 2>/dev/null";
        std::FILE* output = ::popen(command.c_str(), "r");
        double ms = -1;
        if (!output || std::fscanf(output, "%lf", &ms) != 1 || ::pclose(output) != 0 || ms < 0) {
            Fail(probe.string() + " did not open " + file.string());
        }
        seconds.push_back(ms / 1000);
    }
    return seconds;
}

void CheckDirectory(const fs::path& directory, std::uint64_t size)
{
    struct statfs filesystem {};
    if (::statfs(directory.c_str(), &filesystem) == 0 &&
        (filesystem.f_type == TMPFS_MAGIC || filesystem.f_type == RAMFS_MAGIC)) {
        std::printf("warning: %s is held in memory, not on a disk; the write figures say little there\n",
                    directory.c_str());
    }
    struct statvfs space {};
    if (::statvfs(directory.c_str(), &space) == 0) {
        const std::uint64_t available = std::uint64_t{space.f_bavail} * space.f_frsize;
        // The document and its copy, or the document and its replacement.
        const std::uint64_t needed = 2 * size + 256 * kMiB;
        if (available < needed) {
            Fail(directory.string() + " has " + std::to_string(available / kMiB) + " MiB free, " +
                 std::to_string(needed / kMiB) + " MiB needed (choose another with --dir or smaller --sizes-mb)");
        }
    }
}

void CheckAction(const char* what, const ActionRun& run, std::string_view expectedTitles)
{
    if (!run.ended || run.titles.text != expectedTitles) {
        Fail(std::string(what) + " did not run to its end; messages shown: " + run.titles.text);
    }
}

void CheckFile(const char* what, const fs::path& file, std::uint64_t size, std::uint64_t digest)
{
    const FileDigest found = InChild<FileDigest>("checking the file", [&] { return DigestFile(file); }).result;
    if (found.size != size || found.digest != digest) {
        Fail(std::string("after ") + what + " the file does not hold what it should (" +
             std::to_string(found.size) + " bytes, " + std::to_string(size) + " expected)");
    }
}

// Both sides start alike: the file in the page cache (read through once, in
// a small child), then an idle pause, in which the memory that earlier rounds
// freed goes back to the host as it does while a user clicks through the
// wizard, so that neither side finds fresh memory cheap.
void SettleBefore(const fs::path& file, int idleMs)
{
    InChild<FileDigest>("reading the file", [&] { return DigestFile(file); });
    std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
}

SizeFigures MeasureSize(const Options& options, const fs::path& work, std::uint64_t sizeMiB, FileFigures& files)
{
    std::uint64_t& childStart = files.childStart;
    SizeFigures figures;
    figures.sizeMiB = sizeMiB;
    const fs::path plain = work / "document.txt";
    const fs::path copy = work / "copy.txt";
    const std::uint64_t size = sizeMiB * kMiB;
    std::printf("\n%llu MiB of GBK text, %d pairs; each side after an idle pause of %d ms (seconds; peak MiB)\n",
                static_cast<unsigned long long>(sizeMiB), options.pairs, options.idleMs);
    const Generated generated =
        InChild<Generated>("writing the document", [&] { return GenerateDocument(plain, size); }).result;
    ::sync();
    if (sizeMiB >= files.openSizeMiB) {
        files.openSizeMiB = sizeMiB;
        files.openSeconds = MeasureOpening(options, plain);
    }

    const std::string cp = "cp " + ShellQuoted(plain) + " " + ShellQuoted(copy) + " && sync";
    const auto timeCopy = [&] {
        SettleBefore(plain, options.idleMs);
        const double seconds = TimeShell(cp);
        fs::remove(copy);
        ::sync();
        return seconds;
    };
    const auto runAction = [&](Action action) {
        SettleBefore(plain, options.idleMs);
        auto outcome = InChild<ActionRun>(action == Action::Encrypt ? "encrypting" : "decrypting",
                                          [&] { return RunAction(action, plain, work); });
        ::sync();
        childStart = std::max(childStart, outcome.result.startResidentBytes);
        return outcome;
    };
    // One side, then the other; in every other pair the program goes first.
    const auto pair = [&](int number, Action action) {
        double copySeconds = 0;
        std::optional<ChildOutcome<ActionRun>> run;
        if (number % 2) {
            run = runAction(action);
            copySeconds = timeCopy();
        } else {
            copySeconds = timeCopy();
            run = runAction(action);
        }
        return std::pair{copySeconds, *run};
    };

    figures.encrypt.documentSize = generated.size;
    figures.decrypt.documentSize = generated.size + 2;
    for (int number = 1; number <= options.pairs; ++number) {
        const auto [copy1, encrypted] = pair(number, Action::Encrypt);
        CheckAction("encryption", encrypted.result, "加密完成");
        CheckFile("encryption", plain, generated.size + 2, generated.encryptedDigest);
        const auto [copy2, decrypted] = pair(number, Action::Decrypt);
        CheckAction("decryption", decrypted.result, "解密完成 | 工作完成");
        CheckFile("decryption", plain, generated.size, generated.plainDigest);

        figures.encrypt.add(copy1, encrypted);
        figures.decrypt.add(copy2, decrypted);
        std::printf("  pair %d: encrypt %8.4f (%5.0f MiB) cp+sync %8.4f ratio %5.2f | decrypt %8.4f (%5.0f MiB) "
                    "cp+sync %8.4f ratio %5.2f\n",
                    number, encrypted.result.seconds, MiB(encrypted.peakResidentBytes), copy1,
                    figures.encrypt.ratios.back(), decrypted.result.seconds, MiB(decrypted.peakResidentBytes), copy2,
                    figures.decrypt.ratios.back());
    }
    for (const auto& [name, action] : {std::pair{"encrypt", &figures.encrypt}, std::pair{"decrypt", &figures.decrypt}}) {
        std::printf("  %s stages, median:", name);
        for (int stage = 0; stage < kStages; ++stage) {
            std::printf(" %s %.4f", kStageNames[stage], Median(action->stageSeconds[stage]));
        }
        std::printf("\n");
    }
    fs::remove(plain);
    ::sync();
    return figures;
}

FileFigures MeasureFiles(const Options& options, const fs::path& work)
{
    if (quilvane::WriteKeyFile(work, kKeyDigit)) {
        Fail("cannot write the key file in " + work.string());
    }
    FileFigures figures;
    for (const std::uint64_t sizeMiB : options.sizesMiB) {
        figures.sizes.push_back(MeasureSize(options, work, sizeMiB, figures));
    }
    fs::remove(quilvane::KeyFilePath(work));
    return figures;
}

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Times in milliseconds below a second's worth, with digits that mean something.
std::string Time(double seconds)
{
    return seconds < 0.1 ? Format("%.2f ms", seconds * 1000) : Format("%.3f s", seconds);
}

std::string SpreadText(const Spread& spread, const std::function<std::string(double)>& format)
{
    return format(spread.min) + " / " + format(spread.median) + " / " + format(spread.max);
}

// The targets, by size: 1 GiB and more 1.10, 256 MiB 1.15, 16 MiB 1.5 (none
// below that).
std::optional<double> RatioTarget(std::uint64_t sizeMiB)
{
    if (sizeMiB >= 1024) {
        return 1.10;
    }
    if (sizeMiB >= 256) {
        return 1.15;
    }
    if (sizeMiB >= 16) {
        return 1.5;
    }
    return std::nullopt;
}

// Whatever the file's size, the action's memory stays within this.
constexpr double kPeakTargetMiB = 64;

void PrintFiles(const Options& options, const FileFigures& files)
{
    std::printf("\nSummary: min / median / max of %d pairs\n", options.pairs);
    const auto ratio = [](double value) { return Format("%.2f", value); };
    for (const SizeFigures& size : files.sizes) {
        const auto target = RatioTarget(size.sizeMiB);
        for (const auto& [name, action] : {std::pair{"encrypt", &size.encrypt}, std::pair{"decrypt", &size.decrypt}}) {
            const Spread perPair = Spread::Of(action->ratios);
            std::printf("  %5llu MiB open + %s: %s; cp + sync %s; ratio %s", static_cast<unsigned long long>(size.sizeMiB),
                        name, SpreadText(Spread::Of(action->seconds), Time).c_str(),
                        SpreadText(Spread::Of(action->copySeconds), Time).c_str(),
                        SpreadText(perPair, ratio).c_str());
            if (target) {
                std::printf("  (target <= %.2f: %s)", *target, perPair.median <= *target ? "met" : "MISSED");
            }
            std::printf("\n");
        }
    }
    for (const SizeFigures& size : files.sizes) {
        for (const auto& [name, action] : {std::pair{"encrypt", &size.encrypt}, std::pair{"decrypt", &size.decrypt}}) {
            const double peak = MiB(action->peak);
            std::printf("  %5llu MiB peak memory, %s: %.1f MiB (target <= %.0f MiB: %s)\n",
                        static_cast<unsigned long long>(size.sizeMiB), name, peak, kPeakTargetMiB,
                        peak <= kPeakTargetMiB ? "met" : "MISSED");
        }
    }
    std::printf("  Times from before opening to the end of the action. A process doing only the action held\n"
                "  %.1f MiB before it.\n",
                MiB(files.childStart));
    if (!files.openSeconds.empty()) {
        const Spread open = Spread::Of(files.openSeconds);
        std::printf("  %5llu MiB file, dialog closed to its text painted in the window: %s (target <= 50 ms: %s)\n",
                    static_cast<unsigned long long>(files.openSizeMiB), SpreadText(open, Time).c_str(),
                    open.median <= 0.05 ? "met" : "MISSED");
    }
}

void PrintStartup(const StartupFigures& startup)
{
    std::vector<double> ratios;
    for (std::size_t i = 0; i < startup.quilvane.size(); ++i) {
        ratios.push_back(startup.quilvane[i] / startup.minimal[i]);
    }
    const Spread perPair = Spread::Of(ratios);
    const auto ms = [](double seconds) { return Format("%.1f", seconds * 1000); };
    std::printf("  start-up to first paint: %s ms; minimal window with a Chinese label %s ms; ratio %s "
                "(target <= 1.15: %s)\n",
                SpreadText(Spread::Of(startup.quilvane), ms).c_str(), SpreadText(Spread::Of(startup.minimal), ms).c_str(),
                SpreadText(perPair, [](double v) { return Format("%.2f", v); }).c_str(),
                perPair.median <= 1.15 ? "met" : "MISSED");
    std::printf("  The window holds %.1f MiB at its first paint.\n", MiB(startup.quilvanePeak));
}

int PositiveNumber(std::string_view text, const char* option)
{
    int value = 0;
    const auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || ptr != text.data() + text.size() || value <= 0) {
        Fail(std::string(option) + " takes positive whole numbers, not \"" + std::string(text) + "\"");
    }
    return value;
}

std::vector<std::uint64_t> Sizes(std::string_view text)
{
    std::vector<std::uint64_t> sizes;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        sizes.push_back(static_cast<std::uint64_t>(PositiveNumber(text.substr(0, comma), "--sizes-mb")));
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return sizes;
}

Options ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                Fail(std::string(arg) + " needs a value");
            }
            return argv[++i];
        };
        if (arg == "--sizes-mb") {
            options.sizesMiB = Sizes(value());
        } else if (arg == "--pairs") {
            options.pairs = PositiveNumber(value(), "--pairs");
        } else if (arg == "--idle-ms") {
            options.idleMs = PositiveNumber(value(), "--idle-ms");
        } else if (arg == "--startup-runs") {
            options.startupRuns = PositiveNumber(value(), "--startup-runs");
        } else if (arg == "--dir") {
            options.directory = value();
        } else if (arg == "--large") {
            options.sizesMiB.push_back(4096);
        } else if (arg == "--skip-files") {
            options.files = false;
        } else if (arg == "--skip-startup") {
            options.startup = false;
        } else if (arg == "--skip-batches") {
            options.batches = false;
        } else if (arg == "--help" || arg == "-h") {
            std::printf("usage: %s [--sizes-mb 1,16,256,1024] [--large (adds 4096)] [--pairs N (5)] [--idle-ms N (3000)]\n"
                        "          [--startup-runs N (15)] [--dir DIR (beside this program)]\n"
                        "          [--skip-files] [--skip-startup] [--skip-batches]\n",
                        argv[0]);
            std::exit(0);
        } else {
            Fail("unknown option " + std::string(arg) + " (see --help)");
        }
    }
    if (options.sizesMiB.empty()) {
        Fail("--sizes-mb needs at least one size");
    }
    return options;
}

int Run(int argc, char** argv)
{
    const Options options = ParseOptions(argc, argv);
    const fs::path programDirectory = fs::read_symlink("/proc/self/exe").parent_path();
    const fs::path parent = options.directory.empty() ? programDirectory : fs::absolute(options.directory);

    // One run at a time per directory. An interrupted run removes its files;
    // one that was killed outright leaves them, and the next run clears them.
    const int lock = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock < 0 || ::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        Fail(parent.string() + ": cannot be used (" + SystemText(errno) + "; is another run going on?)");
    }
    const fs::path work = parent / "file-bench-work";
    fs::remove_all(work);
    fs::create_directories(work);
    RemoveWorkOnSignals(work);

    std::optional<FileFigures> files;
    std::optional<StartupFigures> startup;
    try {
        if (options.files) {
            CheckDirectory(work, *std::max_element(options.sizesMiB.begin(), options.sizesMiB.end()) * kMiB);
            files = MeasureFiles(options, work);
        }
        if (options.startup) {
            startup = MeasureStartup(options.startupRuns, programDirectory, work);
        }
        if (options.batches) {
            if (quilvane::WriteKeyFile(work, kKeyDigit)) {
                Fail("cannot write the key file in " + work.string());
            }
            MeasureBatches({options.pairs, options.idleMs}, work);
        }
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(work, ignored);
        throw;
    }
    fs::remove_all(work);
    ::close(lock);
    if (files) {
        PrintFiles(options, *files);
    }
    if (startup) {
        PrintStartup(*startup);
    }
    return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv)
{
    try {
        return bench::Run(argc, argv);
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "quilvane_file_bench: %s\n", e.what());
        return 1;
    }
}
