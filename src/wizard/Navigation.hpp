#pragma once

#include "platform/WizardView.hpp"

namespace quilvane {

// Moves between the steps that involve neither a password nor a file.
void Command1_Click(WizardView& view);   // Next on Frame1
void Command2_Click(WizardView& view);   // Previous on Frame2
void Command7_Click(WizardView& view);   // Previous on Frame3
void Command6_Click(WizardView& view);   // Exit on Frame4
void Command11_Click(WizardView& view);  // Exit on Frame5

// The mouse moving over a password box gives that box the keyboard focus.
void PasswordBox_MouseMove(WizardView& view, TextBox box);

}  // namespace quilvane
