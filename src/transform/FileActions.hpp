#pragma once

#include "platform/WizardView.hpp"

namespace quilvane {

void Command4_Click(WizardView& view);   // Open file on Frame4
void Command9_Click(WizardView& view);   // Open file on Frame5
void Command5_Click(WizardView& view);   // Encrypt file
void Command10_Click(WizardView& view);  // Decrypt file

}  // namespace quilvane
