#pragma once

#include "platform/WizardView.hpp"

#include <filesystem>
#include <vector>

namespace quilvane {

// Several files chosen at once. Each is done exactly as if it had been
// chosen alone, one after the other, under one progress window.

// Chooses the files: each one's stamp is taken (names and sizes only, no
// content read) and the view lists them. Files that cannot be opened are
// named in one message and left out.
void LoadChosenFiles(WizardView& view, const std::vector<std::filesystem::path>& chosen);

// The view's document is the files chosen together, as the dialog names them.
bool SeveralChosen(const WizardView& view);

// The actions on them, with the shift already read from the key file.
void EncryptChosenFiles(WizardView& view, int delta);
void DecryptChosenFiles(WizardView& view, int delta);

}  // namespace quilvane
