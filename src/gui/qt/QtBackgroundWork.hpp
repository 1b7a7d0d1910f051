#pragma once

#include "platform/WizardView.hpp"

#include <QString>

#include <functional>

class QWidget;

namespace quilvane {

// Runs `work` on a thread of its own and returns when it is done. Meanwhile
// the window's thread goes on painting, the pointer shows that the program is
// busy, and after `delay` milliseconds a progress window over `parent` shows
// how far the work has come ("已处理 x / y MB"), with a Cancel button where
// `cancellable`. The caller blocks the window's input; this takes none of it
// away from the progress window. A failure thrown by the work is thrown here.
void RunInBackground(QWidget* parent, const QString& title, bool cancellable, int delay,
                     const std::function<void(ProgressReport&)>& work);

}  // namespace quilvane
