#include "platform/SystemErrors.hpp"

#include <cerrno>

namespace quilvane {

// Here the system's own error codes are errno values, whichever category
// carries them.
SystemFailure ClassifySystemError(const std::error_code& error)
{
    if (error.category() != std::generic_category() && error.category() != std::system_category()) {
        return SystemFailure::Other;
    }
    switch (error.value()) {
    case EDQUOT: return SystemFailure::QuotaExceeded;
    case ETXTBSY: return SystemFailure::Busy;
    case ESTALE:
    case ECONNABORTED:
    case EHOSTDOWN: return SystemFailure::ConnectionLost;
    default: return ClassifyErrno(error.value());
    }
}

std::string SystemErrorText(const std::error_code& error)
{
    return error.message();
}

}  // namespace quilvane
