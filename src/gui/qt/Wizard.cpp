#include "gui/qt/Wizard.hpp"

#include "gui/qt/KeyboardFlow.hpp"
#include "password/PasswordSteps.hpp"
#include "transform/FileActions.hpp"
#include "wizard/HandlerGuard.hpp"
#include "wizard/Navigation.hpp"

#include <QEvent>
#include <QLineEdit>
#include <QPushButton>

namespace quilvane {

Wizard::Wizard()
    : view_(form_),
      runner_(form_),
      drop_(form_, [this](const std::filesystem::path& file) {
          act([this, file] { OpenDroppedFile(view_, file); });
      })
{
    using Handler = void (*)(WizardView&);
    const Handler clicks[] = {&Command1_Click, &Command2_Click, &Command3_Click, &Command4_Click,
                              &Command5_Click, &Command6_Click, &Command7_Click, &Command8_Click,
                              &Command9_Click, &Command10_Click, &Command11_Click};
    for (int number = 1; number <= 11; ++number) {
        const Handler handler = clicks[number - 1];
        connect(form_.command(number), &QPushButton::clicked, this,
                [this, handler] { act([this, handler] { handler(view_); }); });
    }
    for (int number = 1; number <= 10; ++number) {
        form_.text(number)->installEventFilter(this);
    }
    new KeyboardFlow(form_);  // owned by the window
}

void Wizard::show()
{
    form_.centreOnScreen();
    form_.show();
    form_.command(1)->setFocus();
}

void Wizard::act(const std::function<void()>& handler)
{
    runner_.run([&] { RunHandler(view_, handler); });
}

bool Wizard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        for (int number = 1; number <= 10; ++number) {
            if (watched == form_.text(number)) {
                act([this, number] { PasswordBox_MouseMove(view_, static_cast<TextBox>(number - 1)); });
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quilvane
