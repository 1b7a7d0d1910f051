#include "gui/qt/Wizard.hpp"

#include "gui/qt/KeyboardFlow.hpp"
#include "transform/Commands.hpp"
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
      drop_(form_, [this](const std::vector<std::filesystem::path>& files) {
          act([this, files] { OpenDroppedFiles(view_, files); });
      })
{
    for (int number = 1; number <= 11; ++number) {
        connect(form_.command(number), &QPushButton::clicked, this,
                [this, number] { act([this, number] { ClickCommand(view_, number); }); });
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
