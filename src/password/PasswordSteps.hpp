#pragma once

#include "platform/WizardView.hpp"

namespace quilvane {

void Command3_Click(WizardView& view);  // Next on Frame2, the encryption password
void Command8_Click(WizardView& view);  // Next on Frame3, the decryption password

}  // namespace quilvane
