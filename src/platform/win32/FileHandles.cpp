#include "platform/win32/FileHandles.hpp"

#include <aclapi.h>

#include <algorithm>

namespace quilvane::win32 {
namespace {

std::vector<BYTE> SidBytes(PSID sid)
{
    if (!sid || !::IsValidSid(sid)) {
        return {};
    }
    const auto* bytes = static_cast<const BYTE*>(sid);
    return {bytes, bytes + ::GetLengthSid(sid)};
}

}  // namespace

std::wstring SystemPath(const std::filesystem::path& path)
{
    // The long form takes the path as it is: "." and ".." must be gone.
    const auto normal = [](std::wstring text) {
        text = std::filesystem::path(text).lexically_normal().wstring();
        std::replace(text.begin(), text.end(), L'/', L'\\');
        return text;
    };
    std::wstring text = path.wstring();
    std::replace(text.begin(), text.end(), L'/', L'\\');
    if (text.starts_with(LR"(\\?\)") || text.starts_with(LR"(\\.\)")) {
        return text;
    }
    if (text.starts_with(LR"(\\)")) {
        return LR"(\\?\UNC\)" + normal(text.substr(2));
    }
    if (!path.is_absolute()) {
        return text;
    }
    return LR"(\\?\)" + normal(text);
}

bool IsLink(const std::filesystem::path& path)
{
    Handle own(::CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return own.valid() && ::GetFileInformationByHandleEx(own.get(), FileAttributeTagInfo, &tag, sizeof tag) &&
           (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(tag.ReparseTag);
}

std::vector<BYTE> OwnerOf(HANDLE file)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          &descriptor) != ERROR_SUCCESS) {
        return {};
    }
    std::vector<BYTE> sid = SidBytes(owner);
    ::LocalFree(descriptor);
    return sid;
}

bool IsOwnOwner(const std::vector<BYTE>& owner)
{
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        return false;
    }
    const Handle token(opened);
    const auto told = [&](TOKEN_INFORMATION_CLASS what) {
        DWORD size = 0;
        ::GetTokenInformation(token.get(), what, nullptr, 0, &size);
        std::vector<BYTE> buffer(size);
        if (size == 0 || !::GetTokenInformation(token.get(), what, buffer.data(), size, &size)) {
            buffer.clear();
        }
        return buffer;
    };
    const std::vector<BYTE> user = told(TokenUser);
    const std::vector<BYTE> defaultOwner = told(TokenOwner);
    return (!user.empty() && SidBytes(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid) == owner) ||
           (!defaultOwner.empty() && SidBytes(reinterpret_cast<const TOKEN_OWNER*>(defaultOwner.data())->Owner) == owner);
}

bool WriteDenied(const std::filesystem::path& file)
{
    // Opening for writing asks the system what it would allow; nothing is
    // written, and others' sharing is respected.
    Handle probe(::CreateFileW(SystemPath(file).c_str(), FILE_WRITE_DATA, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    return !probe.valid() && ::GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace quilvane::win32
