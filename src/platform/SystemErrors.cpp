#include "platform/SystemErrors.hpp"

#include <cerrno>

namespace quilvane {

SystemFailure ClassifyErrno(int value)
{
    switch (value) {
    case ENOENT: return SystemFailure::NotFound;
    case EACCES:
    case EPERM: return SystemFailure::AccessDenied;
    case EISDIR: return SystemFailure::IsADirectory;
    case ENOTDIR: return SystemFailure::NotADirectory;
    case ENOSPC: return SystemFailure::DiskFull;
    case EROFS: return SystemFailure::ReadOnlyDisk;
    case EFBIG: return SystemFailure::FileTooLarge;
    case ENAMETOOLONG: return SystemFailure::NameTooLong;
    case EBUSY: return SystemFailure::Busy;
    case EIO: return SystemFailure::DiskError;
    case ENOMEM: return SystemFailure::OutOfMemory;
    case EMFILE:
    case ENFILE: return SystemFailure::TooManyOpenFiles;
    default: return SystemFailure::Other;
    }
}

}  // namespace quilvane
