// Encrypting and decrypting a document onto its file in one pass, a stretch
// at a time: whatever the size, the file holds the shifted text, and a
// refusal or failure anywhere in the pass leaves the file as it was.
#include "transform/DocumentWrite.hpp"

#include "platform/FileFaults.hpp"
#include "platform/FileRefusal.hpp"
#include "transform/ShiftText.hpp"

#include "../handlers/ScriptedView.hpp"
#include "ParamName.hpp"
#include "PlatformErrors.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
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

class DocumentWriteTest : public ::testing::Test {
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
    // The document as opening the file makes it (the excerpt does not
    // matter to the write).
    static Document Opened(const fs::path& path)
    {
        Document document;
        document.file = path;
        document.stamp = ReadDocumentStart(path, 0).stamp;
        return document;
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

class Sizes : public DocumentWriteTest, public ::testing::WithParamInterface<Sized> {};

// Small and middle contents are written through the page cache on the
// calling thread, large ones straight to the disk by the writer thread; all
// are read a stretch at a time.
TEST_P(Sizes, TheFileHoldsTheShiftedTextAndComesBack)
{
    const std::string plain = GetParam().text();
    const std::string expected = ShiftText(plain, -2);
    const auto path = file(plain);
    std::uint64_t lastRead = 0;
    const DocumentWrite written =
        WriteShiftedDocument(Opened(path), -2, false, "\r\n", [&](std::uint64_t done, std::uint64_t total) {
            EXPECT_EQ(total, plain.size());
            EXPECT_GE(done, lastRead);
            lastRead = done;
        });
    ASSERT_TRUE(written.comesBack);
    ASSERT_FALSE(written.replaced.error) << written.replaced.error->error.message();
    EXPECT_TRUE(ReadBytes(path) == expected + "\r\n") << "the file does not hold the shifted text";
    EXPECT_EQ(lastRead, plain.size());
    EXPECT_EQ(names(), std::vector<std::string>{"doc.txt"});
    EXPECT_EQ(written.written.stamp, ReadDocumentStart(path, 0).stamp);
    EXPECT_EQ(written.written.dropped, 2u);

    // Shown again as plain text (Cancel), the document encrypts to the same bytes.
    Document shownPlain = written.written;
    shownPlain.shift = +2;
    const DocumentWrite again = WriteShiftedDocument(shownPlain, -2, false, "\r\n");
    ASSERT_TRUE(again.comesBack && !again.replaced.error);
    EXPECT_TRUE(ReadBytes(path) == expected + "\r\n");

    // And back, as decryption does it: the line end goes.
    const DocumentWrite back = WriteShiftedDocument(Opened(path), +2, true, {});
    ASSERT_TRUE(back.comesBack && !back.replaced.error);
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

// Found far into the pass: the new file made so far goes, the file stays.
TEST_F(DocumentWriteTest, AChangeThatCannotBeUndoneIsRefusedAndNothingIsReplaced)
{
    // 0x7F moved up two is a lead byte that would take the next character.
    const std::string plain = Prose(20 * kMiB) + "\x7F" + "tail";
    const auto path = file(plain);
    const DocumentWrite written = WriteShiftedDocument(Opened(path), +2, true, {});
    EXPECT_FALSE(written.comesBack);
    EXPECT_FALSE(written.replaced.contentReplaced);
    EXPECT_TRUE(ReadBytes(path) == plain);
    EXPECT_EQ(names(), std::vector<std::string>{"doc.txt"});
}

struct Failure {
    const char* what;
    std::size_t size;
    std::function<void(const fs::path&, Document&)> arrange;
    std::error_code expected;
    std::size_t keeps = std::string::npos;  // of the file's bytes: all, or what another program left

    friend void PrintTo(const Failure& f, std::ostream* os) { *os << f.what; }
};

class Failures : public DocumentWriteTest, public ::testing::WithParamInterface<Failure> {};

// However far the reading and the writer have come, the file keeps its
// content (its own, or the one another program gave it) and no temporary
// file stays.
TEST_P(Failures, LeaveTheFileAsItWas)
{
    const std::string plain = Prose(GetParam().size);
    const auto path = file(plain);
    Document document = Opened(path);
    GetParam().arrange(path, document);
    const DocumentWrite written = WriteShiftedDocument(document, -2, false, "\r\n");
    ASSERT_TRUE(written.comesBack);
    ASSERT_TRUE(written.replaced.error);
    EXPECT_EQ(written.replaced.error->error, GetParam().expected) << written.replaced.error->error.message();
    EXPECT_FALSE(written.replaced.contentReplaced);
    EXPECT_TRUE(ReadBytes(path) == plain.substr(0, GetParam().keeps)) << "the file changed";
    EXPECT_EQ(names(), std::vector<std::string>{"doc.txt"});
}

const auto FailAt = [](faults::Step step, int error, std::uint64_t after = 0) {
    return [=](const fs::path&, Document&) { faults::FailNext(step, error, after); };
};

INSTANTIATE_TEST_SUITE_P(
    Cases, Failures,
    ::testing::Values(
        Failure{"direct write fails at once", 40 * kMiB + 5, FailAt(faults::Step::Write, kDiskFull),
                SystemCode(kDiskFull)},
        Failure{"direct write fails half way", 40 * kMiB + 5, FailAt(faults::Step::Write, kDiskFull, 16 * kMiB),
                SystemCode(kDiskFull)},
        Failure{"direct write fails at the unaligned end", 40 * kMiB + 5,
                FailAt(faults::Step::Write, kDiskError, 40 * kMiB), SystemCode(kDiskError)},
        Failure{"buffered write fails half way", 20 * kMiB + 5, FailAt(faults::Step::Write, kQuotaExceeded, 9 * kMiB),
                SystemCode(kQuotaExceeded)},
        Failure{"small write fails", 1000, FailAt(faults::Step::Write, kDiskFull), SystemCode(kDiskFull)},
        Failure{"flush fails after the whole write", 40 * kMiB + 5, FailAt(faults::Step::Sync, kDiskError),
                SystemCode(kDiskError)},
        Failure{"rename fails", 40 * kMiB + 5, FailAt(faults::Step::Rename, kBusy), SystemCode(kBusy)},
        Failure{"the file changed since it was read", 20 * kMiB,
                [](const fs::path&, Document& document) { document.stamp.modified -= 1; },
                FileRefusal::ChangedOnDisk},
        Failure{"reading fails half way", 20 * kMiB + 5, FailAt(faults::Step::Read, kDiskError, 9 * kMiB),
                SystemCode(kDiskError)},
        Failure{"another program cuts the file short while it is read", 20 * kMiB,
                [](const fs::path& path, Document&) {
                    faults::WhenReached(faults::Step::Read, [path, cut = false]() mutable {
                        if (!std::exchange(cut, true)) {
                            fs::resize_file(path, 3 * kMiB);
                        }
                    });
                },
                FileRefusal::ChangedOnDisk, 3 * kMiB}),
    [](const ::testing::TestParamInfo<Failure>& info) { return ParamName(info.param.what); });

}  // namespace
}  // namespace quilvane::testing
