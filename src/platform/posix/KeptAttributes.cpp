#include "platform/posix/KeptAttributes.hpp"

#include "platform/FileRefusal.hpp"

#include <cerrno>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace quilvane::posix {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

bool KeepsNone(int error) { return error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP; }

// ntfs-3g's Windows attributes (read-only, hidden, system, archive): asked
// for by name, as it does not list them.
constexpr const char* kNtfsAttributes = "system.ntfs_attrib";

// Attributes that say who may do what with the file.
bool GovernsAccess(std::string_view name)
{
    return name.starts_with("system.") || name.starts_with("security.") || name.starts_with("trusted.");
}

// A list of names as the system gives it: each ends with a NUL.
std::vector<std::string> SplitNames(const std::vector<char>& list)
{
    std::vector<std::string> names;
    for (std::size_t start = 0; start < list.size();) {
        const std::string_view name(list.data() + start);
        if (!name.empty()) {
            names.emplace_back(name);
        }
        start += name.size() + 1;
    }
    return names;
}

// Calls `get(buffer, size)` (a list or get call) until the buffer is large
// enough: another program may add to the attributes between the two calls.
template <typename Get>
std::optional<std::vector<char>> Fetch(Get get, int& error)
{
    std::vector<char> buffer;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t needed = get(nullptr, 0);
        if (needed < 0) {
            error = errno;
            return std::nullopt;
        }
        buffer.resize(static_cast<std::size_t>(needed));
        const ssize_t got = get(buffer.data(), buffer.size());
        if (got >= 0) {
            buffer.resize(static_cast<std::size_t>(got));
            return buffer;
        }
        if (errno != ERANGE) {
            error = errno;
            return std::nullopt;
        }
    }
    error = ERANGE;
    return std::nullopt;
}

struct Attribute {
    std::string name;
    std::vector<char> value;
};

// The old file's attributes, read through its name without following a
// link; an attribute that vanishes meanwhile is left out.
std::optional<std::vector<Attribute>> AttributesOf(const std::filesystem::path& file, int& error)
{
    std::vector<Attribute> attributes;
    auto names = Fetch([&](char* list, std::size_t size) { return ::llistxattr(file.c_str(), list, size); }, error);
    if (!names) {
        if (!KeepsNone(error)) {
            return std::nullopt;
        }
        names.emplace();
    }
    std::vector<std::string> all = SplitNames(*names);
    if (std::find(all.begin(), all.end(), kNtfsAttributes) == all.end()) {
        all.emplace_back(kNtfsAttributes);
    }
    for (const std::string& name : all) {
        int valueError = 0;
        auto value = Fetch(
            [&](char* data, std::size_t size) { return ::lgetxattr(file.c_str(), name.c_str(), data, size); },
            valueError);
        if (value) {
            attributes.push_back({name, std::move(*value)});
        } else if (valueError != ENODATA && !KeepsNone(valueError)) {
            error = valueError;
            return std::nullopt;
        }
    }
    return attributes;
}

std::error_code NotKept(std::string_view name, int error)
{
    if (GovernsAccess(name) && (error == EPERM || error == EACCES || KeepsNone(error))) {
        return make_error_code(FileRefusal::AccessNotKept);
    }
    return {error, std::generic_category()};
}

}  // namespace

std::optional<std::error_code> TakeOverOwner(int fd, const struct stat& old)
{
    struct stat now {};
    if (::fstat(fd, &now) != 0) {
        return LastError();
    }
    if (now.st_uid == old.st_uid && now.st_gid == old.st_gid) {
        return std::nullopt;
    }
    const uid_t owner = now.st_uid == old.st_uid ? static_cast<uid_t>(-1) : old.st_uid;
    const gid_t group = now.st_gid == old.st_gid ? static_cast<gid_t>(-1) : old.st_gid;
    if (::fchown(fd, owner, group) != 0) {
        if (errno == EPERM || errno == EACCES) {
            return make_error_code(FileRefusal::OwnerNotKept);
        }
        if (KeepsNone(errno)) {
            return std::nullopt;
        }
        return LastError();
    }
    return std::nullopt;
}

std::optional<std::error_code> TakeOverExtendedAttributes(const std::filesystem::path& old, int fd)
{
    int error = 0;
    const auto wanted = AttributesOf(old, error);
    if (!wanted) {
        return std::error_code(error, std::generic_category());
    }
    // What the new file was given on its own, by its folder or the system.
    auto present = Fetch([&](char* list, std::size_t size) { return ::flistxattr(fd, list, size); }, error);
    const std::vector<std::string> names = present ? SplitNames(*present) : std::vector<std::string>{};
    if (!present && !KeepsNone(error)) {
        return std::error_code(error, std::generic_category());
    }
    for (const std::string& name : names) {
        const bool kept = std::any_of(wanted->begin(), wanted->end(), [&](const Attribute& a) { return a.name == name; });
        if (!kept && ::fremovexattr(fd, name.c_str()) != 0 && errno != ENODATA) {
            return NotKept(name, errno);
        }
    }
    for (const Attribute& attribute : *wanted) {
        int ownError = 0;
        const auto own = Fetch(
            [&](char* data, std::size_t size) { return ::fgetxattr(fd, attribute.name.c_str(), data, size); },
            ownError);
        if (own && *own == attribute.value) {
            continue;  // the new file has it already: a label the system gives, the same list
        }
        if (::fsetxattr(fd, attribute.name.c_str(), attribute.value.data(), attribute.value.size(), 0) != 0) {
            return NotKept(attribute.name, errno);
        }
    }
    return std::nullopt;
}

std::optional<std::error_code> TakeOverMode(int fd, mode_t mode)
{
    if (::fchmod(fd, mode) == 0) {
        return std::nullopt;
    }
    const int error = errno;
    struct stat now {};
    if (::fstat(fd, &now) == 0 && (now.st_mode & 07777) == mode) {
        return std::nullopt;
    }
    // The new file is this user's own: only a filesystem without modes can
    // refuse its owner a change of them.
    if (KeepsNone(error) || error == EPERM) {
        return std::nullopt;
    }
    return std::error_code(error, std::generic_category());
}

}  // namespace quilvane::posix
