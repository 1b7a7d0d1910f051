#include "platform/SystemErrors.hpp"

#include "platform/win32/WideText.hpp"

#include <windows.h>

namespace quilvane {
namespace {

constexpr DWORD kDiskQuotaExceeded = 1295;  // ERROR_DISK_QUOTA_EXCEEDED, missing from mingw-w64's headers

// Win32 error codes and errno values share numbers (5 is "access denied"
// here and EIO there), so each is read by the table of its own category.
SystemFailure ClassifyWin32(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return SystemFailure::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD: return SystemFailure::AccessDenied;
    case ERROR_DIRECTORY: return SystemFailure::NotADirectory;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return SystemFailure::DiskFull;
    case kDiskQuotaExceeded: return SystemFailure::QuotaExceeded;
    case ERROR_WRITE_PROTECT: return SystemFailure::ReadOnlyDisk;
    case ERROR_FILE_TOO_LARGE: return SystemFailure::FileTooLarge;
    case ERROR_FILENAME_EXCED_RANGE: return SystemFailure::NameTooLong;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return SystemFailure::HeldOpenElsewhere;
    case ERROR_BUSY: return SystemFailure::Busy;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY: return SystemFailure::DiskError;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES: return SystemFailure::OutOfMemory;
    case ERROR_TOO_MANY_OPEN_FILES: return SystemFailure::TooManyOpenFiles;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
    case ERROR_CALL_NOT_IMPLEMENTED: return SystemFailure::NotSupported;
    case ERROR_OPERATION_ABORTED: return SystemFailure::Interrupted;
    case ERROR_CANT_RESOLVE_FILENAME: return SystemFailure::TooManyLinks;
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED: return SystemFailure::ConnectionLost;
    case ERROR_RETRY: return SystemFailure::TryAgain;
    default: return SystemFailure::Other;
    }
}

}  // namespace

SystemFailure ClassifySystemError(const std::error_code& error)
{
    if (error.category() == std::system_category()) {
        return ClassifyWin32(static_cast<DWORD>(error.value()));
    }
    if (error.category() == std::generic_category()) {
        return ClassifyErrno(error.value());
    }
    return SystemFailure::Other;
}

// The system's text comes in the user's language; the narrow calls would
// give it in the ANSI code page, so it is asked for in UTF-16.
std::string SystemErrorText(const std::error_code& error)
{
    if (error.category() != std::system_category()) {
        return error.message();
    }
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error.value()), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || !buffer) {
        return "Win32 error " + std::to_string(error.value());
    }
    std::wstring_view text(buffer, length);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.remove_suffix(1);
    }
    std::string utf8 = win32::Utf8FromWide(text);
    ::LocalFree(buffer);
    return utf8;
}

}  // namespace quilvane
