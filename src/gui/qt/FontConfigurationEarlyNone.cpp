#include "gui/qt/FontConfigurationEarly.hpp"

namespace quilvane {

// The fonts do not come through fontconfig here: nothing to read early.
std::jthread ReadFontConfigurationEarly()
{
    return {};
}

}  // namespace quilvane
