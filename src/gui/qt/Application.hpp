#pragma once

class QApplication;

namespace quilvane {

// Sets up what the whole program shares: its name (which names the user data
// directory) and Qt's own Chinese texts for standard buttons and dialogs,
// whatever the system's language.
void PrepareApplication(QApplication& app);

}  // namespace quilvane
