// What a screen reader is told about the window, through Qt's accessibility
// interface: names, roles, descriptions and the labels of the boxes.
#include "gui/qt/Application.hpp"
#include "gui/qt/Wizard.hpp"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

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
