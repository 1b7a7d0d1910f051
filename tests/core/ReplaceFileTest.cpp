// The one road by which the program changes a file: atomic, durable, keeping
// what the user expects of the file, and refusing before any damage.
#include "platform/DocumentFile.hpp"
#include "platform/FileFaults.hpp"
#include "platform/FileRefusal.hpp"

#include "../handlers/ScriptedView.hpp"
#include "ParamName.hpp"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <chrono>
#include <map>
#include <thread>

namespace quilvane::testing {
namespace {

namespace fs = std::filesystem;

class ReplaceFile : public ::testing::Test {
public:
    void TearDown() override
    {
        faults::Clear();
        tuning::ResetDirectWritesFrom();
    }

    fs::path file(const std::string& name, const std::string& bytes, mode_t mode = 0644)
    {
        const auto path = dir / name;
        WriteBytes(path, bytes);
        ::chmod(path.c_str(), mode);
        return path;
    }
    // Everything in the directory but the named files: stray temporaries.
    std::vector<std::string> strays(std::initializer_list<std::string> expected = {}) const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (std::find(expected.begin(), expected.end(), name) == expected.end()) {
                found.push_back(name);
            }
        }
        return found;
    }
    static struct stat Status(const fs::path& path)
    {
        struct stat status {};
        EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
        return status;
    }

    TemporaryDirectory dir;
};

TEST_F(ReplaceFile, ReplacesTheContentAndKeepsThePermissions)
{
    for (mode_t mode : {0600, 0640, 0604, 0755}) {
        const auto path = file("doc.txt", "old content", mode);
        const Replaced replaced = ReplaceFileContent(path, "new");
        ASSERT_FALSE(replaced.error) << replaced.error->error.message();
        EXPECT_EQ(ReadBytes(path), "new");
        EXPECT_EQ(Status(path).st_mode & 07777, mode);
        EXPECT_EQ(replaced.stamp, ReadDocumentFile(path).stamp);
        EXPECT_EQ(strays({"doc.txt"}), std::vector<std::string>{});
    }
}

TEST_F(ReplaceFile, KeepsTheOwnerAndGroup)
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

TEST_F(ReplaceFile, ASymbolicLinkStaysALinkAndItsTargetIsReplaced)
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

struct Refusal {
    const char* what;
    std::function<fs::path(ReplaceFile&, ReplaceOptions&)> arrange;
    std::error_code expected;

    friend void PrintTo(const Refusal& r, std::ostream* os) { *os << r.what; }
};

class Refusals : public ReplaceFile, public ::testing::WithParamInterface<Refusal> {};

// Each refusal leaves every byte on disk as it was and no stray file behind.
TEST_P(Refusals, NothingOnDiskChanges)
{
    ReplaceOptions options;
    const fs::path path = GetParam().arrange(*this, options);
    std::map<std::string, std::string> before;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        if (entry.is_regular_file()) {
            before[entry.path().filename().string()] = ReadBytes(entry.path());
        }
    }

    const Replaced replaced = ReplaceFileContent(path, "NEW CONTENT", options);
    ASSERT_TRUE(replaced.error.has_value());
    EXPECT_EQ(replaced.error->error, GetParam().expected) << replaced.error->error.message();
    EXPECT_EQ(replaced.error->path, path);

    std::map<std::string, std::string> after;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        if (entry.is_regular_file()) {
            after[entry.path().filename().string()] = ReadBytes(entry.path());
        }
    }
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusals,
    ::testing::Values(
        Refusal{"read only for its owner, even for root",
                [](ReplaceFile& t, ReplaceOptions&) { return t.file("doc.txt", "old", 0444); },
                FileRefusal::ReadOnly},
        Refusal{"owner may not write though others may",
                [](ReplaceFile& t, ReplaceOptions&) { return t.file("doc.txt", "old", 0066); },
                FileRefusal::ReadOnly},
        Refusal{"hard linked",
                [](ReplaceFile& t, ReplaceOptions&) {
                    const auto path = t.file("doc.txt", "old");
                    fs::create_hard_link(path, t.dir / "other name.txt");
                    return path;
                },
                FileRefusal::HardLinked},
        Refusal{"changed since it was loaded",
                [](ReplaceFile& t, ReplaceOptions& options) {
                    const auto path = t.file("doc.txt", "old");
                    options.expected = ReadDocumentFile(path).stamp;
                    WriteBytes(path, "someone else's");
                    return path;
                },
                FileRefusal::ChangedOnDisk},
        Refusal{"replaced by another file of the same size and time since it was loaded",
                [](ReplaceFile& t, ReplaceOptions& options) {
                    const auto path = t.file("doc.txt", "old");
                    options.expected = ReadDocumentFile(path).stamp;
                    const auto other = t.file("other.txt", "new");
                    fs::last_write_time(other, fs::last_write_time(path));
                    fs::rename(other, path);
                    return path;
                },
                FileRefusal::ChangedOnDisk},
        Refusal{"rewritten in place to the same size with its modification time set back",
                [](ReplaceFile& t, ReplaceOptions& options) {
                    const auto path = t.file("doc.txt", "old");
                    options.expected = ReadDocumentFile(path).stamp;
                    const auto modified = fs::last_write_time(path);
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) << "NEW";
                    fs::last_write_time(path, modified);
                    return path;
                },
                FileRefusal::ChangedOnDisk},
        Refusal{"vanished since it was loaded",
                [](ReplaceFile& t, ReplaceOptions& options) {
                    const auto path = t.file("doc.txt", "old");
                    options.expected = ReadDocumentFile(path).stamp;
                    fs::remove(path);
                    return path;
                },
                std::make_error_code(std::errc::no_such_file_or_directory)},
        Refusal{"a directory",
                [](ReplaceFile& t, ReplaceOptions&) {
                    fs::create_directory(t.dir / "folder");
                    return t.dir / "folder";
                },
                std::make_error_code(std::errc::is_a_directory)},
        Refusal{"not a regular file",
                [](ReplaceFile& t, ReplaceOptions&) {
                    const auto fifo = t.dir / "pipe";
                    EXPECT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
                    return fifo;
                },
                FileRefusal::NotRegularFile},
        Refusal{"a missing document is not created",
                [](ReplaceFile& t, ReplaceOptions&) { return t.dir / "missing.txt"; },
                std::make_error_code(std::errc::no_such_file_or_directory)},
        Refusal{"no temporary file can be made in the directory",
                [](ReplaceFile& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::CreateTemporary, EACCES);
                    return t.file("doc.txt", "old");
                },
                std::make_error_code(std::errc::permission_denied)},
        Refusal{"the disk is full",
                [](ReplaceFile& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Write, ENOSPC);
                    return t.file("doc.txt", "old");
                },
                std::make_error_code(std::errc::no_space_on_device)},
        Refusal{"the disk fails to flush",
                [](ReplaceFile& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Sync, EIO);
                    return t.file("doc.txt", "old");
                },
                std::make_error_code(std::errc::io_error)},
        Refusal{"closing reports a deferred write error",
                [](ReplaceFile& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Close, EDQUOT);
                    return t.file("doc.txt", "old");
                },
                std::error_code(EDQUOT, std::generic_category())},
        Refusal{"the rename fails",
                [](ReplaceFile& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Rename, EBUSY);
                    return t.file("doc.txt", "old");
                },
                std::make_error_code(std::errc::device_or_resource_busy)}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return ParamName(info.param.what); });

// A real full disk, as the system reports it: a child process whose file
// size limit is below the new content.
TEST_F(ReplaceFile, AWriteCutShortByTheSystemLeavesTheOldContent)
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

TEST_F(ReplaceFile, AFileTooLargeForTheMemoryIsRefusedBeforeReading)
{
    const auto path = file("doc.txt", std::string(1000, 'x'));
    ReadOptions options;
    options.memoryAvailable = MemoryNeededFor(1000) - 1;
    const LoadedDocument refused = ReadDocumentFile(path, options);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->error, FileRefusal::TooLarge);
    EXPECT_TRUE(refused.bytes.empty());

    options.memoryAvailable = MemoryNeededFor(1000);
    const LoadedDocument loaded = ReadDocumentFile(path, options);
    ASSERT_FALSE(loaded.error);
    EXPECT_EQ(loaded.bytes.size(), 1000u);
}

TEST_F(ReplaceFile, ReadingAndWritingReportTheirProgressToTheEnd)
{
    const std::string content(20u << 20, 'x');
    const auto path = file("doc.txt", "old");
    std::vector<std::uint64_t> written;
    ReplaceOptions options;
    options.suffix = "\r\n";
    options.progress = [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(total, content.size() + 2);
        written.push_back(done);
        return true;
    };
    ASSERT_FALSE(ReplaceFileContent(path, content, options).error);
    EXPECT_EQ(ReadBytes(path), content + "\r\n");
    ASSERT_GE(written.size(), 3u);
    EXPECT_EQ(written.back(), content.size() + 2);

    std::vector<std::uint64_t> read;
    ReadOptions reading;
    reading.progress = [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(total, content.size() + 2);
        read.push_back(done);
        return true;
    };
    EXPECT_EQ(ReadDocumentFile(path, reading).bytes.size(), content.size() + 2);
    EXPECT_GE(read.size(), 3u);
}

TEST_F(ReplaceFile, ALargeContentOfAnOddSizeIsWrittenExactly)
{
    tuning::SetDirectWritesFrom(32u << 20);  // straight to the disk, and its unaligned end
    std::string content((35u << 20) + 4093, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 7 + i / 4096);
    }
    const auto path = file("doc.txt", "old");
    ReplaceOptions options;
    options.suffix = "\r\n";
    ASSERT_FALSE(ReplaceFileContent(path, content, options).error);
    EXPECT_TRUE(ReadBytes(path) == content + "\r\n");
    EXPECT_EQ(strays({"doc.txt"}), std::vector<std::string>{});
}

TEST_F(ReplaceFile, TheKeyFileMayBeMadeNew)
{
    ReplaceOptions options;
    options.createIfMissing = true;
    const mode_t mask = ::umask(022);
    const Replaced replaced = ReplaceFileContent(dir / "temp.jxv", "key", options);
    ::umask(mask);
    ASSERT_FALSE(replaced.error);
    EXPECT_EQ(ReadBytes(dir / "temp.jxv"), "key");
    EXPECT_EQ(Status(dir / "temp.jxv").st_mode & 07777, 0644u);
}

TEST_F(ReplaceFile, LeftoversOfACrashAreNeitherTouchedNorTakenForTheFile)
{
    const auto path = file("doc.txt", "old");
    WriteBytes(dir / ".quilvane-leftover0.tmp", "half written");
    ASSERT_FALSE(ReplaceFileContent(path, "new").error);
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(ReadBytes(dir / ".quilvane-leftover0.tmp"), "half written");
    EXPECT_EQ(strays({"doc.txt", ".quilvane-leftover0.tmp"}), std::vector<std::string>{});
}

}  // namespace
}  // namespace quilvane::testing
