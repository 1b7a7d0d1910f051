#pragma once

#include <functional>

namespace quilvane {

class WizardView;

// Runs one event handler. A failure it did not expect -- no memory left, a
// thread the system would not start -- ends the action with a message
// instead of ending the program: the window goes on.
void RunHandler(WizardView& view, const std::function<void()>& handler);

}  // namespace quilvane
