#pragma once

// What each system's file layer (posix/, win32/) gives the part of the file
// layer that every system shares.
#include "platform/DocumentFile.hpp"

namespace quilvane::detail {

// ReplaceFileContentFrom as the system does it; it may throw (no memory, no
// thread), and leaves no temporary file behind when it does.
Replaced ReplaceOnThisSystem(const std::filesystem::path& path, std::uint64_t size,
                             const ContentStretches& stretches, const ReplaceOptions& options);

}  // namespace quilvane::detail
