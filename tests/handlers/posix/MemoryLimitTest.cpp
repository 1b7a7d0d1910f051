// A file far larger than the memory the program may use is encrypted and
// decrypted exactly, through the real handlers: they run in a child process
// whose address space is capped well below the file's size, so a program
// that held the file in memory would fail here.
#include "../ScriptedView.hpp"
#include "password/KeyFile.hpp"
#include "transform/FileActions.hpp"
#include "transform/ShiftText.hpp"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>

namespace quilvane::testing {
namespace {

// This process's address space now, in bytes.
std::uint64_t AddressSpace()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    unsigned long long kib = 0;
    char line[256];
    while (status && std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmSize: %llu kB", &kib) == 1) {
            break;
        }
    }
    if (status) {
        std::fclose(status);
    }
    return std::uint64_t{kib} * 1024;
}

// Whole lines of Chinese text and ASCII, about a megabyte: the file is this
// block again and again, so its encryption is the block's again and again.
std::string Block()
{
    std::string block;
    while (block.size() < (1u << 20)) {
        block += "\xD6\xD0\xCE\xC4 text line\r\n";
    }
    return block;
}

// Whether the file is `block` repeated `count` times, then `tail`; read a
// block at a time.
bool FileIs(const std::filesystem::path& file, const std::string& block, std::size_t count, const std::string& tail)
{
    std::ifstream in(file, std::ios::binary);
    std::string read(block.size(), '\0');
    for (std::size_t i = 0; i < count; ++i) {
        if (!in.read(read.data(), static_cast<std::streamsize>(read.size())) || read != block) {
            return false;
        }
    }
    std::string rest((std::istreambuf_iterator<char>(in)), {});
    return rest == tail;
}

// Writes `block` `count` times over `file`; false when the disk had no room.
bool WriteBlocks(const std::filesystem::path& file, const std::string& block, std::size_t count)
{
    std::ofstream out(file, std::ios::binary);
    for (std::size_t i = 0; i < count; ++i) {
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    return out.good();
}

// Runs `road` in a child process whose address space is capped at `allowed`
// bytes; the child's exit status (10: no cap could be set), or -1 when it was
// killed.
int CappedRun(std::uint64_t allowed, const std::function<int()>& road)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit cap{allowed, allowed};
        ::_exit(::setrlimit(RLIMIT_AS, &cap) != 0 ? 10 : road());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) {
        ADD_FAILURE() << "no child process";
        return -1;
    }
    if (!WIFEXITED(status)) {
        ADD_FAILURE() << "the capped program was killed (signal " << WTERMSIG(status) << ")";
        return -1;
    }
    return WEXITSTATUS(status);
}

// Encrypts, then decrypts, what the view's script chooses; 0 when both end
// as they should, 11 or 13 when encryption or decryption did not, 12 when
// `encrypted` says the encrypted files are wrong.
int EncryptThenDecrypt(ScriptedView& view, const std::function<bool()>& encrypted)
{
    view.answers = {msgbox::kAnswerOk};
    Command4_Click(view);
    Command5_Click(view);
    if (!view.ended || view.messages.size() != 1 || view.messages[0].title != "加密完成") {
        return 11;
    }
    if (!encrypted()) {
        return 12;
    }
    view.ended = false;
    view.messages.clear();
    Command9_Click(view);
    Command10_Click(view);
    return view.ended && view.messages.size() == 2 ? 0 : 13;
}

constexpr const char* kStatuses = "10: no cap, 11: encryption failed, 12: wrong bytes, 13: decryption failed";

TEST(MemoryLimit, AFileThreeTimesTheMemoryAllowedIsEncryptedAndDecryptedExactly)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space: no cap can be set under it";
#endif
    TemporaryDirectory dir;
    const std::uint64_t allowed = AddressSpace() + (160u << 20);
    RecordProperty("allowed_mib", std::to_string(allowed >> 20));
    const std::string block = Block();
    const std::size_t blocks = static_cast<std::size_t>(3 * allowed / block.size()) + 1;
    const auto file = dir / "large.txt";
    ASSERT_TRUE(WriteBlocks(file, block, blocks)) << "no room for a file of " << blocks << " MiB";
    ASSERT_FALSE(WriteKeyFile(dir.path(), 4).has_value());
    const std::string encryptedBlock = ShiftText(block, -2);

    const int status = CappedRun(allowed, [&] {
        ScriptedView view;
        view.programDir = dir.path();
        view.dataDir = dir / "data";
        view.choices = {file, file};
        return EncryptThenDecrypt(view, [&] { return FileIs(file, encryptedBlock, blocks, "\r\n"); });
    });
    EXPECT_EQ(status, 0) << kStatuses;
    EXPECT_TRUE(FileIs(file, block, blocks, "")) << "the file did not come back byte for byte";
}

// The same cap over several files at once: a thousand small files and one
// three times the memory allowed, encrypted and decrypted in one action each.
TEST(MemoryLimit, AThousandFilesAndOneLargerThanTheMemoryAllowedInOneAction)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space: no cap can be set under it";
#endif
    TemporaryDirectory dir;
    const std::uint64_t allowed = AddressSpace() + (160u << 20);
    const std::string block = Block();
    const std::size_t blocks = static_cast<std::size_t>(3 * allowed / block.size()) + 1;
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < 1000; ++i) {
        files.push_back(dir / ("small " + std::to_string(i) + ".txt"));
        WriteBytes(files.back(), "AB");
    }
    const auto large = dir / "large.txt";
    files.insert(files.begin() + 500, large);
    ASSERT_TRUE(WriteBlocks(large, block, blocks)) << "no room for a file of " << blocks << " MiB";
    ASSERT_FALSE(WriteKeyFile(dir.path(), 4).has_value());
    const std::string encryptedBlock = ShiftText(block, -2);

    const int status = CappedRun(allowed, [&] {
        ScriptedView view;
        view.programDir = dir.path();
        view.dataDir = dir / "data";
        view.severalChoices = {files, files};
        return EncryptThenDecrypt(view, [&] {
            return FileIs(large, encryptedBlock, blocks, "\r\n") && ReadBytes(files.back()) == "?@\r\n";
        });
    });
    EXPECT_EQ(status, 0) << kStatuses;
    EXPECT_TRUE(FileIs(large, block, blocks, "")) << "the large file did not come back byte for byte";
    for (const auto& file : files) {
        if (file != large && ReadBytes(file) != "AB") {
            ADD_FAILURE() << file << " did not come back";
            break;
        }
    }
}

}  // namespace
}  // namespace quilvane::testing
