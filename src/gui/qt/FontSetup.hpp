#pragma once

namespace quilvane {

// To be called before the window system starts. Where the system's font
// configuration is large and the program's own fonts are found, the fonts
// the window may use are limited to those: reading every font rule and
// directory of the system is a good part of the start-up. Leaves everything
// as it is where the user has chosen a configuration (FONTCONFIG_FILE) or
// the fonts are elsewhere, and does nothing on systems without fontconfig.
void LimitFontsToTheInterface();

}  // namespace quilvane
