// The window used with the keyboard alone: where the focus goes, what Enter,
// digits and Backspace do, and both roads walked with key events only,
// dialogs included; then the bytes on disk.
#include "Session.hpp"
#include "gui/qt/Application.hpp"
#include "gui/qt/Wizard.hpp"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

using quilvane::Wizard;
using quilvane::testing::ReadFile;

namespace {

QWidget* Focused() { return QApplication::focusWidget(); }

QString FocusedName() { return Focused() ? Focused()->objectName() : QString("(none)"); }

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QVERIFY(Focused());
    QTest::keyClick(Focused(), key, modifiers);
}

void Type(const QString& characters)
{
    for (const QChar character : characters) {
        QVERIFY(Focused());
        QTest::keyClicks(Focused(), QString(character));
    }
}

// Answers the modal dialogs with keys, as a keyboard user would: Enter in a
// message box (its default button), a path and Enter in the file dialog. What each message box said is kept.
class KeyAnswers : public QObject {
public:
    KeyAnswers()
    {
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start(10);
    }

    void typeIntoFileDialog(const QString& path) { paths_.push_back(path); }

    QStringList messageTitles;
    QStringList unexpected;
    // Told each message box's focused control before Enter answers it.
    std::function<void(QWidget*)> beforeAnsweringBox = [](QWidget*) {};

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || !modal->focusWidget()) {
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messageTitles << box->windowTitle();
            beforeAnsweringBox(box->focusWidget());
            QTest::keyClick(box->focusWidget(), Qt::Key_Return);
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && !paths_.empty()) {
            // The dialog is Qt's own, not the program's: the path is put in
            // its name box whole (typing it would race the box's completion
            // against the folder list), and Enter chooses it.
            auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
            nameBox->setText(paths_.front());
            paths_.pop_front();
            QTest::keyClick(nameBox, Qt::Key_Return);
        } else {
            unexpected << modal->metaObject()->className() + QString(": ") + modal->windowTitle();
            modal->close();
        }
    }

    std::deque<QString> paths_;
    QTimer timer_;
};

using Session = quilvane::testing::Session<KeyAnswers>;

// Draws controls as their own style does, and notes those it drew with their
// focus showing: the state in which Qt's styles draw a focus ring.
class FocusRecorder : public QProxyStyle {
public:
    explicit FocusRecorder(QStyle* base) : QProxyStyle(base) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        note(option, widget);
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        note(option, widget);
        QProxyStyle::drawControl(element, option, painter, widget);
    }
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        note(option, widget);
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }

    static inline QSet<const QWidget*> shown;

private:
    static void note(const QStyleOption* option, const QWidget* widget)
    {
        const QStyle::State focusShown = State_HasFocus | State_KeyboardFocusChange;
        if (widget && (option->state & focusShown) == focusShown) {
            shown.insert(widget);
        }
    }
};

// Lets `control` draw through a FocusRecorder around the style it has (the
// application's, or the password boxes' own, which the recorder takes over).
void RecordFocusOf(QWidget* control)
{
    if (dynamic_cast<const FocusRecorder*>(control->style())) {
        return;
    }
    static QHash<const QStyle*, QPointer<FocusRecorder>> recorders;
    QPointer<FocusRecorder>& recorder = recorders[control->style()];
    if (!recorder) {
        QStyle* base = control->style() == QApplication::style() ? QStyleFactory::create(QApplication::style()->name())
                                                                  : control->style();
        recorder = new FocusRecorder(base);
        recorder->setParent(qApp);  // outlives every control drawn through it
    }
    control->setStyle(recorder);
}

// True when the focused control, drawn now, shows its focus.
bool FocusShown(QWidget* control)
{
    RecordFocusOf(control);
    FocusRecorder::shown.clear();
    control->grab();
    return FocusRecorder::shown.contains(control);
}

// A desktop gives the window its activation back when a dialog closes; the
// headless platform leaves that to the program.
void Reactivate(Wizard& wizard)
{
    if (!QApplication::activeWindow()) {
        wizard.form().activateWindow();
    }
    QVERIFY(QTest::qWaitForWindowActive(&wizard.form()));
}

void ShowOnly(Wizard& wizard, int frame)
{
    for (int i = 1; i <= 5; ++i) {
        wizard.form().frame(i)->setVisible(i == frame);
    }
}

}  // namespace

class KeyboardTest : public QObject {
    Q_OBJECT

private:
    QString keyFilePath() const { return QDir(QCoreApplication::applicationDirPath()).filePath("temp.jxv"); }

private slots:
    void initTestCase()
    {
        quilvane::PrepareApplication(*qApp);
        QFile::remove(keyFilePath());
    }
    void cleanupTestCase() { QFile::remove(keyFilePath()); }

    void eachPanelTakesTheFocusOnItsFirstBoxOrItsOpenButton_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("focus");
        QTest::newRow("encryption password") << 2 << "Text1";
        QTest::newRow("decryption password") << 3 << "Text6";
        QTest::newRow("open and encrypt, not Exit") << 4 << "Command4";
        QTest::newRow("open and decrypt, not Exit") << 5 << "Command9";
        QTest::newRow("back to the first step") << 1 << "Command1";
    }
    void eachPanelTakesTheFocusOnItsFirstBoxOrItsOpenButton()
    {
        QFETCH(int, frame);
        QFETCH(QString, focus);
        Session session;
        QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
        ShowOnly(session.wizard, frame == 1 ? 2 : 1);
        ShowOnly(session.wizard, frame);
        QCOMPARE(FocusedName(), focus);
    }

    void digitsMoveOnAndBackspaceInAnEmptyBoxGoesBack()
    {
        Session session;
        QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
        auto& form = session.wizard.form();
        ShowOnly(session.wizard, 3);

        Type("12");
        QCOMPARE(FocusedName(), QString("Text8"));
        Press(Qt::Key_Backspace);  // Text8 is empty: back to Text7, emptied
        QCOMPARE(FocusedName(), QString("Text7"));
        QCOMPARE(form.text(7)->text(), QString());
        QCOMPARE(form.text(6)->text(), QString("1"));

        Type("x");  // not a digit: the focus stays
        QCOMPARE(FocusedName(), QString("Text7"));
        Press(Qt::Key_Backspace);  // erases the character, stays
        QCOMPARE(FocusedName(), QString("Text7"));
        QCOMPARE(form.text(7)->text(), QString());

        Press(Qt::Key_Backspace);
        Press(Qt::Key_Backspace);  // the first box has none before it
        QCOMPARE(FocusedName(), QString("Text6"));
        QCOMPARE(form.text(6)->text(), QString());

        Type("54321");
        QCOMPARE(FocusedName(), QString("Text10"));  // the last box keeps the focus
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(form.text(6 + i)->text(), QString::number(5 - i));
        }
        Type("1");  // a full box refuses a second character and keeps the focus
        QCOMPARE(FocusedName(), QString("Text10"));
        QCOMPARE(form.text(10)->text(), QString("1"));
    }

    void enterPressesOnlyTheFocusedButtonOnAFilePanel_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("ends");
        QTest::newRow("document view") << 4 << "RichTextBox1" << false;
        QTest::newRow("Exit on step 3, encryption") << 4 << "Command6" << true;
        QTest::newRow("Exit on step 3, decryption") << 5 << "Command11" << true;
    }
    void enterPressesOnlyTheFocusedButtonOnAFilePanel()
    {
        QFETCH(int, frame);
        QFETCH(QString, focus);
        QFETCH(bool, ends);
        Session session;
        QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
        ShowOnly(session.wizard, frame);
        session.wizard.form().findChild<QWidget*>(focus)->setFocus(Qt::TabFocusReason);
        Press(Qt::Key_Return);
        QCOMPARE(session.ended, ends);
        QCOMPARE(session.wizard.form().isVisible(), !ends);
        QCOMPARE(session.answers.messageTitles, QStringList());
        QCOMPARE(session.answers.unexpected, QStringList());
    }

    void aRefusedPasswordStartsAgainInTheFirstBox()
    {
        Session session;
        QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
        Press(Qt::Key_Return);
        QVERIFY(session.wizard.form().frame(2)->isVisible());
        Type("12945");
        Press(Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(session.answers.messageTitles, QStringList({"密码设置出错"}));
        QVERIFY(session.wizard.form().frame(2)->isVisible());
        Reactivate(session.wizard);
            QCOMPARE(FocusedName(), QString("Text1"));
        QCOMPARE(session.answers.unexpected, QStringList());
    }

    // Enter and digits alone, never Tab: every control the focus reaches,
    // in the window and in its message boxes, is drawn with its focus ring.
    void theFocusShowsWithoutATabOnEveryControlItReaches()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("note.txt");
        {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("text\r\n");
        }
        Session session;
        QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
        QStringList reached;
        QStringList hidden;
        const auto look = [&](QWidget* focused) {
            if (!focused) {
                hidden << "(no focus)";
                return;
            }
            reached << focused->objectName();
            if (!FocusShown(focused)) {
                hidden << focused->objectName();
            }
        };
        session.answers.beforeAnsweringBox = [&](QWidget* button) { look(button); };

        look(Focused());  // the window as it opens
        Press(Qt::Key_Return);
        look(Focused());
        for (const QChar digit : QString("31415")) {
            Type(digit);
            look(Focused());
        }
        Press(Qt::Key_Return);  // the password, then 是 and 确定 in its two message boxes
        Reactivate(session.wizard);
        look(Focused());
        session.answers.typeIntoFileDialog(target);
        Press(Qt::Key_Return);
        Reactivate(session.wizard);
        look(Focused());

        QCOMPARE(reached.mid(0, 7), QStringList({"Command1", "Text1", "Text2", "Text3", "Text4", "Text5", "Text5"}));
        QCOMPARE(reached.size(), 11);  // and the two message boxes' buttons, then 打开文件 twice
        QCOMPARE(reached.back(), QString("Command4"));
        QCOMPARE(hidden, QStringList());
        QCOMPARE(session.answers.messageTitles, QStringList({"确认密码", "记录密码"}));
        QCOMPARE(session.answers.unexpected, QStringList());
    }

    void bothRoadsWithTheKeyboardAlone()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("diary.txt");
        const QByteArray plain = "今天天气很好。\r\nUTF-8 文本：第二行\r\n";
        {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(plain);
        }

        {
            Session session;
            QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
            auto& form = session.wizard.form();
            QCOMPARE(FocusedName(), QString("Command1"));
            Press(Qt::Key_Return);
            QVERIFY(form.frame(2)->isVisible());
            Type("31415");
            Press(Qt::Key_Return);  // in Text5: the panel's Next; then 是 and 确定
            QVERIFY(form.frame(4)->isVisible());
            QCOMPARE(session.answers.messageTitles, QStringList({"确认密码", "记录密码"}));
            Reactivate(session.wizard);
            QCOMPARE(FocusedName(), QString("Command4"));

            session.answers.typeIntoFileDialog(target);
            Press(Qt::Key_Return);
            QCOMPARE(form.richTextBox()->toPlainText(), QString("今天天气很好。\nUTF-8 文本：第二行\n"));
            Reactivate(session.wizard);
            QCOMPARE(FocusedName(), QString("Command4"));
            QVERIFY(!session.ended);

            Press(Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(FocusedName(), QString("Command5"));
            Press(Qt::Key_Return);  // encrypt, then 确定 ends the program
            QVERIFY(session.ended);
            QCOMPARE(session.answers.messageTitles.back(), QString("加密完成"));
            QCOMPARE(session.answers.unexpected, QStringList());
        }
        const QByteArray encrypted = ReadFile(target);
        QVERIFY(encrypted != plain);
        QCOMPARE(encrypted.size(), plain.size() + 2);

        {
            Session session;
            QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
            auto& form = session.wizard.form();
            Press(Qt::Key_Tab);
            QCOMPARE(FocusedName(), QString("Option1"));
            Press(Qt::Key_Down);
            QVERIFY(form.option(2)->isChecked());
            Press(Qt::Key_Return);  // on an option: the panel's Next
            QVERIFY(form.frame(3)->isVisible());
            QCOMPARE(FocusedName(), QString("Text6"));
            Type("55155");
            Press(Qt::Key_Return);
            QVERIFY(form.frame(5)->isVisible());
            QCOMPARE(FocusedName(), QString("Command9"));

            session.answers.typeIntoFileDialog(target);
            Press(Qt::Key_Return);
            QVERIFY(!session.ended);
            Reactivate(session.wizard);
            QCOMPARE(FocusedName(), QString("Command9"));
            Press(Qt::Key_Tab);
            QCOMPARE(FocusedName(), QString("Command10"));
            Press(Qt::Key_Return);  // decrypt; two messages, then the end
            QVERIFY(session.ended);
            QCOMPARE(session.answers.messageTitles, QStringList({"解密完成", "工作完成"}));
            QCOMPARE(session.answers.unexpected, QStringList());
        }
        QCOMPARE(ReadFile(target), plain);
    }
};

QTEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
