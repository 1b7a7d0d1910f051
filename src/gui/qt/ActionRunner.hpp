#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace quilvane {

// Every handler of the window runs through here, one at a time. From the
// first instant of a handler until it returns, no input reaches the window:
// clicks, keys, the wheel, drags and drops are dropped, and a request to
// close it is refused. So a double click, or a click while a file is still
// being read, never starts a second handler inside the first. The handler's
// own dialogs (message boxes, the file dialog, the progress window) are
// windows of their own and take input as usual.
class ActionRunner : public QObject {
public:
    explicit ActionRunner(QWidget& window);

    // Runs the handler now, unless another is running (then nothing happens).
    void run(const std::function<void()>& handler);
    bool running() const { return running_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    bool running_ = false;
};

}  // namespace quilvane
