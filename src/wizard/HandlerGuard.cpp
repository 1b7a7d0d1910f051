#include "wizard/HandlerGuard.hpp"

#include "platform/FailureMessages.hpp"
#include "platform/SystemErrors.hpp"
#include "platform/WizardView.hpp"

namespace quilvane {

void RunHandler(WizardView& view, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        const std::error_code error = CurrentExceptionError();
        try {
            view.messageBox(failure::UnexpectedText(error), msgbox::kOkOnly + msgbox::kCritical,
                            failure::kUnexpectedTitle);
        } catch (...) {
            // Not even the message could be shown; the window still goes on.
        }
    }
}

}  // namespace quilvane
