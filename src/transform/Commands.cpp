#include "transform/Commands.hpp"

#include "password/PasswordSteps.hpp"
#include "transform/FileActions.hpp"
#include "wizard/Navigation.hpp"

namespace quilvane {
namespace {

using Handler = void (*)(WizardView&);
constexpr Handler kClicks[] = {&Command1_Click, &Command2_Click, &Command3_Click, &Command4_Click,
                               &Command5_Click, &Command6_Click, &Command7_Click, &Command8_Click,
                               &Command9_Click, &Command10_Click, &Command11_Click};

}  // namespace

void ClickCommand(WizardView& view, int number)
{
    kClicks[number - 1](view);
    const bool passwordStep = number == 3 || number == 8;
    if (passwordStep && (view.frameVisible(Frame::Frame4) || view.frameVisible(Frame::Frame5))) {
        if (const auto files = view.takeStartFiles(); !files.empty()) {
            OpenDroppedFiles(view, files);
        }
    }
}

}  // namespace quilvane
