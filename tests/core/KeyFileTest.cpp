#include "password/KeyFile.hpp"

#include "ParamName.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;
using quilvane::KeyFileContent;
using quilvane::KeyFileError;
using quilvane::ParseKeyShift;
using quilvane::ReadKeyShift;
using quilvane::WriteKeyFile;

namespace {

class KeyFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        directory_ = fs::temp_directory_path() /
                     ("quilvane-keyfile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                      "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory_);
        fs::create_directories(directory_);
    }
    void TearDown() override { fs::remove_all(directory_); }

    std::string readKeyFileBytes() const
    {
        std::ifstream in(directory_ / "temp.jxv", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void writeKeyFileBytes(const std::string& bytes) const
    {
        std::ofstream(directory_ / "temp.jxv", std::ios::binary) << bytes;
    }

    fs::path directory_;
};

const std::string kHeader = "This is a important file.Dont`t rewrite me!6,2,1,";

TEST(KeyFileContent, IsTheHeaderThenThePrintedDigitThenCrLf)
{
    EXPECT_EQ(kHeader.size(), 49u);
    EXPECT_EQ(KeyFileContent(4), kHeader + " 4 \r\n");
    EXPECT_EQ(KeyFileContent(6), "This is a important file.Dont`t rewrite me!6,2,1, 6 \r\n");
    EXPECT_EQ(KeyFileContent(-3), kHeader + "-3 \r\n");
}

TEST_F(KeyFileTest, EveryKeyDigitIsWrittenExactlyAndReadsBackAsShiftTwo)
{
    for (std::int16_t digit = 1; digit <= 6; ++digit) {
        ASSERT_FALSE(WriteKeyFile(directory_, digit).has_value());
        EXPECT_EQ(readKeyFileBytes(), kHeader + " " + std::to_string(digit) + " \r\n");
        const auto shift = ReadKeyShift(directory_);
        EXPECT_FALSE(shift.error.has_value());
        EXPECT_EQ(shift.shift, 2);
    }
}

TEST_F(KeyFileTest, WritingTwiceLeavesOneLine)
{
    writeKeyFileBytes(std::string(500, 'x') + "\r\nold line\r\n");
    ASSERT_FALSE(WriteKeyFile(directory_, 3).has_value());
    ASSERT_FALSE(WriteKeyFile(directory_, 5).has_value());
    EXPECT_EQ(readKeyFileBytes(), kHeader + " 5 \r\n");
}

// In a folder others may write, someone may plant the key file as a link to
// a file of the user's: the link is replaced (or, where the system cannot
// replace a link by itself, the key is refused), and the file it points at
// is never written.
TEST_F(KeyFileTest, APlantedLinkIsNeverFollowed)
{
    const fs::path victim = directory_ / "victim.txt";
    std::ofstream(victim, std::ios::binary) << "the user's own text\n";
    std::error_code linkError;
    fs::create_symlink(victim, directory_ / "temp.jxv", linkError);
    if (linkError) {
        GTEST_SKIP() << "symbolic links cannot be made here: " << linkError.message();
    }

    const auto written = WriteKeyFile(directory_, 4);

    std::ifstream in(victim, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the user's own text\n");
    if (!written) {
        EXPECT_FALSE(fs::is_symlink(directory_ / "temp.jxv"));
        EXPECT_EQ(readKeyFileBytes(), kHeader + " 4 \r\n");
    }
}

struct ParseCase {
    const char* what;
    std::string content;
    std::optional<int> shift;                     // expected shift, or
    KeyFileError::Kind error = KeyFileError::Kind::TooFewFields;  // the error

    friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.what; }
};

class KeyFileParsing : public testing::TestWithParam<ParseCase> {};

TEST_P(KeyFileParsing, ReadsTheSecondField)
{
    const ParseCase& c = GetParam();
    const auto result = ParseKeyShift(c.content, "temp.jxv");
    if (c.shift) {
        ASSERT_FALSE(result.error.has_value()) << c.what;
        EXPECT_EQ(result.shift, *c.shift) << c.what;
    } else {
        ASSERT_TRUE(result.error.has_value()) << c.what;
        EXPECT_EQ(result.error->kind, c.error) << c.what;
    }
}

using Kind = KeyFileError::Kind;
INSTANTIATE_TEST_SUITE_P(
    Contents, KeyFileParsing,
    testing::Values(
        ParseCase{"written by the earlier program", kHeader + " 6 \r\n", 2},
        ParseCase{"no final line end", kHeader + " 1 ", 2},
        ParseCase{"unix line end", kHeader + " 1 \n", 2},
        ParseCase{"blanks around the number", "x,  7  ,y", 7},
        ParseCase{"fields continue on the next line", "first\r\n2\r\n", 2},
        ParseCase{"quoted first field keeps its comma", "\"a,b\",3", 3},
        ParseCase{"negative number", "x,-2", -2},
        ParseCase{"empty file", "", std::nullopt, Kind::TooFewFields},
        ParseCase{"only blanks", "   \r\n", std::nullopt, Kind::TooFewFields},
        ParseCase{"one field", "This is a important file\r\n", std::nullopt, Kind::TooFewFields},
        ParseCase{"second field is text", "x,two", std::nullopt, Kind::NotANumber},
        ParseCase{"second field is empty", "x,,3", std::nullopt, Kind::NotANumber},
        ParseCase{"second field has a fraction", "x,2.5", std::nullopt, Kind::NotANumber},
        ParseCase{"second field overflows", "x,99999", std::nullopt, Kind::NotANumber},
        ParseCase{"two signs", "x,+-5", std::nullopt, Kind::NotANumber},
        ParseCase{"binary junk", std::string("\x00\xFF\x81,\x01\x02", 6), std::nullopt, Kind::NotANumber}),
    [](const testing::TestParamInfo<ParseCase>& info) { return ParamName(info.param.what); });

TEST_F(KeyFileTest, AHugeFileIsReadByItsBeginning)
{
    writeKeyFileBytes(kHeader + " 4 \r\n" + std::string(10 * 1024 * 1024, 'z'));
    const auto shift = ReadKeyShift(directory_);
    EXPECT_FALSE(shift.error.has_value());
    EXPECT_EQ(shift.shift, 2);
}

TEST_F(KeyFileTest, AMissingFileIsAnErrorNamingIt)
{
    const auto shift = ReadKeyShift(directory_);
    ASSERT_TRUE(shift.error.has_value());
    EXPECT_EQ(shift.error->kind, Kind::CannotRead);
    EXPECT_EQ(shift.error->path, directory_ / "temp.jxv");
    EXPECT_EQ(shift.error->systemError, std::errc::no_such_file_or_directory);
}

TEST_F(KeyFileTest, AKeyFileThatIsADirectoryCannotBeReadOrWritten)
{
    fs::create_directory(directory_ / "temp.jxv");
    const auto shift = ReadKeyShift(directory_);
    ASSERT_TRUE(shift.error.has_value());
    EXPECT_EQ(shift.error->kind, Kind::CannotRead);

    const auto written = WriteKeyFile(directory_, 4);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->kind, Kind::CannotWrite);
    EXPECT_TRUE(written->systemError);
}

TEST_F(KeyFileTest, AMissingDirectoryCannotBeWritten)
{
    const auto written = WriteKeyFile(directory_ / "no such directory", 4);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->kind, Kind::CannotWrite);
    EXPECT_EQ(written->systemError, std::errc::no_such_file_or_directory);
}

}  // namespace
