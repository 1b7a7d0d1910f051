#include "gui/qt/FontConfigurationEarly.hpp"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace quilvane {

std::jthread ReadFontConfigurationEarly()
{
    try {
        // Loading twice at once is safe in fontconfig: one result is kept.
        return std::jthread([] { FcInit(); });
    } catch (const std::system_error&) {
        return {};  // no thread to be had: Qt reads it when it needs it
    }
}

}  // namespace quilvane
