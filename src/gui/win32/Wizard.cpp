#include "gui/win32/Wizard.hpp"

#include "gui/win32/DroppedFiles.hpp"
#include "gui/win32/KeyboardFlow.hpp"
#include "transform/Commands.hpp"
#include "transform/FileActions.hpp"
#include "wizard/HandlerGuard.hpp"
#include "wizard/Navigation.hpp"

namespace quilvane::win32 {

Wizard::Wizard()
    : form_(Form::Events{
          [this](int command) {
              act([this, command] { ClickCommand(view_, command); });
              // A password not taken: its panel stays, typing starts again in its first box.
              if (HWND first = FocusAfterCommand(form_, command); first && !runner_.running()) {
                  SetFocus(first);
              }
          },
          [this](int box) {
              if (GetFocus() != form_.text(box)) {  // already there: nothing to do
                  act([this, box] { PasswordBox_MouseMove(view_, static_cast<TextBox>(box - 1)); });
              }
          },
          [this] {
              // Closing the window ends the program, unless an action is under way.
              if (!runner_.running()) {
                  view_.endProgram();
              }
          },
          [this](HDROP files) {
              // Files dropped on a file panel are opened as if chosen in the
              // dialog; a folder among them, or a drop on another panel, is ignored.
              const auto dropped = TakeDroppedFiles(files);
              const bool onFilePanel = IsWindowVisible(form_.frame(4)) || IsWindowVisible(form_.frame(5));
              if (!dropped.empty() && onFilePanel) {
                  act([this, &dropped] { OpenDroppedFiles(view_, dropped); });
              }
          },
      }),
      view_(form_),
      runner_(form_.window())
{
}

void Wizard::act(const std::function<void()>& handler)
{
    HWND focus = GetFocus();
    const bool ran = runner_.run([&] { RunHandler(view_, handler); });
    if (!ran) {
        return;
    }
    if (HWND requested = view_.takeRequestedFocus()) {
        focus = requested;
    }
    if (focus && IsWindowVisible(focus)) {
        SetFocus(focus);
    } else if (IsWindowVisible(form_.window())) {
        form_.keepFocusVisible();
    }
}

int RunMessageLoop(HWND window)
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

}  // namespace quilvane::win32
