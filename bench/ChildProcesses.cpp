#include "ChildProcesses.hpp"

#include <cstdlib>

namespace bench {


// What an interrupt must clean up: the child at work (which may be writing a
// temporary file of the action's own) and the work directory.
volatile sig_atomic_t gChild = 0;
namespace {
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

}  // namespace

void RemoveWorkOnSignals(const fs::path& work)
{
    std::snprintf(gWorkPath, sizeof gWorkPath, "%s", work.c_str());
    for (const int signal : kCleanupSignals) {
        ::signal(signal, RemoveWorkOnSignal);
    }
}

void DefaultSignals()
{
    for (const int signal : kCleanupSignals) {
        ::signal(signal, SIG_DFL);
    }
}

void WaitForChild(pid_t pid, int& status, struct rusage& usage)
{
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            Fail(std::string("wait4: ") + SystemText(errno));
        }
    }
    gChild = 0;
}

ProgramRun RunProgram(const std::function<void()>& exec)
{
    std::fflush(nullptr);
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) {
        Fail(std::string("fork: ") + SystemText(errno));
    }
    if (pid == 0) {
        DefaultSignals();
        exec();
        ::_exit(127);
    }
    gChild = pid;
    int status = 0;
    struct rusage usage {};
    WaitForChild(pid, status, usage);
    return {Seconds(Clock::now() - start), WIFEXITED(status) && WEXITSTATUS(status) == 0,
            static_cast<std::uint64_t>(usage.ru_maxrss) * 1024};
}

double TimeShell(const std::string& command)
{
    const ProgramRun run =
        RunProgram([&] { ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr)); });
    if (!run.succeeded) {
        Fail("failed: " + command);
    }
    return run.seconds;
}

std::string ShellQuoted(const fs::path& path)
{
    std::string quoted = "'";
    for (const char c : path.string()) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace bench
