#include "platform/DocumentFile.hpp"

#include "platform/ContentWriter.hpp"
#include "platform/FileFaults.hpp"
#include "platform/FileRefusal.hpp"
#include "platform/SystemFileLayer.hpp"
#include "platform/TemporaryNames.hpp"
#include "platform/win32/FileHandles.hpp"
#include "platform/win32/KeptStreams.hpp"
#include "platform/win32/WideText.hpp"

#include <windows.h>
#include <aclapi.h>
#include <winioctl.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <vector>

namespace quilvane {
namespace {

using faults::Step;
using win32::Handle;
using win32::IsLink;
using win32::kShareAll;

std::error_code Win32Error(DWORD code) { return {static_cast<int>(code), std::system_category()}; }
std::error_code LastError() { return Win32Error(::GetLastError()); }


// What one open handle tells about its file.
struct FileFacts {
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    DWORD type = FILE_TYPE_UNKNOWN;

    bool isDirectory() const { return info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY; }
    std::uint64_t size() const { return (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow; }
};

bool QueryFacts(HANDLE file, FileFacts& facts)
{
    facts.type = ::GetFileType(file);
    if (facts.type != FILE_TYPE_DISK) {
        return true;  // a device or a pipe: refused for that, whatever else it is
    }
    return ::GetFileInformationByHandle(file, &facts.info) &&
           ::GetFileInformationByHandleEx(file, FileBasicInfo, &facts.basic, sizeof facts.basic);
}

std::int64_t Ticks(const FILETIME& time)
{
    return static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
}

// The 64-bit file index and the volume serial name the file; the change
// time moves with every write and rename and cannot be set back by a user.
FileStamp StampOf(const FileFacts& facts)
{
    return {facts.info.dwVolumeSerialNumber,
            (std::uint64_t{facts.info.nFileIndexHigh} << 32) | facts.info.nFileIndexLow,
            static_cast<std::int64_t>(facts.size()), Ticks(facts.info.ftLastWriteTime),
            facts.basic.ChangeTime.QuadPart};
}

// Opens a file or a directory for its attributes and security only: no
// sharing mode of another program stands in the way of that.
HANDLE OpenForFacts(const std::filesystem::path& path)
{
    return ::CreateFileW(win32::SystemPath(path).c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL, kShareAll, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Runs one step of a read or a write, unless a test has asked for it to fail.
template <typename Call>
bool Do(Step step, Call call)
{
    if (const int injected = faults::Injected(step)) {
        ::SetLastError(static_cast<DWORD>(injected));
        return false;
    }
    return call();
}

constexpr std::size_t kIoChunk = 8u << 20;
// How long a rename refused by a passing holder is tried again, in ms.
constexpr ULONGLONG kRenameTries = 2000;

bool WriteAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min(bytes.size(), kIoChunk));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
            return false;
        }
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);  // nothing taken, nothing said: it would never end
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// Writes each stretch as it is made, through the system's cache.
struct FileSink {
    HANDLE file;

    bool operator()(std::string_view chunk, std::uint64_t done, int& error) const
    {
        if (const int injected = faults::Injected(Step::Write, done)) {
            error = injected;
            return false;
        }
        if (!WriteAll(file, chunk)) {
            error = static_cast<int>(::GetLastError());
            return false;
        }
        return true;
    }
};

// Temporary files are hidden and say whose they are (TemporaryNames.hpp); a
// new one never overwrites anything (CREATE_NEW). It is made encrypted where
// the old file is (EFS), so that its content is never on disk in the clear.
HANDLE CreateTemporaryBeside(const std::filesystem::path& target, DWORD attributes, std::filesystem::path& temporary)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target.parent_path() / win32::WideFromUtf8(NewTemporaryName());
        const HANDLE file = ::CreateFileW(win32::SystemPath(temporary).c_str(),
                                          GENERIC_READ | GENERIC_WRITE | WRITE_DAC | READ_CONTROL, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | attributes, nullptr);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

// A compressed file's new content is compressed as it is written. A volume
// that cannot compress loses only space by it.
void CompressLikeTheOld(HANDLE temporary, const FileFacts& old)
{
    if (old.info.dwFileAttributes & FILE_ATTRIBUTE_COMPRESSED) {
        USHORT format = COMPRESSION_FORMAT_DEFAULT;
        DWORD returned = 0;
        (void)::DeviceIoControl(temporary, FSCTL_SET_COMPRESSION, &format, sizeof format, nullptr, 0, &returned,
                                nullptr);
    }
}

// A symbolic link or junction stays as it is; the file it names is replaced.
std::optional<std::filesystem::path> FinalPath(HANDLE file)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
        if (length == 0) {
            return std::nullopt;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(length);
    }
}

// The new file takes over the old one's attributes and creation time, so
// that the user sees the same file with new content.
bool TakeOverAttributes(HANDLE temporary, const FileFacts* old)
{
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;  // a new key file: not hidden like the temporary file
    if (old) {
        basic.CreationTime = old->basic.CreationTime;
        const DWORD kept = old->info.dwFileAttributes & kKept;
        basic.FileAttributes = kept ? kept : FILE_ATTRIBUTE_NORMAL;
    }
    return ::SetFileInformationByHandle(temporary, FileBasicInfo, &basic, sizeof basic);
}

// The entries of an access-control list that the file has of its own, not
// inherited from its folder; empty when there are none.
std::vector<char> ExplicitEntries(const ACL& dacl)
{
    std::vector<const ACE_HEADER*> entries;
    DWORD size = sizeof(ACL);
    for (DWORD i = 0; i < dacl.AceCount; ++i) {
        void* entry = nullptr;
        if (::GetAce(const_cast<ACL*>(&dacl), i, &entry) &&
            !(static_cast<const ACE_HEADER*>(entry)->AceFlags & INHERITED_ACE)) {
            entries.push_back(static_cast<const ACE_HEADER*>(entry));
            size += static_cast<const ACE_HEADER*>(entry)->AceSize;
        }
    }
    if (entries.empty()) {
        return {};
    }
    std::vector<char> list(size);
    auto* acl = reinterpret_cast<ACL*>(list.data());
    ::InitializeAcl(acl, size, dacl.AclRevision);
    for (const ACE_HEADER* entry : entries) {
        ::AddAce(acl, dacl.AclRevision, MAXDWORD, const_cast<ACE_HEADER*>(entry), entry->AceSize);
    }
    return list;
}

// The new file gets the old one's access-control list. What the old file
// inherited from the folder, the new one in the same folder inherits too;
// entries of the file's own are copied, and a list protected from
// inheritance is copied whole. The owner stays the user running the
// program: only an administrator could give the file to someone else.
std::error_code TakeOverSecurity(HANDLE old, HANDLE temporary)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD status = ::GetSecurityInfo(old, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                     nullptr, &descriptor);
    if (status != ERROR_SUCCESS) {
        return Win32Error(status);
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    if (dacl && (control & SE_DACL_PROTECTED)) {
        status = ::SetSecurityInfo(temporary, SE_FILE_OBJECT,
                                   DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                   dacl, nullptr);
    } else if (dacl) {
        std::vector<char> own = ExplicitEntries(*dacl);
        if (!own.empty()) {
            status = ::SetSecurityInfo(temporary, SE_FILE_OBJECT,
                                       DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                       nullptr, reinterpret_cast<ACL*>(own.data()), nullptr);
        }
    }
    ::LocalFree(descriptor);
    return status == ERROR_SUCCESS ? std::error_code{} : Win32Error(status);
}

// Whether the volume of the file keeps access-control lists at all (a FAT
// stick, some network shares do not): there is then none to take over.
bool VolumeKeepsLists(HANDLE file)
{
    DWORD flags = 0;
    return !::GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
           (flags & FILE_PERSISTENT_ACLS);
}

// The old file's list on the new one, where the volume keeps lists and the
// old file has entries of its own; a volume that keeps none, or refuses
// the call as one it does not know, has nothing to take over.
std::error_code KeepSecurity(HANDLE old, HANDLE temporary)
{
    const std::error_code error = TakeOverSecurity(old, temporary);
    if (!error) {
        return {};
    }
    const auto code = static_cast<DWORD>(error.value());
    if (code == ERROR_NOT_SUPPORTED || code == ERROR_INVALID_FUNCTION || !VolumeKeepsLists(temporary)) {
        return {};
    }
    return error;
}

}  // namespace

namespace {

// Reads a file from its beginning; others may go on reading, writing or
// renaming it meanwhile, and the stamps show later whether anyone did.
class Win32Source : public DocumentSource {
public:
    Win32Source(HANDLE file, const FileStamp& stamp) : file_(file), stamp_(stamp) {}
    const FileStamp& stamp() const override { return stamp_; }
    std::size_t read(char* data, std::size_t size, std::error_code& error) override
    {
        if (const int injected = faults::Injected(Step::Read, offset_)) {
            error = Win32Error(static_cast<DWORD>(injected));
            return 0;
        }
        DWORD got = 0;
        if (!::ReadFile(file_.get(), data, static_cast<DWORD>(std::min(size, kIoChunk)), &got, nullptr)) {
            error = LastError();
            return 0;
        }
        offset_ += got;
        return got;
    }

private:
    Handle file_;
    FileStamp stamp_;
    std::uint64_t offset_ = 0;
};

}  // namespace

OpenedSource OpenDocumentSource(const std::filesystem::path& path)
{
    Handle file(::CreateFileW(win32::SystemPath(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
        return {nullptr, FileError{path, LastError()}};
    }
    FileFacts facts;
    if (!QueryFacts(file.get(), facts)) {
        return {nullptr, FileError{path, LastError()}};
    }
    if (facts.isDirectory()) {
        return {nullptr, FileError{path, std::make_error_code(std::errc::is_a_directory)}};
    }
    if (facts.type != FILE_TYPE_DISK) {
        return {nullptr, FileError{path, FileRefusal::NotRegularFile}};
    }
    const FileStamp stamp = StampOf(facts);
    return {std::make_unique<Win32Source>(file.release(), stamp), std::nullopt};
}

// Windows writes every content through the system's cache, by the writer's
// thread; there is no direct road to tune.
namespace tuning {
void SetDirectWritesFrom(std::uint64_t) {}
void ResetDirectWritesFrom() {}
}  // namespace tuning

namespace {

// The temporary file goes again on every road out of a replace, exceptions
// included, but the one that renamed it over the file.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        file.reset(INVALID_HANDLE_VALUE);
        if (!path.empty()) {
            ::DeleteFileW(win32::SystemPath(path).c_str());
        }
    }
    void keep() { path.clear(); }

    std::filesystem::path path;
    Handle file;
};

// The new file keeps the old one's owner, or the replace is refused: a
// replace never gives a file to someone else. Only a user with the right to
// give files away (an administrator's restore privilege) can set an owner
// other than their own; the temporary file is closed by then.
std::optional<std::error_code> KeepOwner(const std::vector<BYTE>& oldOwner, const std::vector<BYTE>& newOwner,
                                         const std::filesystem::path& temporary)
{
    if (oldOwner.empty() || oldOwner == newOwner) {
        return std::nullopt;
    }
    std::vector<BYTE> sid = oldOwner;
    std::wstring name = win32::SystemPath(temporary);
    const DWORD status = ::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, sid.data(),
                                                 nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) {
        return make_error_code(FileRefusal::OwnerNotKept);
    }
    return std::nullopt;
}

bool SameStamp(const std::filesystem::path& file, const FileStamp& expected)
{
    Handle now(OpenForFacts(file));
    FileFacts facts;
    return now.valid() && QueryFacts(now.get(), facts) && StampOf(facts) == expected;
}

}  // namespace

Replaced detail::ReplaceOnThisSystem(const std::filesystem::path& path, std::uint64_t size,
                                      const ContentStretches& stretches, const ReplaceOptions& options)
{
    const auto failed = [&](std::error_code error) { return Replaced{FileError{path, error}, {}}; };

    Handle old(OpenForFacts(path));
    const bool exists = old.valid();
    if (!exists) {
        const DWORD error = ::GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND;
        if (missing && options.expected.known()) {
            return failed(std::make_error_code(std::errc::no_such_file_or_directory));  // it vanished
        }
        if (!missing || !options.createIfMissing) {
            return failed(Win32Error(error));
        }
    }
    std::filesystem::path target = path;
    FileFacts facts;
    std::vector<BYTE> oldOwner;
    if (exists) {
        if (!QueryFacts(old.get(), facts)) {
            return failed(LastError());
        }
        if (facts.isDirectory()) {
            return failed(std::make_error_code(std::errc::is_a_directory));
        }
        if (facts.type != FILE_TYPE_DISK) {
            return failed(FileRefusal::NotRegularFile);
        }
        if (IsLink(path)) {
            // The key file is never written through a link that could point
            // anywhere: one planted in its place is refused.
            if (!options.followLinks) {
                return failed(FileRefusal::NotRegularFile);
            }
            const auto resolved = FinalPath(old.get());
            if (!resolved) {
                return failed(LastError());
            }
            target = *resolved;
        }
        // Windows itself refuses to replace a read-only file, but not every
        // system that runs this program does (Wine replaces it): ask first.
        if (facts.info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
            return failed(FileRefusal::ReadOnly);
        }
        // Renaming over the file needs only the folder's permission; the
        // file's own list says whether this user may change it.
        if (win32::WriteDenied(target)) {
            return failed(FileRefusal::NotPermitted);
        }
        if (facts.info.nNumberOfLinks > 1) {
            return failed(FileRefusal::HardLinked);
        }
        if (options.expected.known() && !(StampOf(facts) == options.expected)) {
            return failed(FileRefusal::ChangedOnDisk);
        }
        // The rename needs the file to be shared for deletion: a program
        // that holds it open without that would make it fail at the end.
        // Asking now refuses it before anything is written.
        Handle probe(::CreateFileW(win32::SystemPath(target).c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!probe.valid()) {
            return failed(LastError());
        }
        oldOwner = win32::OwnerOf(old.get());
    }

    // What a killed run left here goes before anything new is made.
    win32::RemoveStaleTemporaries(target.parent_path());

    const DWORD encrypted = exists ? facts.info.dwFileAttributes & FILE_ATTRIBUTE_ENCRYPTED : 0;
    TemporaryFile temporary;
    if (!Do(Step::CreateTemporary, [&] {
            temporary.file.reset(CreateTemporaryBeside(target, encrypted, temporary.path));
            return temporary.file.valid();
        })) {
        const std::error_code error = LastError();
        temporary.keep();  // not made: nothing of that name is ours
        return failed(error);
    }
    const HANDLE file = temporary.file.get();
    if (encrypted) {
        // An encrypted file must never come back as a plain one.
        FileFacts made;
        if (!QueryFacts(file, made) || !(made.info.dwFileAttributes & FILE_ATTRIBUTE_ENCRYPTED)) {
            return failed(FileRefusal::AccessNotKept);
        }
    }
    if (exists) {
        CompressLikeTheOld(file, facts);
    }

    const std::uint64_t total = (size != kSizeUnknown ? size : options.sizeHint) + options.suffix.size();
    const auto progress = [&](std::uint64_t written) {
        if (options.progress) {
            options.progress(written, total);
        }
    };
    const HandedOver handed = HandOver(FileSink{file}, WriteRoad::CallersThread, stretches, options.suffix, progress);
    if (handed.abandoned) {
        return failed(std::make_error_code(std::errc::operation_canceled));
    }
    if (handed.error != 0) {
        return failed(Win32Error(static_cast<DWORD>(handed.error)));
    }
    // The file must hold exactly what was to be written, as the system sees
    // it: a source that gave more or less than it promised is not taken for
    // the content.
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(file, &length)) {
        return failed(LastError());
    }
    if ((size != kSizeUnknown && handed.bytes != total) || static_cast<std::uint64_t>(length.QuadPart) != handed.bytes) {
        return failed(Win32Error(ERROR_WRITE_FAULT));
    }
    if (exists) {
        if (const std::error_code error = KeepSecurity(old.get(), file)) {
            return failed(error);
        }
        if (const std::error_code error = win32::CopyNamedStreams(target, temporary.path)) {
            return failed(error);
        }
    }
    if (!TakeOverAttributes(file, exists ? &facts : nullptr)) {
        return failed(LastError());
    }
    const std::vector<BYTE> newOwner = exists ? win32::OwnerOf(file) : std::vector<BYTE>{};
    if (!Do(Step::Sync, [&] { return ::FlushFileBuffers(file) != 0; })) {
        return failed(LastError());
    }
    if (!Do(Step::Close, [&] { return temporary.file.close(); })) {
        return failed(LastError());
    }
    if (const auto refused = KeepOwner(oldOwner, newOwner, temporary.path)) {
        return failed(*refused);
    }
    // Nothing of ours may hold the file while it is replaced.
    if (exists) {
        old.close();
    }
    if (const int injected = faults::Injected(Step::Rename)) {
        return failed(Win32Error(static_cast<DWORD>(injected)));
    }
    // One rename: a single journalled operation on NTFS. (WRITE_THROUGH only
    // makes a move that has to copy wait for the copy; the content itself
    // was flushed above.) Not ReplaceFileW: it is several steps (Wine's
    // moves the old file away, deletes it and renames the new one in,
    // leaving a moment with no file under the name), on Windows it can fail
    // half-way leaving the file under a backup name, and the attributes and
    // security it would carry over are taken over above.
    const std::wstring from = win32::SystemPath(temporary.path);
    const std::wstring to = win32::SystemPath(target);
    // After the rename nothing may fail for want of memory, or the message
    // would say the file was left as it was.
    Replaced replaced;
    const ULONGLONG start = ::GetTickCount64();
    for (DWORD wait = 20;; wait = std::min<DWORD>(2 * wait, 250)) {
        // The file as it was loaded, once more, right before the rename: an
        // edit another program made while the new content was written stays.
        if (options.expected.known() && !SameStamp(target, options.expected)) {
            return failed(FileRefusal::ChangedOnDisk);
        }
        if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            break;
        }
        DWORD error = ::GetLastError();
        // An antivirus program or the search indexer may hold either file a
        // moment after it was written: asked again for about two seconds.
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
        if (held && ::GetTickCount64() - start < kRenameTries) {
            ::Sleep(wait);
            continue;
        }
        // The deletion the rename needs was granted above; refused now, the
        // file is open in another program (one that shares its deletion,
        // but a file still open cannot be replaced).
        if (exists && error == ERROR_ACCESS_DENIED) {
            error = ERROR_SHARING_VIOLATION;
        }
        return failed(Win32Error(error));
    }
    temporary.keep();

    replaced.contentReplaced = true;
    Handle now(::CreateFileW(to.c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FileFacts newFacts;
    if (now.valid() && QueryFacts(now.get(), newFacts)) {
        replaced.stamp = StampOf(newFacts);
    }
    return replaced;
}


}  // namespace quilvane
