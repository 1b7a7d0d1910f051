// Encrypting and decrypting onto the file while the document is shifted: the
// check comes before any write, and a failure anywhere leaves the file and
// the document as they were.
#include "transform/ShiftedWrite.hpp"

#include "platform/FileFaults.hpp"
#include "platform/FileRefusal.hpp"

#include "../handlers/ScriptedView.hpp"
#include "ParamName.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace quilvane::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMiB = 1u << 20;

// GBK text that keeps its length under encryption: ASCII and hanzi.
std::string Prose(std::size_t size)
{
    std::mt19937 random(static_cast<std::uint32_t>(size));
    std::string text;
    text.reserve(size);
    while (text.size() + 1 < size) {
        if (random() % 3 == 0) {
            text += static_cast<char>(0x20 + random() % 0x5F);
        } else {
            text += static_cast<char>(0xB0 + random() % 0x48);
            text += static_cast<char>(0xA1 + random() % 0x5E);
        }
    }
    text.resize(size, 'x');
    return text;
}

// Contents from 32 MiB on take the direct road to the disk here, as the
// largest documents do.
constexpr std::uint64_t kDirectFrom = 32 * kMiB;

class WriteShiftedTest : public ::testing::Test {
public:
    void SetUp() override { tuning::SetDirectWritesFrom(kDirectFrom); }
    void TearDown() override
    {
        faults::Clear();
        tuning::ResetDirectWritesFrom();
    }

    fs::path file(const std::string& bytes)
    {
        const auto path = dir / "doc.txt";
        WriteBytes(path, bytes);
        return path;
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            found.push_back(entry.path().filename().string());
        }
        return found;
    }

    TemporaryDirectory dir;
};

struct Sized {
    const char* what;
    std::function<std::string()> text;  // made when the case runs, not for every case

    friend void PrintTo(const Sized& s, std::ostream* os) { *os << s.what; }
};

class Sizes : public WriteShiftedTest, public ::testing::WithParamInterface<Sized> {};

// Small contents are written on the calling thread, middle ones through the
// page cache by the writer thread, large ones straight to the disk.
TEST_P(Sizes, TheFileAndTheDocumentHoldTheShiftedText)
{
    const std::string plain = GetParam().text();
    const std::string expected = ShiftText(plain, -2);
    const auto path = file(plain);
    ReplaceOptions options;
    options.suffix = "\r\n";
    std::uint64_t lastWritten = 0;
    options.progress = [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(total, expected.size() + 2);
        EXPECT_GE(done, lastWritten);
        lastWritten = done;
        return true;
    };
    std::string document = plain;
    const ShiftedWrite written = WriteShifted(document, -2, path, options);
    ASSERT_TRUE(written.comesBack);
    ASSERT_FALSE(written.replaced.error) << written.replaced.error->error.message();
    EXPECT_TRUE(document == expected) << "the document does not hold the shifted text";
    EXPECT_TRUE(ReadBytes(path) == expected + "\r\n") << "the file does not hold the shifted text";
    EXPECT_EQ(lastWritten, expected.size() + 2);
    EXPECT_EQ(names(), std::vector<std::string>{"doc.txt"});

    // And back, as decryption does it.
    const ShiftedWrite back = WriteShifted(document, +2, path, {});
    ASSERT_TRUE(back.comesBack && !back.replaced.error);
    EXPECT_TRUE(document == plain);
    EXPECT_TRUE(ReadBytes(path) == plain);
}

INSTANTIATE_TEST_SUITE_P(Cases, Sizes,
                         ::testing::Values(Sized{"empty", [] { return std::string(); }},
                                           Sized{"one character", [] { return std::string("A"); }},
                                           Sized{"a hanzi cut by the end", [] { return std::string("abc\xB0"); }},
                                           Sized{"one megabyte and a bit", [] { return Prose(kMiB + 3); }},
                                           Sized{"twenty megabytes", [] { return Prose(20 * kMiB + 1); }},
                                           Sized{"forty megabytes of an odd size", [] { return Prose(40 * kMiB + 123); }},
                                           Sized{"a character that grows, far in",
                                                 [] { return Prose(40 * kMiB) + '\0' + "tail"; }},
                                           Sized{"a character that grows, first",
                                                 [] { return '\0' + Prose(20 * kMiB); }}),
                         [](const ::testing::TestParamInfo<Sized>& info) { return ParamName(info.param.what); });

TEST_F(WriteShiftedTest, AChangeThatCannotBeUndoneIsRefusedBeforeAnyFileIsMade)
{
    // 0x7F moved up two is a lead byte that would take the next character.
    const std::string plain = Prose(20 * kMiB) + "\x7F" + "tail";
    const auto path = file(plain);
    std::string document = plain;
    faults::FailNext(faults::Step::CreateTemporary, EACCES);
    const ShiftedWrite written = WriteShifted(document, +2, path, {});
    EXPECT_FALSE(written.comesBack);
    EXPECT_EQ(faults::Injected(faults::Step::CreateTemporary), EACCES) << "a temporary file was started";
    EXPECT_TRUE(document == plain);
    EXPECT_TRUE(ReadBytes(path) == plain);
    EXPECT_EQ(names(), std::vector<std::string>{"doc.txt"});
}

struct Failure {
    const char* what;
    std::size_t size;
    std::function<void(const fs::path&, ReplaceOptions&)> arrange;
    std::error_code expected;

    friend void PrintTo(const Failure& f, std::ostream* os) { *os << f.what; }
};

class Failures : public WriteShiftedTest, public ::testing::WithParamInterface<Failure> {};

// However far the writer has come, the file keeps its old content, no
// temporary file stays, and the document is shifted back as it was.
TEST_P(Failures, LeaveTheFileAndTheDocumentAsTheyWere)
{
    const std::string plain = Prose(GetParam().size);
    const auto path = file(plain);
    ReplaceOptions options;
    options.suffix = "\r\n";
    GetParam().arrange(path, options);
    std::string document = plain;
    const ShiftedWrite written = WriteShifted(document, -2, path, options);
    ASSERT_TRUE(written.comesBack);
    ASSERT_TRUE(written.replaced.error);
    EXPECT_EQ(written.replaced.error->error, GetParam().expected) << written.replaced.error->error.message();
    EXPECT_TRUE(document == plain) << "the document was not restored";
    EXPECT_TRUE(ReadBytes(path) == plain) << "the file changed";
    EXPECT_EQ(names(), std::vector<std::string>{"doc.txt"});
}

const auto FailAt = [](faults::Step step, int error, std::uint64_t after = 0) {
    return [=](const fs::path&, ReplaceOptions&) { faults::FailNext(step, error, after); };
};

INSTANTIATE_TEST_SUITE_P(
    Cases, Failures,
    ::testing::Values(
        Failure{"direct write fails at once", 40 * kMiB + 5, FailAt(faults::Step::Write, ENOSPC),
                std::make_error_code(std::errc::no_space_on_device)},
        Failure{"direct write fails half way", 40 * kMiB + 5, FailAt(faults::Step::Write, ENOSPC, 16 * kMiB),
                std::make_error_code(std::errc::no_space_on_device)},
        Failure{"direct write fails at the unaligned end", 40 * kMiB + 5, FailAt(faults::Step::Write, EIO, 40 * kMiB),
                std::make_error_code(std::errc::io_error)},
        Failure{"buffered write fails half way", 20 * kMiB + 5, FailAt(faults::Step::Write, EDQUOT, 9 * kMiB),
                std::error_code(EDQUOT, std::generic_category())},
        Failure{"small write fails", 1000, FailAt(faults::Step::Write, ENOSPC),
                std::make_error_code(std::errc::no_space_on_device)},
        Failure{"flush fails after the whole write", 40 * kMiB + 5, FailAt(faults::Step::Sync, EIO),
                std::make_error_code(std::errc::io_error)},
        Failure{"rename fails", 40 * kMiB + 5, FailAt(faults::Step::Rename, EBUSY),
                std::make_error_code(std::errc::device_or_resource_busy)},
        Failure{"the file changed since it was read", 20 * kMiB,
                [](const fs::path& path, ReplaceOptions& options) {
                    options.expected = ReadDocumentFile(path).stamp;
                    options.expected.modified -= 1;
                },
                FileRefusal::ChangedOnDisk}),
    [](const ::testing::TestParamInfo<Failure>& info) { return ParamName(info.param.what); });

}  // namespace
}  // namespace quilvane::testing
