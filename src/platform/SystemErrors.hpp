#pragma once

#include <string>
#include <system_error>

namespace quilvane {

// What a failed system call meant, in terms every platform shares. The file
// layer reports errors as the platform gives them (errno values, or Win32
// error codes on Windows); the messages are chosen by this.
enum class SystemFailure {
    Other,
    NotFound,
    AccessDenied,
    IsADirectory,
    NotADirectory,
    DiskFull,
    QuotaExceeded,
    ReadOnlyDisk,
    FileTooLarge,
    NameTooLong,
    Busy,
    HeldOpenElsewhere,  // another program has it open and shares it with nobody
    DiskError,
    OutOfMemory,
    TooManyOpenFiles,
    NotSupported,        // the filesystem or the system offers no such operation
    Interrupted,
    TooManyLinks,        // symbolic links in a loop, or too deep
    ConnectionLost,      // a network or FUSE filesystem that went away
    TryAgain,
};

SystemFailure ClassifySystemError(const std::error_code& error);

// The meaning of an errno value, shared by both platforms' classifications.
SystemFailure ClassifyErrno(int value);

// The system's own description of the error, in UTF-8.
std::string SystemErrorText(const std::error_code& error);

// Inside a catch block: the failure the exception being handled stands for
// (no memory left, a thread the system would not start), so that it can be
// reported like any other.
std::error_code CurrentExceptionError();

}  // namespace quilvane
