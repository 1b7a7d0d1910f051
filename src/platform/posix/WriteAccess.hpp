#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <system_error>

namespace quilvane::posix {

// Why this user may not replace the file that `status` describes, if they
// may not: its owner's write bit is off (refused even to root: the user
// marked the file so), or the system does not let this user write it --
// permission bits, access-control lists, a read-only mount -- although the
// folder would let them rename another file over it.
std::optional<std::error_code> WriteRefusal(const std::filesystem::path& file, const struct stat& status);

}  // namespace quilvane::posix
