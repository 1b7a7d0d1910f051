#pragma once

// Runs part of a test as another user of the machine, "nobody", in a child
// process: what the program does for a user who does not own the files
// around it. Only root can do that; CI runs as root.
#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace quilvane::testing {

struct Nobody {
    uid_t uid = 0;
    gid_t gid = 0;
};

// Nobody's ids; skips the test where it cannot become them.
#define QUILVANE_NEED_NOBODY(nobody)                                                                  \
    do {                                                                                              \
        if (::geteuid() != 0) {                                                                       \
            GTEST_SKIP() << "only root can set up another user's file and act as a third user";      \
        }                                                                                             \
        const passwd* entry = ::getpwnam("nobody");                                                   \
        ASSERT_NE(entry, nullptr) << "this system has no user nobody";                                \
        (nobody) = Nobody{entry->pw_uid, entry->pw_gid};                                              \
    } while (false)

// What `act` returned, run as `nobody` in a child process.
inline std::string AsNobody(const Nobody& nobody, const std::function<std::string()>& act)
{
    int pipe[2];
    if (::pipe(pipe) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        std::string result = "could not become nobody";
        if (::setgroups(0, nullptr) == 0 && ::setresgid(nobody.gid, nobody.gid, nobody.gid) == 0 &&
            ::setresuid(nobody.uid, nobody.uid, nobody.uid) == 0) {
            result = act();
        }
        (void)!::write(pipe[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string result;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;) {
        result.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipe[0]);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child of another user ended abnormally";
    return result;
}

}  // namespace quilvane::testing
