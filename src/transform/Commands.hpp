#pragma once

#include "platform/WizardView.hpp"

namespace quilvane {

// The Click handler of each command button, Command1 to Command11, as both
// windows bind them. A password step that leads to a file panel opens there
// the files given when the program was started, as if they had been chosen
// with Open file.
void ClickCommand(WizardView& view, int number);

}  // namespace quilvane
