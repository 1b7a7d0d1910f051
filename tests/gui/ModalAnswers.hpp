#pragma once

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

namespace quilvane::testing {

// Answers the real modal dialogs of the window, one after another, as a user
// would: each queued answer waits for the next modal dialog to appear.
class ModalAnswers : public QObject {
public:
    struct SeenMessage {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QStringList buttons;
    };

    ModalAnswers()
    {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start();
        // A progress window may come and go between two polls: it is
        // answered as it is shown.
        qApp->installEventFilter(this);
    }
    ~ModalAnswers() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* progress = qobject_cast<QProgressDialog*>(watched)) {
                answerProgress(progress);
            }
        }
        return QObject::eventFilter(watched, event);
    }

    // Presses the message box button whose text is `buttonText` (确定, 取消, 是, 否).
    void pressInMessageBox(const QString& buttonText)
    {
        answers_.push_back([this, buttonText](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) {
                return false;
            }
            SeenMessage seen{box->windowTitle(), box->text(), box->icon(), {}};
            QAbstractButton* target = nullptr;
            for (QAbstractButton* button : box->buttons()) {
                seen.buttons << Plain(button->text());
                if (Plain(button->text()) == buttonText) {
                    target = button;
                }
            }
            messages.push_back(seen);
            if (target) {
                target->click();
            } else {
                box->done(-1);  // leave no dialog open; the test sees the buttons
            }
            return true;
        });
    }

    // Clicks the message box button whose text is `buttonText` with the mouse,
    // at once, as the second click of a double click lands on a box that has
    // just come up under the pointer. The box may stay: the next answer is
    // then given to it.
    void clickInMessageBoxAtOnce(const QString& buttonText)
    {
        answers_.push_back([this, buttonText](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) {
                return false;
            }
            messages.push_back({box->windowTitle(), box->text(), box->icon(), {}});
            for (QAbstractButton* button : box->buttons()) {
                if (Plain(button->text()) == buttonText) {
                    QTest::mouseClick(button, Qt::LeftButton);
                }
            }
            return true;
        });
    }

    // Chooses `path` in the file dialog, or cancels it when `path` is empty.
    void chooseFile(const QString& path)
    {
        answers_.push_back([this, path](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) {
                return false;
            }
            fileDialogFilters = dialog->nameFilters();
            if (path.isEmpty()) {
                dialog->reject();
            } else {
                // As a user would: type the path into the file name box and
                // press Open.
                auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
                if (!nameBox) {
                    return false;
                }
                nameBox->setText(path);
                static_cast<QDialog*>(dialog)->accept();
            }
            return true;
        });
    }

    // Chooses several files of one folder in the file dialog, as a user
    // would by typing their names, each in quotes, into the file name box.
    void chooseFiles(const QString& folder, const QStringList& names)
    {
        answers_.push_back([this, folder, names](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            auto* nameBox = dialog ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
            if (!nameBox) {
                return false;
            }
            fileDialogFilters = dialog->nameFilters();
            dialog->setDirectory(folder);
            nameBox->setText('"' + names.join(QStringLiteral("\" \"")) + '"');
            static_cast<QDialog*>(dialog)->accept();
            return true;
        });
    }

    // Presses Cancel in the next progress window.
    void cancelProgress()
    {
        answers_.push_back([](QWidget* modal) {
            auto* dialog = qobject_cast<QProgressDialog*>(modal);
            if (!dialog) {
                return false;
            }
            const auto buttons = dialog->findChildren<QPushButton*>();
            if (buttons.isEmpty()) {
                return false;
            }
            buttons.front()->click();
            return true;
        });
    }

    bool allAnswered() const { return answers_.empty(); }

    std::vector<SeenMessage> messages;
    QStringList fileDialogFilters;
    QStringList progressLabels;

private:
    // A caption without its keyboard mnemonic: "是(&Y)" reads "是".
    static QString Plain(QString caption)
    {
        return caption.remove(QRegularExpression(R"(\(&.\))")).remove('&');
    }

    // Progress windows come and go on their own; what they say is kept.
    void answerProgress(QProgressDialog* progress)
    {
        if (progressLabels.isEmpty() || progressLabels.back() != progress->labelText()) {
            progressLabels << progress->labelText();
        }
        if (!answers_.empty() && answers_.front()(progress)) {
            answers_.pop_front();
        }
    }

    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            return;
        }
        if (auto* progress = qobject_cast<QProgressDialog*>(modal)) {
            answerProgress(progress);
            return;
        }
        if (!answers_.empty() && answers_.front()(modal)) {
            answers_.pop_front();
        } else {
            // Not the dialog the script expected: close it so the test fails
            // instead of hanging.
            auto* box = qobject_cast<QMessageBox*>(modal);
            unexpectedDialogs << modal->metaObject()->className() + QString(": ") + modal->windowTitle() + " " +
                                     (box ? box->text() : QString());
            modal->close();
        }
    }

public:
    QStringList unexpectedDialogs;

private:
    std::deque<std::function<bool(QWidget*)>> answers_;
    QTimer timer_;
};

}  // namespace quilvane::testing
