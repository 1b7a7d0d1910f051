#include "StartupMeasure.hpp"

#include "ChildProcesses.hpp"

#include <cstdlib>

namespace bench {
namespace {

ProgramRun TimeProbe(const fs::path& probe, const char* mode, const fs::path& log)
{
    const ProgramRun run = RunProgram([&] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        ::execl(probe.c_str(), probe.c_str(), mode, static_cast<char*>(nullptr));
    });
    if (!run.succeeded) {
        Fail(probe.string() + " " + mode + " failed; its output is in " + log.string());
    }
    return run;
}

}  // namespace

StartupFigures MeasureStartup(int runs, const fs::path& programDirectory, const fs::path& work)
{
    const fs::path probe = programDirectory / "quilvane_startup_probe";
    if (::access(probe.c_str(), X_OK) != 0) {
        Fail(probe.string() + " is missing; build the target quilvane_startup_probe");
    }
    const fs::path log = work / "startup-probe.log";
    StartupFigures figures;
    std::printf("Start-up to first paint, QT_QPA_PLATFORM=offscreen, %d runs each, alternating (ms):\n",
                runs);
    // One run of each first, not counted: libraries and fonts come into the
    // page cache for both alike.
    TimeProbe(probe, "minimal", log);
    TimeProbe(probe, "quilvane", log);
    std::string minimalTimes = "  minimal: ";
    std::string quilvaneTimes = "  quilvane:";
    for (int run = 0; run < runs; ++run) {
        figures.minimal.push_back(TimeProbe(probe, "minimal", log).seconds);
        const ProgramRun quilvane = TimeProbe(probe, "quilvane", log);
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

}  // namespace bench
