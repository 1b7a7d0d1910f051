#pragma once

class QApplication;

namespace quilvane {

// Sets up what the whole program shares: its name (which names the user data
// directory) and Qt's own Chinese texts for standard buttons and dialogs,
// whatever the system's language. The application's font stays the one the
// desktop chooses, for Qt's own dialogs (the file dialog shows names in any
// script); the form and its message boxes carry the interface font.
void PrepareApplication(QApplication& app);

}  // namespace quilvane
