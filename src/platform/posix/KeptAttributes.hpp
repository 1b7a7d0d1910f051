#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <system_error>

namespace quilvane::posix {

// A replace changes the content and nothing else: these give the new file,
// still unnamed or hidden, what the old one had besides its content. Each
// answers why it could not, if it could not.

// The old file's owner and group. Root may set any; a user, only a group of
// their own on a file of their own: a replace never gives a file to someone
// else (FileRefusal::OwnerNotKept). A filesystem that keeps no owners is no
// failure.
std::optional<std::error_code> TakeOverOwner(int fd, const struct stat& old);

// Every extended attribute of the old file -- its access-control list,
// security label, user.* attributes, and Windows' attributes through
// ntfs-3g -- and none it did not have (a folder's default list gives a new
// file one of its own). One that grants or limits access and cannot be kept
// is FileRefusal::AccessNotKept.
std::optional<std::error_code> TakeOverExtendedAttributes(const std::filesystem::path& old, int fd);

// The old file's permission bits. A filesystem that keeps none (FAT through
// FUSE answers ENOSYS or EPERM) is no failure, nor is one whose new file
// already has them.
std::optional<std::error_code> TakeOverMode(int fd, mode_t mode);

}  // namespace quilvane::posix
