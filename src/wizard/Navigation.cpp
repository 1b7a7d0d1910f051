#include "wizard/Navigation.hpp"

namespace quilvane {

void Command1_Click(WizardView& view)
{
    // Both paths' boxes are emptied, whichever path is taken.
    for (TextBox box : {TextBox::Text1, TextBox::Text2, TextBox::Text3, TextBox::Text4, TextBox::Text5,
                        TextBox::Text6, TextBox::Text7, TextBox::Text8, TextBox::Text9, TextBox::Text10}) {
        view.clearBox(box);
    }
    if (view.optionValue(OptionButton::Option1)) {
        view.setFrameVisible(Frame::Frame1, false);
        view.setFrameVisible(Frame::Frame2, true);
    }
    if (view.optionValue(OptionButton::Option2)) {
        view.setFrameVisible(Frame::Frame1, false);
        view.setFrameVisible(Frame::Frame3, true);
    }
}

void Command2_Click(WizardView& view)
{
    view.setFrameVisible(Frame::Frame2, false);
    view.setFrameVisible(Frame::Frame1, true);
}

void Command7_Click(WizardView& view)
{
    view.setFrameVisible(Frame::Frame3, false);
    view.setFrameVisible(Frame::Frame1, true);
}

void Command6_Click(WizardView& view)
{
    view.endProgram();
}

void Command11_Click(WizardView& view)
{
    view.endProgram();
}

void PasswordBox_MouseMove(WizardView& view, TextBox box)
{
    view.focusBox(box);
}

}  // namespace quilvane
