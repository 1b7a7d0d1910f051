#pragma once

#include <QFont>

namespace quilvane {

// The font of the form's controls and of its message boxes. The layout was
// drawn for a 9-point Song face at 96 dots per inch, twelve pixels to a
// character with tight lines; a font with those measures keeps every caption
// inside its place. Every property that changes a caption's measure is set
// here, so that no application font a desktop theme chooses reaches the
// places; characters the face lacks still come from the system's fallback.
QFont InterfaceFont();

}  // namespace quilvane
