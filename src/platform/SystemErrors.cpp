#include "platform/SystemErrors.hpp"

#include <cerrno>
#include <exception>
#include <new>
#include <stdexcept>
#include <system_error>

namespace quilvane {

SystemFailure ClassifyErrno(int value)
{
    // One number on some systems, two on others: no switch can hold both.
    if (value == ENOTSUP || value == EOPNOTSUPP) {
        return SystemFailure::NotSupported;
    }
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
    case ENOSYS: return SystemFailure::NotSupported;
    case EINTR: return SystemFailure::Interrupted;
    case ELOOP: return SystemFailure::TooManyLinks;
    case ENOTCONN:
    case ENXIO:
    case ENODEV: return SystemFailure::ConnectionLost;
    case EAGAIN: return SystemFailure::TryAgain;
    default: return SystemFailure::Other;
    }
}

std::error_code CurrentExceptionError()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    } catch (const std::length_error&) {
        return std::make_error_code(std::errc::not_enough_memory);
    } catch (const std::system_error& failure) {
        return failure.code();
    } catch (...) {
        return std::make_error_code(std::errc::state_not_recoverable);
    }
}

}  // namespace quilvane
