// The one road by which the program changes a file: atomic, durable, keeping
// what the user expects of the file, and refusing before any damage. The
// cases every platform shares; each platform's own are in posix/ and win32/.
#include "ReplaceFileFixture.hpp"

#include "platform/FileRefusal.hpp"

#include <chrono>
#include <new>
#include <utility>
#include <fstream>
#include <thread>

namespace quilvane::testing {
namespace {

TEST_F(FileReplacement, ReplacesTheContentOfAFileWithAChineseName)
{
    const auto path = file(u8"加密文档.txt", "old content");
    const Replaced replaced = ReplaceFileContent(path, "new");
    ASSERT_FALSE(replaced.error) << replaced.error->error.message();
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(replaced.stamp, StampNow(path));
    EXPECT_EQ(strays({"加密文档.txt"}), std::vector<std::string>{});
}

// Each refusal leaves every byte on disk as it was and no stray file behind.
TEST_P(Refusals, NothingOnDiskChanges)
{
    ReplaceOptions options;
    const fs::path path = GetParam().arrange(*this, options);
    const auto before = contents();

    const Replaced replaced = ReplaceFileContent(path, "NEW CONTENT", options);
    ASSERT_TRUE(replaced.error.has_value());
    EXPECT_TRUE(SameReason(replaced.error->error, GetParam().expected));
    EXPECT_EQ(replaced.error->path, path);
    EXPECT_EQ(contents(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Shared, Refusals,
    ::testing::Values(
        Refusal{"hard linked",
                [](FileReplacement& t, ReplaceOptions&) {
                    const auto path = t.file(u8"文档.txt", "old");
                    fs::create_hard_link(path, t.dir / u8"另一个名称.txt");
                    return path;
                },
                FileRefusal::HardLinked},
        Refusal{"changed since it was loaded",
                [](FileReplacement& t, ReplaceOptions& options) {
                    const auto path = t.file(u8"文档.txt", "old");
                    options.expected = StampNow(path);
                    WriteBytes(path, "someone else's");
                    return path;
                },
                FileRefusal::ChangedOnDisk},
        Refusal{"replaced by another file of the same size and time since it was loaded",
                [](FileReplacement& t, ReplaceOptions& options) {
                    const auto path = t.file(u8"文档.txt", "old");
                    options.expected = StampNow(path);
                    const auto other = t.file(u8"别的.txt", "new");
                    fs::last_write_time(other, fs::last_write_time(path));
                    fs::rename(other, path);
                    return path;
                },
                FileRefusal::ChangedOnDisk},
        Refusal{"rewritten in place to the same size with its modification time set back",
                [](FileReplacement& t, ReplaceOptions& options) {
                    const auto path = t.file(u8"文档.txt", "old");
                    options.expected = StampNow(path);
                    const auto modified = fs::last_write_time(path);
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) << "NEW";
                    fs::last_write_time(path, modified);
                    return path;
                },
                FileRefusal::ChangedOnDisk},
        Refusal{"vanished since it was loaded",
                [](FileReplacement& t, ReplaceOptions& options) {
                    const auto path = t.file(u8"文档.txt", "old");
                    options.expected = StampNow(path);
                    fs::remove(path);
                    return path;
                },
                std::make_error_code(std::errc::no_such_file_or_directory)},
        Refusal{"a directory",
                [](FileReplacement& t, ReplaceOptions&) {
                    fs::create_directory(t.dir / u8"文件夹");
                    return t.dir / u8"文件夹";
                },
                std::make_error_code(std::errc::is_a_directory)},
        Refusal{"a missing document is not created",
                [](FileReplacement& t, ReplaceOptions&) { return t.dir / u8"不存在.txt"; },
                std::make_error_code(std::errc::no_such_file_or_directory)}),
    RefusalName);

// A document is never read whole: its beginning for the view, and the
// stamp of all of it.
TEST_F(FileReplacement, ReadsTheBeginningOfAFileAndTheStampOfAllOfIt)
{
    const std::string content = std::string("\r\n\0\xD6\xD0", 5) + std::string(5000, 'x');
    const auto path = file(u8"文档.txt", content);
    for (const std::size_t limit : {std::size_t{0}, std::size_t{1}, std::size_t{4}, std::size_t{4096}, std::size_t{1} << 20}) {
        const LoadedDocument loaded = ReadDocumentStart(path, limit);
        ASSERT_FALSE(loaded.error) << limit;
        EXPECT_EQ(loaded.bytes, content.substr(0, limit)) << limit;
        EXPECT_EQ(loaded.stamp.size, static_cast<std::int64_t>(content.size())) << limit;
    }
}

// However large the file, opening it reads only its beginning: a file
// larger than any memory opens at once.
TEST_F(FileReplacement, AFileLargerThanAnyMemoryOpensAtOnce)
{
    const auto path = dir / u8"巨大.txt";
    const std::uint64_t huge = std::uint64_t{1} << 43;  // 8 TiB, sparse where the system allows
    {
        std::ofstream out(path, std::ios::binary);
        out.seekp(static_cast<std::streamoff>(huge - 1));
        out.put('x');
    }
    std::error_code error;
    if (fs::file_size(path, error) != huge) {
        GTEST_SKIP() << "this filesystem cannot hold a sparse file of 8 TiB";
    }
    const LoadedDocument loaded = ReadDocumentStart(path, 1u << 20);
    ASSERT_FALSE(loaded.error);
    EXPECT_EQ(loaded.bytes, std::string(1u << 20, '\0'));
    EXPECT_EQ(static_cast<std::uint64_t>(loaded.stamp.size), huge);
}

TEST_F(FileReplacement, WritingReportsItsProgressToTheEnd)
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

}

TEST_F(FileReplacement, ALargeContentOfAnOddSizeIsWrittenExactly)
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

TEST_F(FileReplacement, TheKeyFileMayBeMadeNew)
{
    ReplaceOptions options;
    options.createIfMissing = true;
    const Replaced replaced = ReplaceFileContent(dir / "temp.jxv", "key", options);
    ASSERT_FALSE(replaced.error);
    EXPECT_EQ(ReadBytes(dir / "temp.jxv"), "key");
    EXPECT_EQ(replaced.stamp, StampNow(dir / "temp.jxv"));
    EXPECT_EQ(strays({"temp.jxv"}), std::vector<std::string>{});
}

// Another program appends to the file while the new content is written:
// the stamp is looked at again right before the rename, and its edit stays.
TEST_F(FileReplacement, AnEditMadeDuringTheWriteIsKept)
{
    for (const std::size_t size : {std::size_t{16}, std::size_t{12u << 20}}) {
        const auto path = file(u8"共享文档.txt", "old content");
        ReplaceOptions options;
        options.expected = StampNow(path);
        faults::WhenReached(faults::Step::Rename, [&] {
            std::ofstream(path, std::ios::binary | std::ios::app) << ", another program's line";
        });
        const Replaced replaced = ReplaceFileContent(path, std::string(size, 'n'), options);
        faults::Clear();
        ASSERT_TRUE(replaced.error) << size;
        EXPECT_EQ(replaced.error->error, FileRefusal::ChangedOnDisk);
        EXPECT_FALSE(replaced.contentReplaced);
        EXPECT_EQ(ReadBytes(path), "old content, another program's line");
        EXPECT_EQ(strays({"共享文档.txt"}), std::vector<std::string>{});
    }
}

// No memory for a buffer, a source that fails half way, a thread that will
// not start: whatever throws inside a replace comes back as its failure,
// with the temporary file gone and the file as it was.
TEST_F(FileReplacement, AFailureThatComesAsAnExceptionLeavesTheFileAsItWas)
{
    struct Case {
        const char* what;
        std::size_t size;
        bool writerThrows;  // else the source throws on its second stretch
        bool direct;        // straight to the disk, from the writer's own thread
    };
    for (const Case& c : {Case{"the writer, small", 100, true, false}, Case{"the writer, large", 20u << 20, true, false},
                          Case{"the writer's thread, direct", 20u << 20, true, true},
                          Case{"the source, large", 20u << 20, false, false},
                          Case{"the source, direct", 20u << 20, false, true}}) {
        tuning::SetDirectWritesFrom(c.direct ? 1u << 20 : ~std::uint64_t{0});
        const auto path = file("doc.txt", "old content");
        if (c.writerThrows) {
            faults::WhenReached(faults::Step::Write, [] { throw std::bad_alloc(); });
        }
        const std::string content(c.size, 'n');
        int given = 0;
        const Replaced replaced = ReplaceFileContentFrom(path, content.size(), [&](std::string_view& stretch) {
            if (++given == 2 && !c.writerThrows) {
                throw std::bad_alloc();
            }
            const std::size_t half = content.size() / 2;
            stretch = given == 1   ? std::string_view(content).substr(0, half)
                      : given == 2 ? std::string_view(content).substr(half)
                                   : std::string_view();
            return true;
        });
        faults::Clear();
        ASSERT_TRUE(replaced.error) << c.what;
        EXPECT_EQ(replaced.error->error, std::errc::not_enough_memory) << c.what;
        EXPECT_EQ(ReadBytes(path), "old content") << c.what;
        EXPECT_EQ(strays({"doc.txt"}), std::vector<std::string>{}) << c.what;
    }
}

// What reaches the disk is checked against what was to be written.
TEST_F(FileReplacement, ASourceThatGivesLessThanItPromisedIsNotTakenForTheContent)
{
    const auto path = file("doc.txt", "old content");
    bool given = false;
    const Replaced replaced = ReplaceFileContentFrom(path, 10, [&](std::string_view& stretch) {
        stretch = std::exchange(given, true) ? "" : "short";
        return true;
    });
    ASSERT_TRUE(replaced.error);
    EXPECT_FALSE(replaced.contentReplaced);
    EXPECT_EQ(ReadBytes(path), "old content");
    EXPECT_EQ(strays({"doc.txt"}), std::vector<std::string>{});
}

// A source that cannot make the rest of the content (a character that would
// not come back, a failed read) abandons the replace half way.
TEST_F(FileReplacement, ASourceThatGivesUpHalfWayReplacesNothing)
{
    const auto path = file("doc.txt", "old content");
    const std::string stretch(5u << 20, 'n');
    int given = 0;
    const Replaced replaced = ReplaceFileContentFrom(path, kSizeUnknown, [&](std::string_view& next) {
        next = stretch;
        return ++given < 4;
    });
    ASSERT_TRUE(replaced.error);
    EXPECT_EQ(replaced.error->error, std::errc::operation_canceled);
    EXPECT_FALSE(replaced.contentReplaced);
    EXPECT_EQ(ReadBytes(path), "old content");
    EXPECT_EQ(strays({"doc.txt"}), std::vector<std::string>{});
}

TEST_F(FileReplacement, LeftoversOfACrashAreNeitherTouchedNorTakenForTheFile)
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
