#include "gui/qt/QtBackgroundWork.hpp"

#include "gui/qt/FocusShown.hpp"
#include "platform/SharedProgress.hpp"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <memory>
#include <exception>
#include <thread>

namespace quilvane {
namespace {

// A progress window that only the work closes: where nothing can be
// cancelled, neither Esc nor the close box hides it while the work goes on.
class ProgressWindow : public QProgressDialog {
public:
    ProgressWindow(QWidget* parent, const QString& title, bool cancellable, int delay)
        : QProgressDialog(parent), cancellable_(cancellable)
    {
        setObjectName("ProgressDialog");
        setWindowTitle(title);
        ShowFocusAlways(*this);
        // A screen reader names the bar by what is being done.
        auto* bar = new QProgressBar(this);
        bar->setAccessibleName(title);
        bar->setAccessibleDescription(QStringLiteral("已完成的部分"));
        setBar(bar);
        setWindowModality(Qt::WindowModal);
        setMinimumDuration(delay);
        setAutoClose(false);
        setAutoReset(false);
        setRange(0, kSteps);
        if (cancellable) {
            setCancelButtonText(QStringLiteral("取消"));
        } else {
            setCancelButton(nullptr);
        }
        setLabelText(QStringLiteral("请稍候……"));
        setValue(0);
    }

    // `files`: how many files the work goes through, when several.
    void tell(std::uint64_t done, std::uint64_t total, std::size_t file, std::size_t files)
    {
        constexpr double kMegabyte = 1024.0 * 1024.0;
        QString label = QStringLiteral("已处理 %1 / %2 MB")
                            .arg(static_cast<double>(done) / kMegabyte, 0, 'f', 0)
                            .arg(static_cast<double>(total) / kMegabyte, 0, 'f', 0);
        if (files > 0) {
            label = QStringLiteral("第 %1 / %2 个文件，").arg(file).arg(files) + label;
        }
        setLabelText(label);
        setValue(total ? static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * kSteps) : 0);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!cancellable_ && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QProgressDialog::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override
    {
        if (!cancellable_) {
            event->ignore();
            return;
        }
        QProgressDialog::closeEvent(event);
    }
    void reject() override
    {
        if (cancellable_) {
            QProgressDialog::reject();
        }
    }

private:
    static constexpr int kSteps = 1000;
    bool cancellable_;
};

}  // namespace

void RunInBackground(QWidget* parent, const QString& title, bool cancellable, int delay,
                     const std::function<void(ProgressReport&)>& work)
{
    SharedProgress progress;
    std::atomic<bool> finished{false};
    std::exception_ptr failure;
    QEventLoop loop;
    // Made only once the work has run for `delay`: most work ends sooner, and
    // making a progress window costs the window's thread some milliseconds.
    std::unique_ptr<ProgressWindow> window;
    QElapsedTimer running;
    running.start();
    const auto showWindow = [&] {
        window = std::make_unique<ProgressWindow>(parent, title, cancellable, 0);
        // Told at once, so that no more of the work is done after the press.
        QObject::connect(window.get(), &QProgressDialog::canceled, &loop, [&] { progress.cancel(); });
    };
    if (delay <= 0) {
        showWindow();
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::thread worker([&] {
        try {
            work(progress);
        } catch (...) {
            failure = std::current_exception();
        }
        finished.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    // The window's side looks at the work some twenty times a second.
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished.load()) {
            loop.quit();
            return;
        }
        if (!window && running.elapsed() >= delay) {
            showWindow();
        }
        if (window) {
            window->tell(progress.done(), progress.total(), progress.file(), progress.files());
        }
    });
    poll.start();
    if (!finished.load()) {
        loop.exec();
    }
    worker.join();
    poll.stop();
    QApplication::restoreOverrideCursor();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace quilvane
