#include "platform/FileAccess.hpp"

#include <windows.h>

namespace quilvane {

std::error_code ReadFileStart(const std::filesystem::path& path, std::size_t limit, std::string& bytes)
{
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {static_cast<int>(::GetLastError()), std::system_category()};
    }
    bytes.assign(limit, '\0');
    std::size_t filled = 0;
    std::error_code error;
    while (filled < limit) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(limit - filled, 1u << 30));
        if (!::ReadFile(file, bytes.data() + filled, want, &got, nullptr)) {
            error.assign(static_cast<int>(::GetLastError()), std::system_category());
            break;
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    ::CloseHandle(file);
    bytes.resize(filled);
    return error;
}

bool DirectoryAcceptsNewFiles(const std::filesystem::path& directory)
{
    // Only creating a file shows what the access-control list allows; the
    // file goes again when its handle is closed.
    const auto probe = directory / (L".quilvane-probe-" + std::to_wstring(::GetCurrentProcessId()));
    const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return ::GetLastError() == ERROR_FILE_EXISTS;
    }
    ::CloseHandle(file);
    return true;
}

}  // namespace quilvane
