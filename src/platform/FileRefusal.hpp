#pragma once

#include <system_error>

namespace quilvane {

// Reasons to leave a file alone that are the program's own decision, not a
// failure of the system; they travel in a std::error_code like errno values.
enum class FileRefusal {
    ReadOnly = 1,       // the owner has no write permission: the user marked it so
    HardLinked,         // other names would keep the old content
    ChangedOnDisk,      // someone else changed it since it was loaded or written
    NotRegularFile,     // a device, a pipe or the like
    NotPermitted,       // the system does not let this user write it
    OwnerNotKept,       // replacing it would give it to this user instead of its owner
    AccessNotKept,      // its access-control list or security label could not be kept
};

const std::error_category& FileRefusalCategory();
std::error_code make_error_code(FileRefusal refusal);

}  // namespace quilvane

template <>
struct std::is_error_code_enum<quilvane::FileRefusal> : std::true_type {};
