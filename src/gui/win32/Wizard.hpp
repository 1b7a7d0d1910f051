#pragma once

#include "gui/win32/ActionRunner.hpp"
#include "gui/win32/Form.hpp"
#include "gui/win32/Win32WizardView.hpp"

#include <functional>

namespace quilvane::win32 {

// The Win32 window with every control event bound to its handler, the same
// handlers the Qt window runs.
class Wizard {
public:
    Wizard();

    Form& form() { return form_; }
    Win32WizardView& view() { return view_; }
    // True while a handler runs: the window then takes no input.
    bool busy() const { return runner_.running(); }

    // Shows the window centred on its monitor, focus on the first Next button.
    void show() { form_.show(); }

private:
    void act(const std::function<void()>& handler);

    Form form_;
    Win32WizardView view_;
    ActionRunner runner_;
};

// Dispatches the window's messages (with Tab, arrows and Enter moving between
// its controls) until the program ends; returns its exit code.
int RunMessageLoop(HWND window);

}  // namespace quilvane::win32
