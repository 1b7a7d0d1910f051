// The file actions on a large document, measured against what the system
// itself does with a file that size, in the same run:
//  - time: open + encrypt (and open + decrypt) through the real handlers,
//    against `cp SRC DST && sync` of the same file, and the time each stage
//    of the action took (read, check, shift, write, flush and rename);
//  - memory: the peak resident size of a process doing nothing but the action;
//  - start-up: the program's window to its first paint, against a bare Qt
//    window (quilvane_startup_probe, built next to this program).
// Each figure is printed with its ratio and its target at the end.
//
//   quilvane_file_bench [--size-mb N] [--rounds N] [--startup-runs N]
//                       [--dir DIR] [--skip-files] [--skip-startup]
#include "password/KeyFile.hpp"
#include "platform/DocumentFile.hpp"
#include "platform/WizardView.hpp"
#include "transform/FileActions.hpp"
#include "transform/ShiftText.hpp"

#include <fcntl.h>
#include <linux/magic.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kMiB = 1u << 20;
constexpr std::int16_t kKeyDigit = 4;

double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

double MiB(std::uint64_t bytes)
{
    return static_cast<double>(bytes) / static_cast<double>(kMiB);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

[[noreturn]] void Fail(const std::string& what)
{
    throw std::runtime_error(what);
}

std::string SystemText(int error)
{
    return std::strerror(error);
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// --- the content -----------------------------------------------------------

// A 64-bit digest of a byte stream, the same however the stream is cut.
class Digest {
public:
    void add(std::string_view bytes)
    {
        length_ += bytes.size();
        std::size_t i = 0;
        while (pendingBytes_ != 0 && i < bytes.size()) {
            take(static_cast<unsigned char>(bytes[i++]));
        }
        for (; i + 8 <= bytes.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            if constexpr (std::endian::native == std::endian::big) {
                word = __builtin_bswap64(word);
            }
            mix(word);
        }
        for (; i < bytes.size(); ++i) {
            take(static_cast<unsigned char>(bytes[i]));
        }
    }

    std::uint64_t value() const
    {
        Digest last = *this;
        last.mix(pending_ ^ (std::uint64_t{0xA5} << 56));
        last.mix(length_);
        return last.hash_;
    }

private:
    void take(unsigned char byte)
    {
        pending_ |= std::uint64_t{byte} << (8 * pendingBytes_);
        if (++pendingBytes_ == 8) {
            mix(pending_);
            pending_ = 0;
            pendingBytes_ = 0;
        }
    }
    void mix(std::uint64_t word) { hash_ = std::rotl((hash_ ^ word) * 0x9E3779B97F4A7C15ull, 27); }

    std::uint64_t hash_ = 0x243F6A8885A308D3ull;
    std::uint64_t pending_ = 0;
    int pendingBytes_ = 0;
    std::uint64_t length_ = 0;
};

// Chinese prose in GBK as a Chinese user's text files hold it: mostly GB2312
// hanzi, now and then a character from the GBK extension, full-width
// punctuation, numbers and Latin words in ASCII, CR LF line ends and blank
// lines between paragraphs.
class Prose {
public:
    static constexpr std::size_t kMaxLine = 512;

    explicit Prose(std::uint64_t seed) : state_(seed) {}

    // Appends one line and its CR LF: at most kMaxLine bytes.
    void line(std::string& out)
    {
        static constexpr std::string_view kPunctuation[] = {"\xA3\xAC", "\xA1\xA3", "\xA1\xA2", "\xA3\xBB",
                                                            "\xA3\xBA", "\xA1\xB0", "\xA1\xB1", "\xA3\xA1",
                                                            "\xA3\xBF", "\xA3\xA8", "\xA3\xA9"};
        static constexpr std::string_view kWords[] = {" Qt ", "GBK", " Linux ", "PDF", " USB ", "Windows",
                                                      "ISO", "km", "kg", " CPU ", "Tobrek", "2.0"};
        const std::uint64_t shape = next();
        if (shape % 20 == 0) {
            out += "\r\n";
            return;
        }
        const int tokens = 6 + static_cast<int>((shape >> 8) % 40);
        for (int t = 0; t < tokens; ++t) {
            std::uint64_t v = next();
            const unsigned kind = static_cast<unsigned>(v % 100);
            v >>= 8;
            if (kind < 78) {
                // One to four GB2312 hanzi: lead B0..F7, trail A1..FE.
                const int count = 1 + static_cast<int>(v & 3);
                v >>= 2;
                for (int c = 0; c < count; ++c) {
                    out += static_cast<char>(0xB0 + (v & 0xFF) % 0x48);
                    out += static_cast<char>(0xA1 + ((v >> 8) & 0xFF) % 0x5E);
                    v >>= 16;
                }
            } else if (kind < 80) {
                // GBK extension: lead 81..A0, trail 40..FE without 7F.
                const auto trail = static_cast<unsigned>(0x40 + ((v >> 8) & 0xFF) % 0xBF);
                out += static_cast<char>(0x81 + (v & 0xFF) % 0x20);
                out += static_cast<char>(trail == 0x7F ? 0x80 : trail);
            } else if (kind < 90) {
                out += kPunctuation[v % std::size(kPunctuation)];
            } else if (kind < 95) {
                out += kWords[v % std::size(kWords)];
            } else {
                out += std::to_string(v % 10000);
            }
        }
        out += "\r\n";
    }

private:
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t state_;
};

// --- interrupts ------------------------------------------------------------

// What an interrupt must clean up: the child at work (which may be writing a
// temporary file of the action's own) and the work directory.
volatile sig_atomic_t gChild = 0;
char gWorkPath[4096];

void RemoveWorkOnSignal(int signal)
{
    if (gChild > 0) {
        ::kill(gChild, SIGKILL);
        ::waitpid(gChild, nullptr, 0);
    }
    const pid_t remover = ::fork();
    if (remover == 0) {
        ::execl("/bin/rm", "rm", "-rf", gWorkPath, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (remover > 0) {
        ::waitpid(remover, nullptr, 0);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveWorkOnSignals(const fs::path& work)
{
    std::snprintf(gWorkPath, sizeof gWorkPath, "%s", work.c_str());
    for (const int signal : kCleanupSignals) {
        ::signal(signal, RemoveWorkOnSignal);
    }
}

// A child leaves the cleaning to its parent.
void DefaultSignals()
{
    for (const int signal : kCleanupSignals) {
        ::signal(signal, SIG_DFL);
    }
}

// --- work in a child process -----------------------------------------------

// What a child sends back. Plain bytes through a pipe, so trivially copyable.
struct Note {
    char text[512] = {};

    void set(std::string_view s)
    {
        const std::size_t n = std::min(s.size(), sizeof text - 1);
        std::memcpy(text, s.data(), n);
        text[n] = '\0';
    }
};

template <typename Result>
struct ChildOutcome {
    Result result{};
    std::uint64_t peakResidentBytes = 0;  // ru_maxrss of that child alone
};

// Runs `work` in a forked child and returns what it returned, with the
// child's own peak resident size. The parent stays small and holds no
// document, so the child starts from the few pages this program needs.
template <typename Result, typename Work>
ChildOutcome<Result> InChild(const char* what, Work work)
{
    static_assert(std::is_trivially_copyable_v<Result>);
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        Fail(std::string("pipe: ") + SystemText(errno));
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        Fail(std::string("fork: ") + SystemText(errno));
    }
    if (pid == 0) {
        DefaultSignals();
        ::close(pipeEnds[0]);
        int status = 0;
        try {
            const Result result = work();
            if (!WriteAll(pipeEnds[1], reinterpret_cast<const char*>(&result), sizeof result)) {
                status = 1;
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", what, e.what());
            status = 1;
        }
        std::fflush(stderr);
        ::_exit(status);
    }
    gChild = pid;
    ::close(pipeEnds[1]);
    ChildOutcome<Result> outcome;
    std::size_t got = 0;
    auto* into = reinterpret_cast<char*>(&outcome.result);
    while (got < sizeof(Result)) {
        const ssize_t n = ::read(pipeEnds[0], into + got, sizeof(Result) - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(pipeEnds[0]);
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            Fail(std::string("wait4: ") + SystemText(errno));
        }
    }
    gChild = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || got != sizeof(Result)) {
        Fail(std::string(what) + ": the child process failed");
    }
    outcome.peakResidentBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // ru_maxrss is in KiB
    return outcome;
}

// Runs a program with /bin/sh; the wall time from fork to its end.
double TimeShell(const std::string& command)
{
    std::fflush(nullptr);
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) {
        Fail(std::string("fork: ") + SystemText(errno));
    }
    if (pid == 0) {
        DefaultSignals();
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    gChild = pid;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            Fail(std::string("waitpid: ") + SystemText(errno));
        }
    }
    gChild = 0;
    const double seconds = Seconds(Clock::now() - start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        Fail("failed: " + command);
    }
    return seconds;
}

std::string ShellQuoted(const fs::path& path)
{
    std::string quoted = "'";
    for (const char c : path.string()) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// --- the generated document ------------------------------------------------

struct Generated {
    std::uint64_t size = 0;
    std::uint64_t plainDigest = 0;
    std::uint64_t encryptedDigest = 0;  // what encryption must leave on disk
};

// Writes `size` bytes of prose to `path` and flushes them to disk. The digest
// of the encrypted file is taken from the same lines shifted on their own:
// every line ends with CR LF, so no character straddles two of them.
Generated GenerateDocument(const fs::path& path, std::uint64_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        Fail(path.string() + ": " + SystemText(errno));
    }
    constexpr std::size_t kChunk = 4 * kMiB;
    Prose prose(20240229);
    Digest plain;
    Digest encrypted;
    std::string chunk;
    std::string shifted;
    chunk.reserve(kChunk + Prose::kMaxLine);
    std::uint64_t written = 0;
    const auto flush = [&] {
        plain.add(chunk);
        quilvane::ShiftTextInto(chunk, -2, shifted);
        encrypted.add(shifted);
        if (!WriteAll(fd, chunk.data(), chunk.size())) {
            Fail(path.string() + ": " + SystemText(errno));
        }
        written += chunk.size();
        chunk.clear();
    };
    while (written + chunk.size() + Prose::kMaxLine + 2 <= size) {
        prose.line(chunk);
        if (chunk.size() >= kChunk) {
            flush();
        }
    }
    // The last line fills the size exactly.
    const std::uint64_t rest = size - written - chunk.size();
    static constexpr std::string_view kEnd = "End of the generated text. ";
    for (std::uint64_t i = 0; i + 2 < rest; ++i) {
        chunk += kEnd[i % kEnd.size()];
    }
    chunk += "\r\n";
    flush();
    encrypted.add("\r\n");  // the line end encryption adds
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        Fail(path.string() + ": " + SystemText(errno));
    }
    return {written, plain.value(), encrypted.value()};
}

struct FileDigest {
    std::uint64_t size = 0;
    std::uint64_t digest = 0;
};

FileDigest DigestFile(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Fail(path.string() + ": " + SystemText(errno));
    }
    const auto buffer = std::make_unique<char[]>(4 * kMiB);
    Digest digest;
    FileDigest result;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.get(), 4 * kMiB);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            Fail(path.string() + ": " + SystemText(error));
        }
        if (got == 0) {
            break;
        }
        digest.add({buffer.get(), static_cast<std::size_t>(got)});
        result.size += static_cast<std::uint64_t>(got);
    }
    ::close(fd);
    result.digest = digest.value();
    return result;
}

// --- the actions -----------------------------------------------------------

// When each stage of an action ended, told by its progress windows: the
// opening one closes once the file is read; the action's own one passes half
// way when the pass that checks and shifts is done, reaches the end when the
// last byte is written, and closes once the file is flushed and renamed into
// place. The shift reports every 16 MiB, so a stage end is known to within
// that much work.
enum Stage { kRead, kShifted, kWritten, kFlushed, kStages };
inline constexpr const char* kStageNames[kStages] = {"read", "check+shift", "write", "flush+rename"};

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
    ~StageProgress() override { clock_.mark(opening_ ? kRead : kFlushed); }

    bool update(std::uint64_t done, std::uint64_t total) override
    {
        // A pass ends its report a few bytes short of its share (the last
        // characters after the last full window go unreported); the next
        // pass reports no sooner than 16 MiB or its end.
        constexpr std::uint64_t kSlack = 4096;
        if (!opening_ && total > 0) {
            if (2 * (done + kSlack) >= total) {
                clock_.mark(kShifted);
            }
            if (done >= total) {
                clock_.mark(kWritten);
            }
        }
        return true;
    }

private:
    StageClock& clock_;
    bool opening_;
};

// A window that picks one file, answers OK to every message and keeps the
// document as a plain string, as the program's own view does.
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

    const std::string& documentText() const override { return document_; }
    void setDocumentText(std::string bytes) override { document_ = std::move(bytes); }
    void editDocument(const std::function<void(std::string&)>& edit) override { edit(document_); }
    quilvane::FileStamp documentStamp() const override { return stamp_; }
    void setDocumentStamp(const quilvane::FileStamp& stamp) override { stamp_ = stamp; }

    // The first work is the opening, the next the action's. It runs here,
    // on this thread: the window's thread is not what is measured.
    void runWork(std::string_view, bool, const std::function<void(quilvane::ProgressReport&)>& work) override
    {
        StageProgress report(stages, progressWindows_++ == 0);
        work(report);
    }

    fs::path programDirectory() const override { return programDirectory_; }
    fs::path userDataDirectory() const override { return programDirectory_; }

    void endProgram() override { ended = true; }

private:
    fs::path file_;
    fs::path programDirectory_;
    fs::path chosen_;
    std::string document_;
    quilvane::FileStamp stamp_;
    int progressWindows_ = 0;
};

enum class Action { Encrypt, Decrypt };

struct ActionRun {
    double seconds = 0;                    // from before opening to the end of the action
    double stageSeconds[kStages] = {};     // how long each stage took
    std::uint64_t startResidentBytes = 0;  // the child's own size before it
    bool ended = false;
    Note titles;
};

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

// Opens the file and encrypts or decrypts it, the way the user does with the
// two buttons of a panel, and answers OK to the end.
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

// --- the measurements ------------------------------------------------------

struct Options {
    std::uint64_t sizeMiB = 1024;
    int rounds = 3;
    int startupRuns = 15;
    fs::path directory;  // empty: beside this program, in the build directory
    bool files = true;
    bool startup = true;
};

struct ActionFigures {
    std::vector<double> seconds;
    std::vector<double> copySeconds;  // cp + sync of the same file, just before
    std::vector<double> stageSeconds[kStages];
    std::uint64_t peak = 0;           // the largest of the rounds
    std::uint64_t documentSize = 0;   // S: the file the action opens

    void add(double copy, const ChildOutcome<ActionRun>& run)
    {
        copySeconds.push_back(copy);
        seconds.push_back(run.result.seconds);
        for (int stage = 0; stage < kStages; ++stage) {
            stageSeconds[stage].push_back(run.result.stageSeconds[stage]);
        }
        peak = std::max(peak, run.peakResidentBytes);
    }
};

struct FileFigures {
    ActionFigures encrypt, decrypt;
    std::uint64_t childStart = 0;  // the largest resident size a child started with
};

struct StartupFigures {
    std::vector<double> minimal, quilvane;
    std::uint64_t quilvanePeak = 0;  // the window's own resident size at its first paint
};

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
                 std::to_string(needed / kMiB) + " MiB needed (choose another with --dir or a smaller --size-mb)");
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

FileFigures MeasureFiles(const Options& options, const fs::path& work)
{
    FileFigures figures;
    const fs::path plain = work / "document.txt";
    const fs::path copy = work / "copy.txt";

    if (quilvane::WriteKeyFile(work, kKeyDigit)) {
        Fail("cannot write the key file in " + work.string());
    }
    const std::uint64_t size = options.sizeMiB * kMiB;
    std::printf("Writing %.0f MiB of GBK text to %s ...\n", MiB(size), plain.c_str());
    const Generated generated =
        InChild<Generated>("writing the document", [&] { return GenerateDocument(plain, size); }).result;
    ::sync();

    const std::string cp = "cp " + ShellQuoted(plain) + " " + ShellQuoted(copy) + " && sync";
    // Each side reads the same file, just written and still in the page
    // cache, and writes a new one of the same size to the same disk.
    const auto timeCopy = [&] {
        const double seconds = TimeShell(cp);
        fs::remove(copy);
        ::sync();
        return seconds;
    };
    const auto runAction = [&](Action action) {
        auto outcome = InChild<ActionRun>(action == Action::Encrypt ? "encrypting" : "decrypting",
                                          [&] { return RunAction(action, plain, work); });
        ::sync();
        figures.childStart = std::max(figures.childStart, outcome.result.startResidentBytes);
        return outcome;
    };

    figures.encrypt.documentSize = generated.size;
    figures.decrypt.documentSize = generated.size + 2;
    std::printf("%d rounds of: cp + sync, open + encrypt, cp + sync, open + decrypt (seconds; peak resident MiB)\n",
                options.rounds);
    for (int round = 1; round <= options.rounds; ++round) {
        const double copy1 = timeCopy();
        const auto encrypted = runAction(Action::Encrypt);
        CheckAction("encryption", encrypted.result, "加密完成");
        CheckFile("encryption", plain, generated.size + 2, generated.encryptedDigest);

        const double copy2 = timeCopy();
        const auto decrypted = runAction(Action::Decrypt);
        CheckAction("decryption", decrypted.result, "解密完成 | 工作完成");
        CheckFile("decryption", plain, generated.size, generated.plainDigest);

        figures.encrypt.add(copy1, encrypted);
        figures.decrypt.add(copy2, decrypted);
        std::printf("  round %d: cp+sync %6.2f  encrypt %6.2f (%.0f MiB)  cp+sync %6.2f  decrypt %6.2f (%.0f MiB)\n",
                    round, copy1, encrypted.result.seconds, MiB(encrypted.peakResidentBytes), copy2,
                    decrypted.result.seconds, MiB(decrypted.peakResidentBytes));
    }
    for (const auto& [name, action] : {std::pair{"encrypt", &figures.encrypt}, std::pair{"decrypt", &figures.decrypt}}) {
        std::printf("  %s stages, median:", name);
        for (int stage = 0; stage < kStages; ++stage) {
            std::printf(" %s %.3f", kStageNames[stage], Median(action->stageSeconds[stage]));
        }
        std::printf("\n");
    }

    fs::remove(plain);
    fs::remove(quilvane::KeyFilePath(work));
    ::sync();
    return figures;
}

struct ProbeRun {
    double seconds = 0;  // from fork to its end
    std::uint64_t peakResidentBytes = 0;
};

ProbeRun TimeProbe(const fs::path& probe, const char* mode, const fs::path& log)
{
    std::fflush(nullptr);
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) {
        Fail(std::string("fork: ") + SystemText(errno));
    }
    if (pid == 0) {
        DefaultSignals();
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        ::execl(probe.c_str(), probe.c_str(), mode, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    gChild = pid;
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            Fail(std::string("wait4: ") + SystemText(errno));
        }
    }
    gChild = 0;
    const double seconds = Seconds(Clock::now() - start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        Fail(probe.string() + " " + mode + " failed; its output is in " + log.string());
    }
    return {seconds, static_cast<std::uint64_t>(usage.ru_maxrss) * 1024};
}

StartupFigures MeasureStartup(const Options& options, const fs::path& programDirectory, const fs::path& work)
{
    const fs::path probe = programDirectory / "quilvane_startup_probe";
    if (::access(probe.c_str(), X_OK) != 0) {
        Fail(probe.string() + " is missing; build the target quilvane_startup_probe");
    }
    const fs::path log = work / "startup-probe.log";
    StartupFigures figures;
    std::printf("Start-up to first paint, QT_QPA_PLATFORM=offscreen, %d runs each, alternating (ms):\n",
                options.startupRuns);
    // One run of each first, not counted: libraries and fonts come into the
    // page cache for both alike.
    TimeProbe(probe, "minimal", log);
    TimeProbe(probe, "quilvane", log);
    std::string minimalTimes = "  minimal: ";
    std::string quilvaneTimes = "  quilvane:";
    for (int run = 0; run < options.startupRuns; ++run) {
        figures.minimal.push_back(TimeProbe(probe, "minimal", log).seconds);
        const ProbeRun quilvane = TimeProbe(probe, "quilvane", log);
        figures.quilvane.push_back(quilvane.seconds);
        figures.quilvanePeak = std::max(figures.quilvanePeak, quilvane.peakResidentBytes);
        char text[32];
        std::snprintf(text, sizeof text, " %.0f", figures.minimal.back() * 1000);
        minimalTimes += text;
        std::snprintf(text, sizeof text, " %.0f", figures.quilvane.back() * 1000);
        quilvaneTimes += text;
    }
    std::printf("%s\n%s\n", minimalTimes.c_str(), quilvaneTimes.c_str());
    fs::remove(log);
    return figures;
}

void PrintRow(const char* figure, const std::string& measured, const char* baseline, const std::string& baseValue,
              double ratio, const std::string& target, bool met)
{
    std::printf("  %-28s %12s   %-14s %12s  %5.2f   %-30s %s\n", figure, measured.c_str(), baseline,
                baseValue.c_str(), ratio, target.c_str(), met ? "met" : "MISSED");
}

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void PrintSummary(const Options& options, const std::optional<FileFigures>& files,
                  const std::optional<StartupFigures>& startup)
{
    std::printf("\nSummary\n");
    std::printf("  %-28s %12s   %-27s  %5s   %-30s %s\n", "figure", "measured", "compared with", "ratio", "target",
                "result");
    if (files) {
        const auto timeRow = [&](const char* figure, const ActionFigures& action) {
            const double seconds = Median(action.seconds);
            const double copy = Median(action.copySeconds);
            PrintRow(figure, Format("%.2f s", seconds), "cp + sync", Format("%.2f s", copy), seconds / copy,
                     "<= 1.30", seconds <= 1.3 * copy);
        };
        const auto memoryRow = [&](const char* figure, const ActionFigures& action) {
            const double peak = MiB(action.peak);
            const double size = MiB(action.documentSize);
            const double limit = 1.1 * size + 64;
            PrintRow(figure, Format("%.1f MiB", peak), "S", Format("%.1f MiB", size), peak / size,
                     Format("<= 1.1 S + 64 MiB = %.0f MiB", limit), peak <= limit);
        };
        timeRow("open + encrypt", files->encrypt);
        timeRow("open + decrypt", files->decrypt);
        memoryRow("peak memory, encrypt", files->encrypt);
        memoryRow("peak memory, decrypt", files->decrypt);
    }
    if (startup) {
        const double quilvane = Median(startup->quilvane) * 1000;
        const double minimal = Median(startup->minimal) * 1000;
        PrintRow("start-up to first paint", Format("%.1f ms", quilvane), "bare Qt window", Format("%.1f ms", minimal),
                 quilvane / minimal, "<= 1.30", quilvane <= 1.3 * minimal);
    }
    if (files) {
        std::printf("  Times: median of %d rounds, from before opening to the end of the action. Memory: the\n"
                    "  largest peak of a process doing only the action; it held %.1f MiB before the action.\n",
                    options.rounds, MiB(files->childStart));
    }
    if (startup) {
        std::printf("  Start-up: median of %d runs each; the window holds %.1f MiB at its first paint.\n",
                    options.startupRuns, MiB(startup->quilvanePeak));
    }
}

int PositiveNumber(const char* text, const char* option)
{
    int value = 0;
    const char* end = text + std::strlen(text);
    const auto [ptr, error] = std::from_chars(text, end, value);
    if (error != std::errc{} || ptr != end || value <= 0) {
        Fail(std::string(option) + " takes a positive whole number, not \"" + text + "\"");
    }
    return value;
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
        if (arg == "--size-mb") {
            options.sizeMiB = static_cast<std::uint64_t>(PositiveNumber(value(), "--size-mb"));
        } else if (arg == "--rounds") {
            options.rounds = PositiveNumber(value(), "--rounds");
        } else if (arg == "--startup-runs") {
            options.startupRuns = PositiveNumber(value(), "--startup-runs");
        } else if (arg == "--dir") {
            options.directory = value();
        } else if (arg == "--skip-files") {
            options.files = false;
        } else if (arg == "--skip-startup") {
            options.startup = false;
        } else if (arg == "--help" || arg == "-h") {
            std::printf("usage: %s [--size-mb N (1024)] [--rounds N (3)] [--startup-runs N (15)]\n"
                        "          [--dir DIR (beside this program)] [--skip-files] [--skip-startup]\n",
                        argv[0]);
            std::exit(0);
        } else {
            Fail("unknown option " + std::string(arg) + " (see --help)");
        }
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
            CheckDirectory(work, options.sizeMiB * kMiB);
            files = MeasureFiles(options, work);
        }
        if (options.startup) {
            startup = MeasureStartup(options, programDirectory, work);
        }
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(work, ignored);
        throw;
    }
    fs::remove_all(work);
    ::close(lock);
    PrintSummary(options, files, startup);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "quilvane_file_bench: %s\n", e.what());
        return 1;
    }
}
