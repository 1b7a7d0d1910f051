#include "gui/qt/FontSetup.hpp"

namespace quilvane {

// The system's own font set-up is quick here: nothing to limit.
void LimitFontsToTheInterface() {}

}  // namespace quilvane
