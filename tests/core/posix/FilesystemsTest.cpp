// A replace on the filesystems users keep files on, each mounted for real:
// ext4, tmpfs, btrfs and xfs through the kernel, FAT, exFAT and NTFS through
// FUSE as this system mounts them. Through the real handlers: a round trip
// exact, everything but the content the old file's, the read-only refusals,
// the key file, the room given back, and nothing left after a crash.
#include "password/KeyFile.hpp"
#include "password/PasswordSteps.hpp"
#include "platform/DocumentFile.hpp"
#include "transform/FileActions.hpp"

#include "../handlers/ScriptedView.hpp"
#include "ParamName.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <map>
#include <random>
#include <thread>
#include <vector>

namespace quilvane::testing {
namespace {

namespace fs = std::filesystem;

struct Kind {
    const char* name;
    const char* type;     // as the kernel lists it in /proc/filesystems, or the FUSE program
    const char* makeFs;   // the command that formats the image ("" for none)
    const char* mount;    // the command that mounts IMAGE (or LOOP) on DIR
    unsigned megabytes;
    bool modes;           // keeps permission bits
    bool acls;            // keeps POSIX access-control lists
    bool userAttributes;  // keeps user.* attributes
    bool ntfsAttributes;  // shows Windows' attributes through system.ntfs_attrib
    bool chineseNames;    // takes names outside ASCII (fusefat makes only ASCII long names)
};

void PrintTo(const struct Kind& kind, std::ostream* out) { *out << kind.name; }

const Kind kKinds[] = {
    {"ext4", "ext4", "mkfs.ext4 -q -F IMAGE", "mount -o loop IMAGE DIR", 64, true, true, true, false, true},
    {"tmpfs", "tmpfs", "", "mount -t tmpfs -o size=64m tmpfs DIR", 0, true, true, true, false},
    {"btrfs", "btrfs", "mkfs.btrfs -q -f IMAGE", "mount -o loop IMAGE DIR", 128, true, true, true, false, true},
    {"xfs", "xfs", "mkfs.xfs -q -f IMAGE", "mount -o loop IMAGE DIR", 320, true, true, true, false, true},
    {"FAT through FUSE", "fusefat", "mkfs.vfat IMAGE", "fusefat -o rw+ IMAGE DIR", 64, false, false, false, false, false},
    {"exFAT through FUSE", "mount.exfat-fuse", "mkfs.exfat IMAGE", "mount.exfat-fuse LOOP DIR", 64, false, false,
     false, false, true},
    {"NTFS through ntfs-3g", "ntfs-3g", "mkntfs -F -Q IMAGE", "ntfs-3g IMAGE DIR", 64, false, false, true, true, true},
};

int Shell(std::string command)
{
    command += " >/dev/null 2>&1";
    return std::system(command.c_str());
}

std::string WithEach(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at; (at = text.find(from)) != std::string::npos;) {
        text.replace(at, from.size(), to);
    }
    return text;
}

bool Offered(const Kind& kind)
{
    if (Shell(std::string("grep -qw ") + kind.type + " /proc/filesystems") == 0) {
        return true;
    }
    return Shell(std::string("command -v ") + kind.type) == 0 && Shell("grep -qw fuse /proc/filesystems") == 0;
}

// One filesystem, made in an image file and mounted for one test.
class Mounted {
public:
    explicit Mounted(const Kind& kind, const fs::path& scratch) : kind_(kind), dir_(scratch / "mounted")
    {
        fs::create_directories(dir_);
        const fs::path image = scratch / "image";
        if (kind.megabytes > 0) {
            if (Shell("truncate -s " + std::to_string(kind.megabytes) + "M '" + image.string() + "'") != 0 ||
                Shell(WithEach(kind.makeFs, "IMAGE", "'" + image.string() + "'")) != 0) {
                why_ = std::string("could not format an image with: ") + kind.makeFs;
                return;
            }
        }
        std::string mount = WithEach(kind.mount, "IMAGE", "'" + image.string() + "'");
        if (mount.find("LOOP") != std::string::npos) {
            loop_ = AttachLoop(image);
            if (loop_.empty()) {
                why_ = "no loop device could be attached";
                return;
            }
            mount = WithEach(mount, "LOOP", loop_);
        }
        if (Shell(WithEach(mount, "DIR", "'" + dir_.string() + "'")) != 0) {
            why_ = "could not mount it with: " + WithEach(mount, "DIR", dir_.string());
            return;
        }
        mounted_ = true;
    }
    ~Mounted()
    {
        if (mounted_) {
            ::sync();
            if (Shell("umount '" + dir_.string() + "'") != 0) {
                Shell("umount -l '" + dir_.string() + "'");
            }
        }
        if (!loop_.empty()) {
            Shell("losetup -d " + loop_);
        }
    }
    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    const fs::path& dir() const { return dir_; }

private:
    static std::string AttachLoop(const fs::path& image)
    {
        const std::string command = "losetup -f --show '" + image.string() + "' 2>/dev/null";
        FILE* out = ::popen(command.c_str(), "r");
        if (!out) {
            return {};
        }
        char line[128] = {};
        const bool got = std::fgets(line, sizeof line, out) != nullptr;
        ::pclose(out);
        std::string device = got ? line : "";
        while (!device.empty() && (device.back() == '\n' || device.back() == ' ')) {
            device.pop_back();
        }
        return device;
    }

    const Kind& kind_;
    fs::path dir_;
    std::string loop_;
    std::string why_;
    bool mounted_ = false;
};

// Every extended attribute of a file with its value, ntfs-3g's Windows
// attributes among them, read without following a link.
std::map<std::string, std::string> AttributesOf(const fs::path& file)
{
    std::map<std::string, std::string> attributes;
    std::vector<char> names(64 * 1024);
    const ssize_t length = ::llistxattr(file.c_str(), names.data(), names.size());
    std::vector<std::string> all;
    for (ssize_t start = 0; length > 0 && start < length;) {
        all.emplace_back(names.data() + start);
        start += static_cast<ssize_t>(all.back().size()) + 1;
    }
    all.emplace_back("system.ntfs_attrib");
    for (const std::string& name : all) {
        std::vector<char> value(64 * 1024);
        const ssize_t size = ::lgetxattr(file.c_str(), name.c_str(), value.data(), value.size());
        if (size >= 0) {
            attributes[name] = std::string(value.data(), static_cast<std::size_t>(size));
        }
    }
    return attributes;
}

struct Looks {
    mode_t mode;
    uid_t owner;
    gid_t group;
    std::map<std::string, std::string> attributes;
    friend bool operator==(const Looks&, const Looks&) = default;
};

Looks LooksOf(const fs::path& file)
{
    struct stat status {};
    EXPECT_EQ(::lstat(file.c_str(), &status), 0) << file;
    return {static_cast<mode_t>(status.st_mode & 07777), status.st_uid, status.st_gid, AttributesOf(file)};
}

std::string Describe(const Looks& looks)
{
    std::string text = "mode " + std::to_string(looks.mode) + " owner " + std::to_string(looks.owner) + ":" +
                       std::to_string(looks.group);
    for (const auto& [name, value] : looks.attributes) {
        text += " " + name + "(" + std::to_string(value.size()) + " bytes)";
    }
    return text;
}

std::vector<std::string> FolderNames(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Filesystems : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "only root can mount a filesystem for the test";
        }
        if (!Offered(GetParam())) {
            GTEST_SKIP() << "this machine offers no " << GetParam().name << " (" << GetParam().type << ")";
        }
        mounted_ = std::make_unique<Mounted>(GetParam(), scratch.path());
        if (!mounted_->mounted()) {
            GTEST_SKIP() << GetParam().name << ": " << mounted_->why();
        }
        folder = mounted_->dir() / name("文件夹", "folder");
        fs::create_directories(folder);
        view.programDir = folder;
        view.dataDir = scratch / "data";
    }
    void TearDown() override { mounted_.reset(); }

    // A Chinese name where the filesystem takes one.
    std::string name(const std::string& chinese, const std::string& ascii) const
    {
        return GetParam().chineseNames ? chinese : ascii;
    }
    fs::path document(const std::string& name, const std::string& bytes)
    {
        WriteBytes(folder / PathFromUtf8(name), bytes);
        return folder / PathFromUtf8(name);
    }

    // Through the handlers as the user goes: the password, then the file.
    void encrypt(ScriptedView& on, const fs::path& file, int answer = msgbox::kAnswerOk)
    {
        on.box(TextBox::Text1) = "1";
        on.box(TextBox::Text2) = "2";
        on.box(TextBox::Text3) = "3";
        on.box(TextBox::Text4) = "4";
        on.box(TextBox::Text5) = "5";
        on.answers = {msgbox::kAnswerYes, msgbox::kAnswerOk};
        Command3_Click(on);
        on.choices.push_back(file);
        Command4_Click(on);
        on.answers.push_back(answer);
        Command5_Click(on);
    }
    void decrypt(ScriptedView& on, const fs::path& file)
    {
        on.box(TextBox::Text6) = "1";
        on.box(TextBox::Text7) = "2";
        on.box(TextBox::Text8) = "3";
        on.box(TextBox::Text9) = "4";
        on.box(TextBox::Text10) = "5";
        Command8_Click(on);
        on.choices.push_back(file);
        Command9_Click(on);
        on.answers = {msgbox::kAnswerOk, msgbox::kAnswerOk};
        Command10_Click(on);
    }
    static std::string Titles(const ScriptedView& on)
    {
        std::string titles;
        for (const auto& message : on.messages) {
            titles += "[" + message.title + "] " + message.text + "\n";
        }
        return titles;
    }

    TemporaryDirectory scratch;
    std::unique_ptr<Mounted> mounted_;
    fs::path folder;
    ScriptedView view;
};

// Some text, a NUL, Chinese in GBK and a line end of each kind.
constexpr char kTextBytes[] = "Plain \xD6\xD0\xCE\xC4 text\r\nline two\n\0end";
const std::string kText(kTextBytes, sizeof kTextBytes - 1);

TEST_P(Filesystems, ARoundTripIsExactAndKeepsEverythingButTheContent)
{
    const Kind& kind = GetParam();
    const fs::path file = document(name("日记.txt", "diary.txt"), kText);
    if (kind.modes) {
        ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
        ASSERT_EQ(::chown(file.c_str(), 4321, 8765), 0);
    }
    if (kind.acls) {
        ASSERT_EQ(Shell("setfacl -m u:nobody:rw,g:daemon:r '" + file.string() + "'"), 0);
    }
    if (kind.userAttributes) {
        ASSERT_EQ(::setxattr(file.c_str(), "user.origin", "downloaded", 10, 0), 0) << std::strerror(errno);
    }
    if (kind.ntfsAttributes) {
        const unsigned char hiddenArchive[4] = {0x22, 0, 0, 0};
        ASSERT_EQ(::setxattr(file.c_str(), "system.ntfs_attrib", hiddenArchive, 4, 0), 0) << std::strerror(errno);
    }
    const Looks before = LooksOf(file);

    encrypt(view, file);
    EXPECT_TRUE(view.ended) << Titles(view);
    EXPECT_NE(ReadBytes(file), kText);
    EXPECT_EQ(LooksOf(file), before) << "before: " << Describe(before) << "\nafter:  " << Describe(LooksOf(file));

    ScriptedView again;
    again.programDir = view.programDir;
    again.dataDir = view.dataDir;
    decrypt(again, file);
    EXPECT_TRUE(again.ended) << Titles(again);
    EXPECT_EQ(ReadBytes(file), kText);
    EXPECT_EQ(LooksOf(file), before) << "before: " << Describe(before) << "\nafter:  " << Describe(LooksOf(file));
    std::vector<std::string> expected{"temp.jxv", name("日记.txt", "diary.txt")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderNames(folder), expected);
}

// A file the user or Windows marked read-only is refused, and stays as it was.
TEST_P(Filesystems, AReadOnlyFileIsRefusedAndLeftAlone)
{
    const Kind& kind = GetParam();
    if (!kind.modes && !kind.ntfsAttributes) {
        GTEST_SKIP() << GetParam().name << " keeps no read-only mark a program here can set";
    }
    const fs::path file = document(name("只读.txt", "readonly.txt"), kText);
    if (kind.ntfsAttributes) {
        const unsigned char readOnly[4] = {0x21, 0, 0, 0};
        ASSERT_EQ(::setxattr(file.c_str(), "system.ntfs_attrib", readOnly, 4, 0), 0) << std::strerror(errno);
    } else {
        ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    }
    const Looks before = LooksOf(file);

    encrypt(view, file);
    EXPECT_FALSE(view.ended);
    ASSERT_FALSE(view.messages.empty());
    EXPECT_EQ(view.messages.back().title, "无法保存文件") << Titles(view);
    EXPECT_NE(view.messages.back().text.find("文件被设为只读"), std::string::npos) << Titles(view);
    EXPECT_EQ(ReadBytes(file), kText);
    EXPECT_EQ(LooksOf(file), before);
}

// The program kept on the stick itself: its key file is written beside it,
// with no change of mode the filesystem would refuse.
TEST_P(Filesystems, TheKeyFileIsWrittenInAFolderOnIt)
{
    const fs::path file = document(name("笔记.txt", "notes.txt"), "AB");
    encrypt(view, file);
    EXPECT_TRUE(view.ended) << Titles(view);
    EXPECT_EQ(ReadBytes(folder / "temp.jxv"), KeyFileContent(6));
    EXPECT_FALSE(fs::exists(view.dataDir / "temp.jxv"));
    EXPECT_EQ(ReadBytes(file), "?@\r\n");
}

// A decryption that shrinks a file (NULs double when encrypted) leaves no
// room reserved past its end.
TEST_P(Filesystems, AShrinkingDecryptionKeepsNoRoomPastTheEnd)
{
    const std::string plain(4u << 20, '\0');
    const fs::path file = document(name("零.bin", "zeros.bin"), plain);
    ::sync();
    struct stat original {};
    ASSERT_EQ(::stat(file.c_str(), &original), 0);

    encrypt(view, file);
    ASSERT_TRUE(view.ended) << Titles(view);
    ScriptedView again;
    again.programDir = view.programDir;
    again.dataDir = view.dataDir;
    decrypt(again, file);
    ASSERT_TRUE(again.ended) << Titles(again);
    ASSERT_EQ(ReadBytes(file), plain);
    ::sync();

    struct stat decrypted {};
    ASSERT_EQ(::stat(file.c_str(), &decrypted), 0);
    // A file written by any program takes at most one cluster more than its
    // size; the reservation for the encrypted size would be twice that.
    const blkcnt_t slack = 2 * 1024 * 1024 / 512;
    EXPECT_LE(decrypted.st_blocks, std::max(original.st_blocks, static_cast<blkcnt_t>(plain.size() / 512)) + slack)
        << "plain " << original.st_blocks << " blocks, decrypted " << decrypted.st_blocks;
}

// A process killed while it writes leaves at most its hidden temporary
// file; the next write in the folder takes that away.
TEST_P(Filesystems, NothingAKilledWriteLeftStaysAfterTheNextWrite)
{
    const fs::path file = document(name("大.txt", "large.txt"), std::string(24u << 20, 'a'));
    std::mt19937 random{std::random_device{}()};
    for (int kill = 0; kill < 6; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::string content(24u << 20, 'b');
            for (;;) {
                (void)ReplaceFileContent(file, content);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 300));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
    }
    const std::string last(1000, 'c');
    const Replaced replaced = ReplaceFileContent(file, last);
    ASSERT_FALSE(replaced.error) << replaced.error->error.message();
    EXPECT_EQ(ReadBytes(file), last);
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{name("大.txt", "large.txt")});
}

INSTANTIATE_TEST_SUITE_P(Mounted, Filesystems, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind>& info) { return ParamName(info.param.name); });

}  // namespace
}  // namespace quilvane::testing
