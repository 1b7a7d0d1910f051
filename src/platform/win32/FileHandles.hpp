#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quilvane::win32 {

// What the Win32 file layer's parts share: an owned handle, and the
// questions about a file that both the document's and the key file's code
// ask.

class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle()
    {
        if (valid()) {
            ::CloseHandle(handle_);
        }
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }
    HANDLE release()
    {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void reset(HANDLE handle)
    {
        if (valid()) {
            ::CloseHandle(handle_);
        }
        handle_ = handle;
    }
    // Closes now, reporting the failure a deferred write may only show here.
    bool close()
    {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The path as the system's calls take it whatever its length: an absolute
// path in its long form (\\?\C:\..., \\?\UNC\server\share\...), which
// is not limited to MAX_PATH characters; anything else as it is.
std::wstring SystemPath(const std::filesystem::path& path);

// A symbolic link or a junction: a reparse point that names another file.
// Other reparse points (files of a cloud drive, deduplicated files) are the
// file itself.
bool IsLink(const std::filesystem::path& path);

// The owner of the file behind `file` (opened with READ_CONTROL), as the
// bytes of its SID; empty when it cannot be told.
std::vector<BYTE> OwnerOf(HANDLE file);

// Whether `owner` is this user, or the owner the files this program makes
// get (where the two differ: an administrator's program gives its files to
// the administrators).
bool IsOwnOwner(const std::vector<BYTE>& owner);

// Whether the system refuses this user the right to write the file's data.
// A file another program holds open, or a failure to ask, says nothing
// against it: the steps that follow will tell.
bool WriteDenied(const std::filesystem::path& file);

}  // namespace quilvane::win32
