#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
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

    // Presses Cancel in the next progress window.
    void cancelProgress()
    {
        answers_.push_back([](QWidget* modal) {
            auto* dialog = qobject_cast<QProgressDialog*>(modal);
            if (!dialog) {
                return false;
            }
            for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                if (button->isVisible()) {
                    button->click();
                    return true;
                }
            }
            return false;
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

    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            return;
        }
        // Progress windows come and go on their own; what they say is kept.
        if (auto* progress = qobject_cast<QProgressDialog*>(modal)) {
            if (progressLabels.isEmpty() || progressLabels.back() != progress->labelText()) {
                progressLabels << progress->labelText();
            }
            if (answers_.empty() || !answers_.front()(modal)) {
                return;
            }
            answers_.pop_front();
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
