// The key file where someone else has been at its folder: a pipe, a socket
// or a link where the file should be, or a key file of another user.
#include "password/KeyFile.hpp"
#include "password/KeyStore.hpp"
#include "platform/FileRefusal.hpp"

#include "../handlers/ScriptedView.hpp"
#include "AsNobody.hpp"
#include "ParamName.hpp"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace quilvane::testing {
namespace {

namespace fs = std::filesystem;

struct Planted {
    const char* what;
    void (*plant)(const fs::path& keyFile);
};

class PlantedKeyFile : public ::testing::TestWithParam<Planted> {
protected:
    TemporaryDirectory dir;
};

// Read like a document: refused at once, never waited on and never followed.
TEST_P(PlantedKeyFile, IsRefusedAtOnceWithTheKeyFileMessage)
{
    const fs::path keyFile = KeyFilePath(dir.path());
    GetParam().plant(keyFile);
    const KeyShift read = ReadKeyShift(dir.path());
    ASSERT_TRUE(read.error.has_value());
    EXPECT_EQ(read.error->kind, KeyFileError::Kind::CannotRead);
    EXPECT_EQ(read.error->path, keyFile);
    EXPECT_EQ(read.error->systemError, FileRefusal::NotRegularFile) << read.error->systemError.message();
}

INSTANTIATE_TEST_SUITE_P(
    Posix, PlantedKeyFile,
    ::testing::Values(
        Planted{"a named pipe", [](const fs::path& key) { ASSERT_EQ(::mkfifo(key.c_str(), 0666), 0); }},
        Planted{"a socket",
                [](const fs::path& key) {
                    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
                    ASSERT_GE(listening, 0);
                    sockaddr_un address{};
                    address.sun_family = AF_UNIX;
                    ASSERT_LT(key.native().size(), sizeof address.sun_path);
                    std::strcpy(address.sun_path, key.c_str());
                    ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
                    ::close(listening);  // the socket file stays
                }},
        Planted{"a link to an endless device", [](const fs::path& key) { fs::create_symlink("/dev/zero", key); }},
        Planted{"a link to a regular file",
                [](const fs::path& key) {
                    WriteBytes(key.parent_path() / "elsewhere", "This is a important file.Dont`t rewrite me!6,2,1, 4 \r\n");
                    fs::create_symlink(key.parent_path() / "elsewhere", key);
                }}),
    [](const ::testing::TestParamInfo<Planted>& info) { return ParamName(info.param.what); });

// In a program folder others may write, another user's key file is left to
// them; this user's goes to their own data folder, and is read back there.
TEST(KeyFileOfAnotherUser, IsLeftAloneAndTheUsersOwnGoesToTheirDataFolder)
{
    Nobody nobody;
    QUILVANE_NEED_NOBODY(nobody);
    TemporaryDirectory dir;
    const fs::path program = dir / "program";
    const fs::path data = dir / "data";
    fs::create_directories(program);
    fs::create_directories(data);
    ASSERT_EQ(::chmod(program.c_str(), 0777), 0);
    ASSERT_EQ(::chown(data.c_str(), nobody.uid, nobody.gid), 0);
    ASSERT_FALSE(WriteKeyFile(program, 5).has_value());  // root's, 0644

    const std::string result = AsNobody(nobody, [&] {
        ScriptedView view;
        view.programDir = program;
        view.dataDir = data;
        const fs::path chosen = KeyFileDirectory(view);
        if (const auto error = StoreKeyDigit(chosen, 3)) {
            return "not written: " + error->systemError.message();
        }
        const KeyShift read = LoadKeyShift(view);
        return chosen.string() + (read.error ? " unread" : " read " + std::to_string(read.shift));
    });
    EXPECT_EQ(result, data.string() + " read 2");
    EXPECT_EQ(ReadBytes(KeyFilePath(program)), KeyFileContent(5));
    EXPECT_EQ(ReadBytes(KeyFilePath(data)), KeyFileContent(3));
}

}  // namespace
}  // namespace quilvane::testing
