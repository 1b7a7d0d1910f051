// The file-replacing code's promises that rest on Windows: file attributes,
// access-control lists, sharing modes, reparse points, devices and Win32
// error codes. Names are Chinese throughout, as the users' are.
#include "ReplaceFileFixture.hpp"

#include "platform/FileRefusal.hpp"
#include "platform/SystemErrors.hpp"
#include "platform/win32/FileHandles.hpp"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <fstream>
#include <thread>

namespace quilvane::testing {
namespace {

constexpr DWORD kDiskQuotaExceeded = 1295;  // ERROR_DISK_QUOTA_EXCEEDED, missing from mingw-w64's headers

std::error_code Win32(DWORD code) { return {static_cast<int>(code), std::system_category()}; }

DWORD Attributes(const fs::path& path) { return ::GetFileAttributesW(path.c_str()); }

fs::path WithAttributes(const fs::path& path, DWORD added)
{
    EXPECT_TRUE(::SetFileAttributesW(path.c_str(), Attributes(path) | added)) << ::GetLastError();
    return path;
}

// Another program's handle on the file, shared as that program chose.
class HeldOpen {
public:
    HeldOpen(const fs::path& path, DWORD share)
        : handle_(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr))
    {
        EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << ::GetLastError();
    }
    ~HeldOpen() { ::CloseHandle(handle_); }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// The access-control list of a file as text, and whether it is its own
// (protected) rather than inherited from the folder.
std::string DaclText(const fs::path& path, bool& isProtected)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                                nullptr, &descriptor) != ERROR_SUCCESS) {
        return {};
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    isProtected = control & SE_DACL_PROTECTED;
    char* text = nullptr;
    std::string result;
    if (::ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                               &text, nullptr)) {
        result = text;
        ::LocalFree(text);
    }
    ::LocalFree(descriptor);
    return result;
}

TEST_F(FileReplacement, KeepsTheFilesAttributes)
{
    const auto path = WithAttributes(file(u8"隐藏的文档.txt", "old"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    if (!(Attributes(path) & FILE_ATTRIBUTE_HIDDEN)) {
        GTEST_SKIP() << "this filesystem keeps no hidden attribute";
    }
    ASSERT_FALSE(ReplaceFileContent(path, "new").error);
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_TRUE(Attributes(path) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(Attributes(path) & FILE_ATTRIBUTE_READONLY);

    // A visible file stays visible, though the temporary file was hidden;
    // so does a key file made new.
    const auto plain = file(u8"普通文档.txt", "old");
    ASSERT_FALSE(ReplaceFileContent(plain, "new").error);
    EXPECT_FALSE(Attributes(plain) & FILE_ATTRIBUTE_HIDDEN);
    ReplaceOptions making;
    making.createIfMissing = true;
    ASSERT_FALSE(ReplaceFileContent(dir / "temp.jxv", "key", making).error);
    EXPECT_FALSE(Attributes(dir / "temp.jxv") & FILE_ATTRIBUTE_HIDDEN);
}

FILETIME CreationTime(const fs::path& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    return data.ftCreationTime;
}

TEST_F(FileReplacement, KeepsTheFilesCreationTime)
{
    const auto path = file(u8"老文档.txt", "old");
    const FILETIME longAgo{0x12345600u, 0x01c0f000u};  // in 2001
    {
        const HANDLE handle = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        ::SetFileTime(handle, &longAgo, nullptr, nullptr);
        ::CloseHandle(handle);
    }
    const FILETIME set = CreationTime(path);
    if (::CompareFileTime(&longAgo, &set) != 0) {
        GTEST_SKIP() << "this filesystem keeps no creation time of its own";
    }
    ASSERT_FALSE(ReplaceFileContent(path, "new").error);
    const FILETIME kept = CreationTime(path);
    EXPECT_EQ(::CompareFileTime(&longAgo, &kept), 0);
}

// Gives the file an access-control list of its own, from SDDL.
DWORD SetOwnList(const fs::path& path, const wchar_t* sddl)
{
    PSECURITY_DESCRIPTOR wanted = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &wanted, nullptr)) {
        return ::GetLastError();
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(wanted, &present, &dacl, &defaulted);
    const DWORD set = ::SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                              nullptr, nullptr, dacl, nullptr);
    ::LocalFree(wanted);
    return set;
}

TEST_F(FileReplacement, KeepsAnAccessControlListOfTheFilesOwn)
{
    const auto path = file(u8"受保护的文档.txt", "old");
    const DWORD set = SetOwnList(path, L"D:P(A;;FA;;;WD)(A;;FR;;;BU)");
    bool wasProtected = false;
    const std::string before = DaclText(path, wasProtected);
    if (set != ERROR_SUCCESS || !wasProtected) {
        GTEST_SKIP() << "this system keeps no access-control list of a file's own (error " << set << ")";
    }

    ASSERT_FALSE(ReplaceFileContent(path, "new").error);
    bool isProtected = false;
    EXPECT_EQ(DaclText(path, isProtected), before);
    EXPECT_TRUE(isProtected);
    EXPECT_EQ(ReadBytes(path), "new");
}

// Refused before anything is written: the rename at the end could not
// replace a file another program holds without sharing its deletion.
TEST_F(FileReplacement, AFileAnotherProgramHoldsOpenIsRefusedAndSaidSo)
{
    const auto path = file(u8"打开着的文档.txt", "old");
    const auto before = contents();
    {
        HeldOpen holder(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
        const Replaced replaced = ReplaceFileContent(path, "new");
        ASSERT_TRUE(replaced.error);
        EXPECT_EQ(replaced.error->error, Win32(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(ClassifySystemError(replaced.error->error), SystemFailure::HeldOpenElsewhere);
    }
    EXPECT_EQ(contents(), before);

    // Shared for deletion, it still cannot be replaced while it is open:
    // found only at the rename, and said the same way.
    HeldOpen sharing(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    const Replaced replaced = ReplaceFileContent(path, "new");
    ASSERT_TRUE(replaced.error);
    EXPECT_EQ(replaced.error->error, Win32(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(contents(), before);
}

TEST_F(FileReplacement, ALockedStretchStopsTheReadingWithItsOwnReason)
{
    const auto path = file(u8"锁定的文档.txt", std::string(4096, 'x'));
    HeldOpen holder(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    OVERLAPPED whole{};
    ASSERT_TRUE(::LockFileEx(holder.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                             &whole));
    const LoadedDocument loaded = ReadDocumentStart(path, 4096);
    ::UnlockFileEx(holder.get(), 0, MAXDWORD, MAXDWORD, &whole);
    if (!loaded.error) {
        GTEST_SKIP() << "this system does not enforce byte-range locks on reading (Wine)";
    }
    EXPECT_EQ(loaded.error->error, Win32(ERROR_LOCK_VIOLATION));
    EXPECT_EQ(ClassifySystemError(loaded.error->error), SystemFailure::HeldOpenElsewhere);
}

// Wine's CreateSymbolicLinkW reports success and makes nothing.
bool MadeSymbolicLink(const fs::path& link, const fs::path& target)
{
    return ::CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
           Attributes(link) != INVALID_FILE_ATTRIBUTES;
}

TEST_F(FileReplacement, ASymbolicLinkStaysALinkAndItsTargetIsReplaced)
{
    const auto target = file(u8"真正的文档.txt", "old");
    const auto link = dir / u8"链接.txt";
    if (!MadeSymbolicLink(link, u8"真正的文档.txt")) {
        GTEST_SKIP() << "no symbolic links here";
    }
    ASSERT_FALSE(ReplaceFileContent(link, "new").error);
    EXPECT_TRUE(Attributes(link) & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(ReadBytes(target), "new");
    EXPECT_EQ(strays({"真正的文档.txt", "链接.txt"}), std::vector<std::string>{});
}

TEST_F(FileReplacement, TheKeyFileIsNeverWrittenThroughALink)
{
    const auto elsewhere = file(u8"别处的文件.txt", "not the key");
    const auto key = dir / "temp.jxv";
    if (!MadeSymbolicLink(key, elsewhere)) {
        GTEST_SKIP() << "no symbolic links here";
    }
    ReplaceOptions options;
    options.createIfMissing = true;
    options.followLinks = false;
    const Replaced replaced = ReplaceFileContent(key, "key", options);
    ASSERT_TRUE(replaced.error);
    EXPECT_EQ(replaced.error->error, FileRefusal::NotRegularFile);
    EXPECT_EQ(ReadBytes(elsewhere), "not the key");
}

// The folder lets the user make and rename files; the file's own list says
// they may not change its data. Renaming over it would go round that.
TEST_F(FileReplacement, AFileWhoseListDeniesWritingIsRefused)
{
    const auto path = file(u8"别人的文档.txt", "their content");
    ASSERT_EQ(SetOwnList(path, L"D:P(D;;0x2;;;WD)(A;;FA;;;WD)"), static_cast<DWORD>(ERROR_SUCCESS));
    {
        const HANDLE probe = ::CreateFileW(path.c_str(), FILE_WRITE_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                           nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            ::CloseHandle(probe);
            GTEST_SKIP() << "this system does not enforce a file's access-control list (Wine)";
        }
    }
    const auto before = contents();
    const Replaced replaced = ReplaceFileContent(path, "new");
    ASSERT_TRUE(replaced.error);
    EXPECT_EQ(replaced.error->error, FileRefusal::NotPermitted);
    EXPECT_EQ(contents(), before);
}

std::string OwnerText(const fs::path& path)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                nullptr, &descriptor) != ERROR_SUCCESS) {
        return {};
    }
    char* text = nullptr;
    std::string result;
    if (owner && ::ConvertSidToStringSidA(owner, &text)) {
        result = text;
        ::LocalFree(text);
    }
    ::LocalFree(descriptor);
    return result;
}

// A replace never gives a file to someone else: the new file keeps the
// owner, where this user may set it, or nothing changes.
TEST_F(FileReplacement, AFileOfAnotherOwnerKeepsItsOwnerOrIsLeftAlone)
{
    const auto path = file(u8"系统的文档.txt", "their content");
    PSID system = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"S-1-5-18", &system));
    const DWORD set = ::SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                              OWNER_SECURITY_INFORMATION, system, nullptr, nullptr, nullptr);
    ::LocalFree(system);
    if (set != ERROR_SUCCESS || OwnerText(path) != "S-1-5-18") {
        GTEST_SKIP() << "this user may not give a file to another owner here (error " << set << ")";
    }
    const Replaced replaced = ReplaceFileContent(path, "new");
    EXPECT_EQ(OwnerText(path), "S-1-5-18");
    if (replaced.error) {
        EXPECT_EQ(replaced.error->error, FileRefusal::OwnerNotKept);
        EXPECT_EQ(ReadBytes(path), "their content");
    } else {
        EXPECT_EQ(ReadBytes(path), "new");
    }
    EXPECT_EQ(strays({"系统的文档.txt"}), std::vector<std::string>{});
}

// Any path Explorer can show: past MAX_PATH (260) with the file's own name,
// and just below it, where only the temporary name beside it would pass it.
TEST_F(FileReplacement, AFileWithALongPathIsReplaced)
{
    for (const std::size_t length : {std::size_t{250}, std::size_t{300}}) {
        fs::path folder = dir.path();
        while (folder.wstring().size() + 60 < length) {
            folder /= L"很长的文件夹名称很长的文件夹名称很长的文件夹名称很长的文件夹名称";
        }
        std::error_code made;
        fs::create_directories(fs::path(LR"(\\?\)" + folder.wstring()), made);
        ASSERT_FALSE(made) << made.message();
        const fs::path path = folder / (std::wstring(length - folder.wstring().size() - 5, L'长') + L".txt");
        ASSERT_EQ(path.wstring().size(), length);
        {
            std::ofstream(fs::path(LR"(\\?\)" + path.wstring()), std::ios::binary) << "old";
        }
        const Replaced replaced = ReplaceFileContent(path, "new");
        ASSERT_FALSE(replaced.error) << length << ": " << replaced.error->error.message();
        EXPECT_EQ(ReadBytes(fs::path(LR"(\\?\)" + path.wstring())), "new") << length;
        EXPECT_EQ(ReadDocumentStart(path, 10).bytes, "new") << length;
    }
}

// Wine takes paths of any length, so the test above passes there whatever
// form the system calls get; what they get is seen here.
TEST(SystemPath, GivesAbsolutePathsTheirLongForm)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* form;
    };
    for (const Case& c : {Case{LR"(C:\文档\a.txt)", LR"(\\?\C:\文档\a.txt)"},
                          Case{LR"(C:/文档/./b/../a.txt)", LR"(\\?\C:\文档\a.txt)"},
                          Case{LR"(\\server\share\a.txt)", LR"(\\?\UNC\server\share\a.txt)"},
                          Case{LR"(\\?\C:\a.txt)", LR"(\\?\C:\a.txt)"},
                          Case{L"NUL", L"NUL"},
                          Case{LR"(relative\a.txt)", LR"(relative\a.txt)"}}) {
        EXPECT_EQ(quilvane::win32::SystemPath(c.path), c.form);
    }
}

// An antivirus program or an indexer holds the file a moment, just when the
// new content is to be renamed over it: the rename waits for it.
TEST_F(FileReplacement, ARenameMeetingAPassingHolderIsTriedAgain)
{
    const auto path = file(u8"被扫描的文档.txt", "old");
    std::thread letGo;
    faults::WhenReached(faults::Step::Rename, [&] {
        const HANDLE holder = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr);
        letGo = std::thread([holder] {
            ::Sleep(300);
            ::CloseHandle(holder);
        });
    });
    const Replaced replaced = ReplaceFileContent(path, "new");
    letGo.join();
    faults::Clear();
    ASSERT_FALSE(replaced.error) << replaced.error->error.message();
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(strays({"被扫描的文档.txt"}), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Win32, Refusals,
    ::testing::Values(
        Refusal{"read only attribute",
                [](FileReplacement& t, ReplaceOptions&) {
                    return WithAttributes(t.file(u8"只读文档.txt", "old"), FILE_ATTRIBUTE_READONLY);
                },
                FileRefusal::ReadOnly},
        Refusal{"a device",
                [](FileReplacement&, ReplaceOptions&) { return fs::path(L"NUL"); },
                FileRefusal::NotRegularFile},
        Refusal{"a folder on the way is missing",
                [](FileReplacement& t, ReplaceOptions& options) {
                    options.createIfMissing = true;
                    return t.dir / u8"没有的文件夹" / "temp.jxv";
                },
                Win32(ERROR_PATH_NOT_FOUND)},
        Refusal{"no temporary file can be made in the folder",
                [](FileReplacement& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::CreateTemporary, ERROR_ACCESS_DENIED);
                    return t.file(u8"文档.txt", "old");
                },
                Win32(ERROR_ACCESS_DENIED)},
        Refusal{"the disk is full",
                [](FileReplacement& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Write, ERROR_DISK_FULL);
                    return t.file(u8"文档.txt", "old");
                },
                Win32(ERROR_DISK_FULL)},
        Refusal{"the disk fails to flush",
                [](FileReplacement& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Sync, ERROR_IO_DEVICE);
                    return t.file(u8"文档.txt", "old");
                },
                Win32(ERROR_IO_DEVICE)},
        Refusal{"closing reports a deferred write error",
                [](FileReplacement& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Close, kDiskQuotaExceeded);
                    return t.file(u8"文档.txt", "old");
                },
                Win32(kDiskQuotaExceeded)},
        Refusal{"the rename meets a program that opened the file meanwhile",
                [](FileReplacement& t, ReplaceOptions&) {
                    faults::FailNext(faults::Step::Rename, ERROR_SHARING_VIOLATION);
                    return t.file(u8"文档.txt", "old");
                },
                Win32(ERROR_SHARING_VIOLATION)}),
    RefusalName);

// What a killed run left goes at the next write in the folder; a
// temporary file another run is writing, and the user's own files, stay.
TEST_F(FileReplacement, TheNextWriteInAFolderRemovesOnlyTheTemporaryFilesAKilledRunLeft)
{
    const auto stale = WithAttributes(file(L".quilvane-0123456789.tmp", "解密后被中止的明文"), FILE_ATTRIBUTE_HIDDEN);
    const auto inUse = file(L".quilvane-abcdefghij.tmp", "another run's, being written");
    const auto usersOwn = file(L".quilvane-笔记.tmp", "the user's, of a name like ours");
    const auto document = file(L"文档.txt", "old");
    {
        const HeldOpen writing(inUse, 0);  // as a run writes its temporary file: shared with nobody
        ASSERT_FALSE(ReplaceFileContent(document, "new").error);
    }
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_EQ(ReadBytes(inUse), "another run's, being written");
    EXPECT_EQ(ReadBytes(usersOwn), "the user's, of a name like ours");
    EXPECT_EQ(ReadBytes(document), "new");
}

}  // namespace
}  // namespace quilvane::testing
