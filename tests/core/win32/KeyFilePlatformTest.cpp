// The key file where someone else has been at its folder: a link where the
// file should be is not followed for reading either.
#include "password/KeyFile.hpp"
#include "platform/FileRefusal.hpp"

#include "../handlers/ScriptedView.hpp"

#include <gtest/gtest.h>

namespace quilvane::testing {
namespace {

namespace fs = std::filesystem;

TEST(PlantedKeyFile, ALinkToAnotherFileIsNotFollowed)
{
    TemporaryDirectory dir;
    const fs::path keyFile = KeyFilePath(dir.path());
    WriteBytes(dir / u8"别处.txt", KeyFileContent(4));
    std::error_code linkError;
    fs::create_symlink(dir / u8"别处.txt", keyFile, linkError);
    // Wine's CreateSymbolicLinkW may report success and make nothing.
    if (linkError || !fs::exists(fs::symlink_status(keyFile))) {
        GTEST_SKIP() << "symbolic links cannot be made here: " << linkError.message();
    }
    const KeyShift read = ReadKeyShift(dir.path());
    ASSERT_TRUE(read.error.has_value());
    EXPECT_EQ(read.error->kind, KeyFileError::Kind::CannotRead);
    EXPECT_EQ(read.error->systemError, FileRefusal::NotRegularFile) << read.error->systemError.message();
}

}  // namespace
}  // namespace quilvane::testing
