// The small file operations behind the key file.
#include "platform/FileAccess.hpp"

#include "../handlers/ScriptedView.hpp"

#include <gtest/gtest.h>

namespace quilvane::testing {
namespace {

TEST(FileAccess, ADirectoryAcceptsNewFilesWhenOneCanBeMadeThere)
{
    TemporaryDirectory dir;
    EXPECT_TRUE(DirectoryAcceptsNewFiles(dir.path()));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "the trial file was left behind";
    EXPECT_FALSE(DirectoryAcceptsNewFiles(dir / u8"不存在的文件夹"));
    WriteBytes(dir / u8"一个文件", "x");
    EXPECT_FALSE(DirectoryAcceptsNewFiles(dir / u8"一个文件"));
}

TEST(FileAccess, ReadsTheStartOfAFileUpToTheLimit)
{
    TemporaryDirectory dir;
    const auto path = dir / u8"密钥.jxv";
    WriteBytes(path, "0123456789");
    std::string bytes;
    EXPECT_FALSE(ReadFileStart(path, 4, bytes));
    EXPECT_EQ(bytes, "0123");
    EXPECT_FALSE(ReadFileStart(path, 100, bytes));
    EXPECT_EQ(bytes, "0123456789");
    EXPECT_EQ(ReadFileStart(dir / "missing", 100, bytes), std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace quilvane::testing
