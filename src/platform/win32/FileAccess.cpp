#include "platform/FileAccess.hpp"

#include "platform/FileRefusal.hpp"
#include "platform/win32/FileHandles.hpp"

#include <windows.h>

#include <algorithm>

namespace quilvane {
namespace {

using win32::Handle;
using win32::kShareAll;

std::error_code Win32Error(DWORD code) { return {static_cast<int>(code), std::system_category()}; }

// The file itself, never what a link in its place points at: opened as the
// reparse point it may be, and opened again as a file where it is one of
// the reparse points that are the file (a cloud drive's).
HANDLE OpenNotFollowing(const std::filesystem::path& path, DWORD access, std::error_code& error)
{
    Handle own(::CreateFileW(win32::SystemPath(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!own.valid()) {
        error = Win32Error(::GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (::GetFileType(own.get()) != FILE_TYPE_DISK) {
        error = make_error_code(FileRefusal::NotRegularFile);
        return INVALID_HANDLE_VALUE;
    }
    if (!::GetFileInformationByHandleEx(own.get(), FileAttributeTagInfo, &tag, sizeof tag)) {
        error = Win32Error(::GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    if (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        error = std::make_error_code(std::errc::is_a_directory);
        return INVALID_HANDLE_VALUE;
    }
    if (!(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return own.release();
    }
    if (IsReparseTagNameSurrogate(tag.ReparseTag)) {
        error = make_error_code(FileRefusal::NotRegularFile);
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE file =
        ::CreateFileW(win32::SystemPath(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = Win32Error(::GetLastError());
    }
    return file;
}

}  // namespace

std::error_code ReadFileStart(const std::filesystem::path& path, std::size_t limit, std::string& bytes)
{
    std::error_code error;
    Handle file(OpenNotFollowing(path, GENERIC_READ, error));
    bytes.clear();
    if (!file.valid()) {
        return error;
    }
    bytes.assign(limit, '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(limit - filled, 1u << 30));
        if (!::ReadFile(file.get(), bytes.data() + filled, want, &got, nullptr)) {
            error = Win32Error(::GetLastError());
            break;
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    bytes.resize(error ? 0 : filled);
    return error;
}

bool DirectoryAcceptsNewFiles(const std::filesystem::path& directory)
{
    // Only creating a file shows what the access-control list allows; the
    // file goes again when its handle is closed.
    const auto probe = directory / (L".quilvane-probe-" + std::to_wstring(::GetCurrentProcessId()));
    const HANDLE file = ::CreateFileW(win32::SystemPath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return ::GetLastError() == ERROR_FILE_EXISTS;
    }
    ::CloseHandle(file);
    return true;
}

bool IsSomeoneElsesFile(const std::filesystem::path& path)
{
    std::error_code error;
    Handle file(OpenNotFollowing(path, FILE_READ_ATTRIBUTES | READ_CONTROL, error));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.valid() || !::GetFileInformationByHandle(file.get(), &info)) {
        return false;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        return true;
    }
    const auto owner = win32::OwnerOf(file.get());
    if (!owner.empty() && !win32::IsOwnOwner(owner)) {
        return true;
    }
    return win32::WriteDenied(path);
}

}  // namespace quilvane
