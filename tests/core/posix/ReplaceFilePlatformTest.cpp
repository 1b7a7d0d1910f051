// The file-replacing code's promises that rest on POSIX: permission bits,
// owners, symbolic links, pipes, errno values and resource limits.
#include "ReplaceFileFixture.hpp"

#include "AsNobody.hpp"

#include "platform/FileRefusal.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/xattr.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

namespace quilvane::testing {
namespace {

fs::path WithMode(const fs::path& path, mode_t mode)
{
    EXPECT_EQ(::chmod(path.c_str(), mode), 0) << path;
    return path;
}

struct stat Status(const fs::path& path)
{
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

TEST_F(FileReplacement, KeepsThePermissions)
{
    for (mode_t mode : {0600, 0640, 0604, 0755}) {
        const auto path = WithMode(file("doc.txt", "old content"), mode);
        const Replaced replaced = ReplaceFileContent(path, "new");
        ASSERT_FALSE(replaced.error) << replaced.error->error.message();
        EXPECT_EQ(ReadBytes(path), "new");
        EXPECT_EQ(Status(path).st_mode & 07777, mode);
    }
}

TEST_F(FileReplacement, KeepsTheOwnerAndGroup)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root may give a file to another owner, so the test cannot set one up";
    }
    const auto path = file("doc.txt", "old");
    ASSERT_EQ(::chown(path.c_str(), 4321, 8765), 0);
    ASSERT_FALSE(ReplaceFileContent(path, "new").error);
    EXPECT_EQ(Status(path).st_uid, 4321u);
    EXPECT_EQ(Status(path).st_gid, 8765u);
}

// Another user of the machine, as a user meets them: a file of theirs in a
// folder both may write (no sticky bit), the program run by "nobody".
class AnotherUsersFile : public FileReplacement {
protected:
    void SetUp() override
    {
        QUILVANE_NEED_NOBODY(nobody);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    }

    // The file, owned by `uid`:`gid` with `mode`.
    fs::path owned(const char* name, uid_t uid, gid_t gid, mode_t mode)
    {
        const auto path = file(name, "their content");
        EXPECT_EQ(::chown(path.c_str(), uid, gid), 0);
        EXPECT_EQ(::chmod(path.c_str(), mode), 0);
        return path;
    }

    // Replaces the file as "nobody"; what came of it.
    std::string replaceAsNobody(const fs::path& path)
    {
        return AsNobody(nobody, [&] {
            const Replaced replaced = ReplaceFileContent(path, "nobody's content");
            return replaced.error ? replaced.error->error.message() : std::string("replaced");
        });
    }

    Nobody nobody;
};

TEST_F(AnotherUsersFile, IsNeverReplacedAgainstItsPermissionsOrOwner)
{
    const uid_t other = 4321;
    const gid_t otherGroup = 8765;
    struct Case {
        const char* what;
        mode_t mode;
        std::error_code expected;
    };
    for (const Case& c : {Case{"writable by its owner only", 0644, FileRefusal::NotPermitted},
                          Case{"writable by its owner's group only", 0664, FileRefusal::NotPermitted},
                          Case{"writable by everyone: the owner could not be kept", 0666,
                               FileRefusal::OwnerNotKept}}) {
        const auto path = owned("their.txt", other, otherGroup, c.mode);
        EXPECT_EQ(replaceAsNobody(path), c.expected.message()) << c.what;
        EXPECT_EQ(ReadBytes(path), "their content") << c.what;
        EXPECT_EQ(Status(path).st_uid, other) << c.what;
        EXPECT_EQ(Status(path).st_gid, otherGroup) << c.what;
        EXPECT_EQ(Status(path).st_mode & 07777, c.mode) << c.what;
        EXPECT_EQ(strays({"their.txt"}), std::vector<std::string>{}) << c.what;
    }
}

TEST_F(AnotherUsersFile, AFileOfTheUsersOwnInTheSameFolderIsReplaced)
{
    const auto path = owned("mine.txt", nobody.uid, nobody.gid, 0640);
    EXPECT_EQ(replaceAsNobody(path), "replaced");
    EXPECT_EQ(ReadBytes(path), "nobody's content");
    EXPECT_EQ(Status(path).st_uid, nobody.uid);
    EXPECT_EQ(Status(path).st_gid, nobody.gid);
    EXPECT_EQ(Status(path).st_mode & 07777, 0640u);
    EXPECT_EQ(strays({"mine.txt"}), std::vector<std::string>{});
}

TEST_F(FileReplacement, ASymbolicLinkStaysALinkAndItsTargetIsReplaced)
{
    const auto target = file("real.txt", "old");
    const auto link = dir / "link.txt";
    fs::create_symlink("real.txt", link);
    ASSERT_FALSE(ReplaceFileContent(link, "new").error);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "real.txt");
    EXPECT_EQ(ReadBytes(target), "new");
    EXPECT_EQ(strays({"real.txt", "link.txt"}), std::vector<std::string>{});
}

TEST_F(FileReplacement, TheKeyFileIsMadeWithTheUsersDefaultPermissions)
{
    ReplaceOptions options;
    options.createIfMissing = true;
    const mode_t mask = ::umask(022);
    const Replaced replaced = ReplaceFileContent(dir / "temp.jxv", "key", options);
    ::umask(mask);
    ASSERT_FALSE(replaced.error);
    EXPECT_EQ(Status(dir / "temp.jxv").st_mode & 07777, 0644u);
}

INSTANTIATE_TEST_SUITE_P(
    Posix, Refusals,
    ::testing::Values(
        Refusal{"read only for its owner, even for root",
                [](FileReplacement& t, ReplaceOptions&) { return WithMode(t.file("doc.txt", "old"), 0444); },
                FileRefusal::ReadOnly},
        Refusal{"owner may not write though others may",
                [](FileReplacement& t, ReplaceOptions&) { return WithMode(t.file("doc.txt", "old"), 0066); },
                FileRefusal::ReadOnly},
        Refusal{"not a regular file",
                [](FileReplacement& t, ReplaceOptions&) {
                    const auto fifo = t.dir / "pipe";
                    EXPECT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
                    return fifo;
                },
                FileRefusal::NotRegularFile},
        Refusal{"no temporary file can be made in the directory",
                [](FileReplacement& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::CreateTemporary, EACCES);
                    return t.file("doc.txt", "old");
                },
                std::make_error_code(std::errc::permission_denied)},
        Refusal{"the disk is full",
                [](FileReplacement& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Write, ENOSPC);
                    return t.file("doc.txt", "old");
                },
                std::make_error_code(std::errc::no_space_on_device)},
        Refusal{"the disk fails to flush",
                [](FileReplacement& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Sync, EIO);
                    return t.file("doc.txt", "old");
                },
                std::make_error_code(std::errc::io_error)},
        Refusal{"closing reports a deferred write error",
                [](FileReplacement& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Close, EDQUOT);
                    return t.file("doc.txt", "old");
                },
                std::error_code(EDQUOT, std::generic_category())},
        Refusal{"the rename fails",
                [](FileReplacement& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Rename, EBUSY);
                    return t.file("doc.txt", "old");
                },
                std::make_error_code(std::errc::device_or_resource_busy)}),
    RefusalName);

// The rename is made, but the folder cannot be flushed: the new content is
// in place and may not survive a crash, which the caller is told.
TEST_F(FileReplacement, AFolderThatCannotBeFlushedIsReported)
{
    const auto path = file("doc.txt", "old content");
    faults::FailNext(faults::Step::SyncFolder, EIO);
    const Replaced replaced = ReplaceFileContent(path, "new content");
    ASSERT_TRUE(replaced.error);
    EXPECT_EQ(replaced.error->error, std::errc::io_error);
    EXPECT_TRUE(replaced.contentReplaced);
    EXPECT_EQ(ReadBytes(path), "new content");
    EXPECT_EQ(replaced.stamp, StampNow(path));
    EXPECT_EQ(strays({"doc.txt"}), std::vector<std::string>{});
}

// A real full disk, as the system reports it: a child process whose file
// size limit is below the new content.
// A pipe would make the read wait for a writer that may never come, a
// directory is no document: both are refused at once.
TEST_F(FileReplacement, OnlyARegularFileIsRead)
{
    const auto fifo = dir / "pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const LoadedDocument pipe = ReadDocumentStart(fifo, 100);
    ASSERT_TRUE(pipe.error.has_value());
    EXPECT_EQ(pipe.error->error, FileRefusal::NotRegularFile);

    fs::create_directory(dir / "folder.txt");
    const LoadedDocument folder = ReadDocumentStart(dir / "folder.txt", 100);
    ASSERT_TRUE(folder.error.has_value());
    EXPECT_EQ(folder.error->error, std::make_error_code(std::errc::is_a_directory));
}

TEST_F(FileReplacement, AWriteCutShortByTheSystemLeavesTheOldContent)
{
    const auto path = file("doc.txt", "old content");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const Replaced replaced = ReplaceFileContent(path, std::string(1 << 20, 'x'));
        ::_exit(replaced.error && replaced.error->error == std::errc::file_too_large ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write did not fail with EFBIG";
    EXPECT_EQ(ReadBytes(path), "old content");
    EXPECT_EQ(strays({"doc.txt"}), std::vector<std::string>{});
}

}  // namespace
}  // namespace quilvane::testing

namespace quilvane::testing {
namespace {

// What a killed run left goes at the next write in the folder; nothing that
// may be someone else's, or an action's under way, or the user's own.
TEST_F(FileReplacement, TheNextWriteInAFolderRemovesOnlyTheTemporaryFilesAKilledRunLeft)
{
    const auto stale = file(".quilvane-0123456789.tmp", "the plain text of a killed decryption");
    const auto inUse = file(".quilvane-abcdefghij.tmp", "another run's, being written");
    const auto usersOwn = file(".quilvane-notes.tmp", "the user's, of a name like ours");
    const auto linkTarget = file("kept.txt", "pointed at");
    fs::create_symlink(linkTarget, dir / ".quilvane-linklinkli.tmp");
    const int held = ::open(inUse.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    std::optional<fs::path> othersStale;
    if (::geteuid() == 0) {
        othersStale = file(".quilvane-zzzzzzzzzz.tmp", "another user's");
        ASSERT_EQ(::chown(othersStale->c_str(), 4321, 4321), 0);
    }

    const auto document = file("doc.txt", "old");
    ASSERT_FALSE(ReplaceFileContent(document, "new").error);
    ::close(held);

    EXPECT_FALSE(fs::exists(fs::symlink_status(stale)));
    EXPECT_EQ(ReadBytes(inUse), "another run's, being written");
    EXPECT_EQ(ReadBytes(usersOwn), "the user's, of a name like ours");
    EXPECT_TRUE(fs::is_symlink(dir / ".quilvane-linklinkli.tmp"));
    EXPECT_EQ(ReadBytes(linkTarget), "pointed at");
    if (othersStale) {
        EXPECT_TRUE(fs::exists(*othersStale));
    }
    EXPECT_EQ(ReadBytes(document), "new");
}

// A new file takes its folder's default access list; the replaced file
// must not: it had none.
TEST_F(FileReplacement, AFoldersDefaultAccessListIsNotGivenToTheReplacedFile)
{
    const auto document = file("doc.txt", "old");
    ASSERT_EQ(::chmod(document.c_str(), 0600), 0);
    if (std::system(("setfacl -d -m u:nobody:rwx '" + dir.path().string() + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "the test folder's filesystem keeps no access lists (or setfacl is missing)";
    }
    ASSERT_FALSE(ReplaceFileContent(document, "new").error);
    char value[256];
    EXPECT_LT(::getxattr(document.c_str(), "system.posix_acl_access", value, sizeof value), 0)
        << "the replaced file has an access list it did not have";
    EXPECT_EQ(Status(document).st_mode & 07777, 0600u);
}

}  // namespace
}  // namespace quilvane::testing
