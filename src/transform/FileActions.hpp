#pragma once

#include "platform/WizardView.hpp"

#include <filesystem>
#include <vector>

namespace quilvane {

void Command4_Click(WizardView& view);   // Open file on Frame4
void Command9_Click(WizardView& view);   // Open file on Frame5
void Command5_Click(WizardView& view);   // Encrypt file
void Command10_Click(WizardView& view);  // Decrypt file

// A file dropped on a file panel: it becomes the chosen file and is loaded,
// as if it had been chosen in the file-open dialog.
void OpenDroppedFile(WizardView& view, const std::filesystem::path& file);
// Several files dropped or given at once: they are chosen together, as if
// chosen so in the dialog; one file is opened as above.
void OpenDroppedFiles(WizardView& view, const std::vector<std::filesystem::path>& files);

}  // namespace quilvane
