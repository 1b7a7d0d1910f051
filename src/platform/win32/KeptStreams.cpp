#include "platform/win32/KeptStreams.hpp"

#include "platform/TemporaryNames.hpp"
#include "platform/win32/FileHandles.hpp"
#include "platform/win32/WideText.hpp"

#include <windows.h>

#include <string>
#include <vector>

namespace quilvane::win32 {
namespace {

std::error_code Win32Error(DWORD code) { return {static_cast<int>(code), std::system_category()}; }

// Answers of a volume, or of a system, that keeps no named streams.
bool NoStreamsHere(DWORD error)
{
    return error == ERROR_HANDLE_EOF || error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED ||
           error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_PARAMETER;
}

std::error_code CopyStream(const std::wstring& from, const std::wstring& to)
{
    Handle source(::CreateFileW(from.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source.valid()) {
        return Win32Error(::GetLastError());
    }
    Handle target(::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!target.valid()) {
        return Win32Error(::GetLastError());
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(source.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            return Win32Error(::GetLastError());
        }
        if (got == 0) {
            break;
        }
        DWORD written = 0;
        if (!::WriteFile(target.get(), buffer.data(), got, &written, nullptr) || written != got) {
            return Win32Error(written != got ? ERROR_WRITE_FAULT : ::GetLastError());
        }
    }
    if (!::FlushFileBuffers(target.get())) {
        return Win32Error(::GetLastError());
    }
    return {};
}

}  // namespace

std::error_code CopyNamedStreams(const std::filesystem::path& from, const std::filesystem::path& to)
{
    const std::wstring source = SystemPath(from);
    const std::wstring target = SystemPath(to);
    WIN32_FIND_STREAM_DATA stream{};
    const HANDLE find = ::FindFirstStreamW(source.c_str(), FindStreamInfoStandard, &stream, 0);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return NoStreamsHere(error) ? std::error_code{} : Win32Error(error);
    }
    std::error_code failure;
    do {
        const std::wstring name = stream.cStreamName;  // ":name:$DATA"; the content is "::$DATA"
        if (name == L"::$DATA") {
            continue;
        }
        failure = CopyStream(source + name, target + name);
    } while (!failure && ::FindNextStreamW(find, &stream));
    if (!failure && ::GetLastError() != ERROR_HANDLE_EOF) {
        failure = Win32Error(::GetLastError());
    }
    ::FindClose(find);
    return failure;
}

void RemoveStaleTemporaries(const std::filesystem::path& folder)
{
    WIN32_FIND_DATAW found{};
    const HANDLE find = ::FindFirstFileW(SystemPath(folder / L".quilvane-*.tmp").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const bool plainFile = !(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                                           FILE_ATTRIBUTE_READONLY));
        if (plainFile && IsTemporaryName(Utf8FromWide(found.cFileName))) {
            ::DeleteFileW(SystemPath(folder / found.cFileName).c_str());
        }
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
}

}  // namespace quilvane::win32
