#pragma once

#include "platform/FileFaults.hpp"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <functional>
#include <future>

namespace quilvane::testing {

// Holds the work of an action the first time it reaches `step` (a read or a
// write under way, on the action's worker thread) until `whileHeld` has run
// on the window's thread: what a user does while a file is still being read
// or written, with no timing luck involved.
class WhileWorking {
public:
    WhileWorking(faults::Step step, std::function<void()> whileHeld) : whileHeld_(std::move(whileHeld))
    {
        faults::WhenReached(step, [this] { hold(); });
    }
    ~WhileWorking() { faults::Clear(); }
    WhileWorking(const WhileWorking&) = delete;
    WhileWorking& operator=(const WhileWorking&) = delete;

    bool held() const { return reached_.load(); }

private:
    void hold()
    {
        if (reached_.exchange(true)) {
            return;
        }
        if (QThread::currentThread() == qApp->thread()) {
            whileHeld_();  // not off the window's thread: nothing to hold
            return;
        }
        std::promise<void> done;
        QMetaObject::invokeMethod(
            qApp,
            [&] {
                whileHeld_();
                done.set_value();
            },
            Qt::QueuedConnection);
        done.get_future().wait();
    }

    std::function<void()> whileHeld_;
    std::atomic<bool> reached_{false};
};

}  // namespace quilvane::testing
