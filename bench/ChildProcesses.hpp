#pragma once

// Work measured in child processes: each starts small and holds only what it
// does, so its time and peak memory are its own. An interrupt of the bench
// kills the child at work and removes the work directory.
#include "BenchCommon.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <string_view>
#include <type_traits>

namespace bench {

// The child at work, killed by an interrupt.
extern volatile sig_atomic_t gChild;

// Removes `work` when the bench is interrupted.
void RemoveWorkOnSignals(const fs::path& work);
// A child leaves the cleaning to its parent.
void DefaultSignals();
// Waits for the child `pid` to end (through interrupted waits), with its
// exit status and resource use; it is then no longer the running child.
void WaitForChild(pid_t pid, int& status, struct rusage& usage);

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
    WaitForChild(pid, status, usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || got != sizeof(Result)) {
        Fail(std::string(what) + ": the child process failed");
    }
    outcome.peakResidentBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // ru_maxrss is in KiB
    return outcome;
}

struct ProgramRun {
    double seconds = 0;  // from fork to its end
    bool succeeded = false;
    std::uint64_t peakResidentBytes = 0;
};

// Forks a child that calls `exec` (which replaces the process) and waits for it.
ProgramRun RunProgram(const std::function<void()>& exec);

// Runs a command line with /bin/sh; the wall time from fork to its end.
double TimeShell(const std::string& command);
std::string ShellQuoted(const fs::path& path);

}  // namespace bench
