// A test-only Qt plugin that walks one road through the installed program's
// window, as a user would, without the program knowing: Qt loads it when
// QT_QPA_GENERIC_PLUGINS names it. QUILVANE_WALK says the road (encrypt or
// decrypt), QUILVANE_WALK_FILE the file to choose in the file dialog; without
// it, the file is the one the program was started with ("Open with"), which
// must be open when step 3 comes, with no dialog. An unexpected message or
// dialog, or a road that does not end within 30 seconds, ends the program
// with status 3.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGenericPlugin>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

QWidget* Window()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == "Form1" && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

template <typename T = QWidget>
T* Control(const QString& name)
{
    QWidget* window = Window();
    return window ? window->findChild<T*>(name) : nullptr;
}

bool Visible(const QString& name)
{
    QWidget* control = Control(name);
    return control && control->isVisible();
}

void Fail(const QString& why)
{
    std::fprintf(stderr, "walk: %s\n", qPrintable(why));
    std::_Exit(3);
}

// Presses a button from the event loop, not from inside a poll, so that the
// modal dialogs it opens are answered by the next polls.
void Press(const QString& name)
{
    auto* button = Control<QAbstractButton>(name);
    if (!button) {
        Fail("no button " + name);
    }
    QTimer::singleShot(0, button, &QAbstractButton::click);
}

void TypeDigits(int firstBox, const QString& digits)
{
    for (int i = 0; i < digits.size(); ++i) {
        auto* box = Control<QLineEdit>(QString("Text%1").arg(firstBox + i));
        box->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_0 + digits[i].digitValue(), Qt::NoModifier, digits.mid(i, 1));
        QApplication::sendEvent(box, &press);
    }
}

struct Answer {
    QString title;
    QMessageBox::ButtonRole role;
};

// The controls of one road, in the order a user meets them.
struct Road {
    QString option;
    QString passwordFrame;
    int firstBox;
    QString digits;
    QString passwordNext;
    QString fileFrame;
    QString open;
    QString act;
    std::vector<Answer> answers;
};

const Road kEncrypt{.option = "Option1",
                    .passwordFrame = "Frame2",
                    .firstBox = 1,
                    .digits = "12345",
                    .passwordNext = "Command3",
                    .fileFrame = "Frame4",
                    .open = "Command4",
                    .act = "Command5",
                    .answers = {{"确认密码", QMessageBox::YesRole},
                                {"记录密码", QMessageBox::AcceptRole},
                                {"加密完成", QMessageBox::AcceptRole}}};
const Road kDecrypt{.option = "Option2",
                    .passwordFrame = "Frame3",
                    .firstBox = 6,
                    .digits = "55155",
                    .passwordNext = "Command8",
                    .fileFrame = "Frame5",
                    .open = "Command9",
                    .act = "Command10",
                    .answers = {{"解密完成", QMessageBox::AcceptRole}, {"工作完成", QMessageBox::AcceptRole}}};

class Walk : public QObject {
public:
    Walk(const Road& road, QString file)
        : file_(std::move(file))
        , answers_(road.answers)
    {
        const auto shown = [](const QString& frame) { return [frame] { return Visible(frame); }; };
        const auto loaded = [] {
            auto* view = Control<QPlainTextEdit>("RichTextBox1");
            return view && !view->toPlainText().isEmpty();
        };
        steps_ = {{shown("Frame1"),
                   [road] {
                       Press(road.option);
                       Press("Command1");
                   }},
                  {shown(road.passwordFrame),
                   [road] {
                       TypeDigits(road.firstBox, road.digits);
                       Press(road.passwordNext);
                   }},
                  {shown(road.fileFrame), [road, this] {
                       if (!file_.isEmpty()) {
                           Press(road.open);
                       } else if (!Visible(road.open)) {
                           Fail("no " + road.open + " on " + road.fileFrame);
                       }
                   }},
                  {loaded, [road] { Press(road.act); }}};
        clock_.start();
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start(20);
    }

private:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };

    void poll()
    {
        if (clock_.elapsed() > 30000) {
            Fail(QString("stuck after step %1 of %2").arg(next_).arg(steps_.size()));
        }
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
            answer(modal);
        } else if (next_ < steps_.size() && steps_[next_].ready()) {
            steps_[next_++].act();
        }
    }

    void answer(QWidget* modal)
    {
        if (qobject_cast<QProgressDialog*>(modal)) {
            return;  // a long piece of work on a busy machine: it closes itself
        }
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (file_.isEmpty()) {
                Fail("a file dialog, though the file was given at start");
            }
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(file_);
            static_cast<QDialog*>(dialog)->accept();
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box || answers_.empty() || box->windowTitle() != answers_.front().title) {
            Fail("unexpected " + modal->windowTitle() + (box ? ": " + box->text() : QString()));
        }
        std::fprintf(stderr, "walk: answered %s\n", qPrintable(box->windowTitle()));
        for (QAbstractButton* button : box->buttons()) {
            if (box->buttonRole(button) == answers_.front().role) {
                button->click();
            }
        }
        answers_.erase(answers_.begin());
    }

    QString file_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    std::vector<Answer> answers_;
    QElapsedTimer clock_;
    QTimer timer_;
};

}  // namespace

class WalkPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "walk.json")
public:
    QObject* create(const QString&, const QString&) override
    {
        const QByteArray road = qgetenv("QUILVANE_WALK");
        if (road != "encrypt" && road != "decrypt") {
            Fail("QUILVANE_WALK must be encrypt or decrypt");
        }
        return new Walk(road == "encrypt" ? kEncrypt : kDecrypt, QString::fromLocal8Bit(qgetenv("QUILVANE_WALK_FILE")));
    }
};

#include "WalkPlugin.moc"
