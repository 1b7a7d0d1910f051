// What a screen reader is told about the window, through Qt's accessibility
// interface: names, roles, descriptions and the labels of the boxes; the
// icons of the message boxes and the bar of the progress window.
#include "gui/qt/Application.hpp"
#include "gui/qt/Wizard.hpp"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

using quilvane::Wizard;

namespace {

QAccessibleInterface* Accessible(Wizard& wizard, const QString& name)
{
    QObject* object = name == "Form1" ? static_cast<QObject*>(&wizard.form())
                                      : wizard.form().findChild<QWidget*>(name);
    if (!object) {
        qFatal("no control named %s", qPrintable(name));
    }
    return QAccessible::queryAccessibleInterface(object);
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { quilvane::PrepareApplication(*qApp); }

    void controlsHaveNamesAPersonUnderstands_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        QTest::newRow("window") << "Form1" << int(QAccessible::Window) << "Quilvane 2.0";
        const char* const zones[] = {"A区", "B区", "C区", "D区", "E区"};
        for (int i = 0; i < 10; ++i) {
            QTest::addRow("Text%d", i + 1) << QString("Text%1").arg(i + 1) << int(QAccessible::EditableText)
                                           << QString::fromUtf8(zones[i % 5]);
        }
        QTest::newRow("document view") << "RichTextBox1" << int(QAccessible::EditableText) << "文件内容";
        QTest::newRow("Next") << "Command1" << int(QAccessible::Button) << "下一步";
        QTest::newRow("Previous") << "Command7" << int(QAccessible::Button) << "上一步";
        QTest::newRow("Open file") << "Command9" << int(QAccessible::Button) << "打开文件";
        QTest::newRow("Encrypt file") << "Command5" << int(QAccessible::Button) << "加密文件";
        QTest::newRow("Decrypt file") << "Command10" << int(QAccessible::Button) << "解密文件";
        QTest::newRow("Exit, without the spacing") << "Command6" << int(QAccessible::Button) << "退出";
        QTest::newRow("encrypt option") << "Option1" << int(QAccessible::RadioButton) << "我要加密文件";
        QTest::newRow("decrypt option") << "Option2" << int(QAccessible::RadioButton) << "我要解密文件";
        QTest::newRow("panel") << "Frame3" << int(QAccessible::Grouping) << "第二步输入解密密码";
        QTest::newRow("notice") << "Label2" << int(QAccessible::StaticText) << "Quilvane 2.0 文本文件加密解密向导";
    }
    void controlsHaveNamesAPersonUnderstands()
    {
        QFETCH(QString, control);
        QFETCH(int, role);
        QFETCH(QString, name);
        Wizard wizard;
        QAccessibleInterface* accessible = Accessible(wizard, control);
        QVERIFY(accessible);
        QCOMPARE(int(accessible->role()), role);
        QCOMPARE(accessible->text(QAccessible::Name), name);
    }

    void passwordBoxesSayWhatTheyTake()
    {
        Wizard wizard;
        for (int i = 1; i <= 10; ++i) {
            const QString description = Accessible(wizard, QString("Text%1").arg(i))->text(QAccessible::Description);
            QVERIFY2(description.contains("1到5") && description.contains("数字"), qPrintable(description));
        }
    }

    // The boxes mask what is typed: a screen reader must not read it out.
    void passwordBoxesDoNotGiveAwayTheirDigit()
    {
        Wizard wizard;
        wizard.form().text(3)->setText("4");
        QAccessibleInterface* box = Accessible(wizard, "Text3");
        QVERIFY(box->state().passwordEdit);
        QVERIFY(!box->text(QAccessible::Value).contains('4'));
    }

    void theZoneRowLabelsTheFirstBoxOfItsPanel_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("box");
        QTest::newRow("encryption") << "Label4" << "Text1";
        QTest::newRow("decryption") << "Label7" << "Text6";
    }
    void theZoneRowLabelsTheFirstBoxOfItsPanel()
    {
        QFETCH(QString, label);
        QFETCH(QString, box);
        Wizard wizard;
        const auto* labelWidget = wizard.form().findChild<QLabel*>(label);
        QCOMPARE(labelWidget->buddy(), wizard.form().findChild<QWidget*>(box));
        const auto relations = Accessible(wizard, box)->relations(QAccessible::Label);
        QVERIFY(std::any_of(relations.begin(), relations.end(),
                            [&](const auto& relation) { return relation.first->object() == labelWidget; }));
    }

    // The picture beside a message says what kind of message it is.
    void messageBoxIconsAreNamed_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("name");
        QTest::newRow("critical") << 16 << "错误";
        QTest::newRow("question") << 36 << "问题";
        QTest::newRow("exclamation") << 48 << "警告";
        QTest::newRow("information") << 64 << "信息";
    }
    void messageBoxIconsAreNamed()
    {
        QFETCH(int, style);
        QFETCH(QString, name);
        Wizard wizard;
        wizard.show();
        QString heard = "(no message box)";
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                heard = "(no icon)";
                for (QLabel* label : box->findChildren<QLabel*>()) {
                    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(label);
                    if (!label->pixmap().isNull() && accessible->role() == QAccessible::Graphic) {
                        heard = accessible->text(QAccessible::Name);
                    }
                }
                box->done(QMessageBox::No);
            }
        });
        wizard.view().messageBox("正文", style, "标题");
        QCOMPARE(heard, name);
    }

    // The progress window's bar is named by what is being done.
    void theProgressBarSaysWhatIsBeingDone()
    {
        Wizard wizard;
        wizard.show();
        wizard.view().setProgressDelay(0);
        std::atomic<bool> looked{false};
        QString heard = "(no progress bar)";
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            auto* bar = dialog ? dialog->findChild<QProgressBar*>() : nullptr;
            if (bar && bar->isVisible()) {
                QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(bar);
                heard = QString("%1 %2").arg(accessible->role()).arg(accessible->text(QAccessible::Name));
                looked = true;
            }
        });
        poll.start(10);
        wizard.view().runWork("正在加密文件", false, [&](quilvane::ProgressReport&) {
            while (!looked) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        QCOMPARE(heard, QString("%1 正在加密文件").arg(QAccessible::ProgressBar));
    }

    // Nothing on the window is left for a screen reader to call "button".
    void everyControlOfTheWindowHasAName()
    {
        Wizard wizard;
        QStringList unnamed;
        for (QWidget* control : wizard.form().findChildren<QWidget*>()) {
            if (control->objectName().isEmpty() || control->objectName().startsWith("qt_")) {
                continue;  // the parts Qt builds inside its own widgets
            }
            if (QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).trimmed().isEmpty()) {
                unnamed << control->objectName();
            }
        }
        QCOMPARE(unnamed, QStringList());
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
