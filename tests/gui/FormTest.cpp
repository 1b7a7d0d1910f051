// The window as the user sees it: places, captions, initial state, tab order,
// password boxes, pointers and message boxes, through the real Qt widgets.
#include "ModalAnswers.hpp"
#include "gui/qt/Application.hpp"
#include "gui/qt/Wizard.hpp"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

using quilvane::Wizard;
using quilvane::testing::ModalAnswers;

class FormTest : public QObject {
    Q_OBJECT

private:
    QWidget* widget(Wizard& wizard, const char* name)
    {
        auto* found = wizard.form().findChild<QWidget*>(name);
        if (!found) {
            qFatal("no control named %s", name);
        }
        return found;
    }
    QString caption(QWidget* control)
    {
        if (auto* frame = qobject_cast<QGroupBox*>(control)) {
            return frame->title();
        }
        if (auto* label = qobject_cast<QLabel*>(control)) {
            return label->text();
        }
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            return button->text();
        }
        return {};
    }
    // The names of the controls the focus visits, pressing Tab from `start`
    // until it comes back.
    QStringList tabCycle(Wizard& wizard, const char* start)
    {
        widget(wizard, start)->setFocus(Qt::TabFocusReason);
        QStringList visited;
        for (int i = 0; i < 40; ++i) {
            QWidget* focused = QApplication::focusWidget();
            if (!focused) {
                visited << "(none)";
                break;
            }
            if (!visited.isEmpty() && focused->objectName() == start) {
                break;
            }
            visited << focused->objectName();
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        return visited;
    }
    void showOnly(Wizard& wizard, int frame)
    {
        for (int i = 1; i <= 5; ++i) {
            wizard.form().frame(i)->setVisible(i == frame);
        }
    }

private slots:
    void initTestCase()
    {
        quilvane::PrepareApplication(*qApp);
    }

    void controlsSitAtTheirPlacesWithTheirCaptions_data()
    {
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        const QString zones = "A区    B区     C区     D区     E区";
        const QString exitCaption = "退   出";
        QTest::newRow("Frame1") << "Form1" << QRect(16, 8, 265, 153) << "第一步选择加密/解密文件";
        QTest::newRow("Frame2") << "Form1" << QRect(16, 8, 265, 153) << "第二步输入加密密码";
        QTest::newRow("Frame3") << "Form1" << QRect(16, 8, 265, 153) << "第二步输入解密密码";
        QTest::newRow("Frame4") << "Form1" << QRect(16, 8, 265, 153) << "第三步打开加密目标文件";
        QTest::newRow("Frame5") << "Form1" << QRect(16, 8, 265, 153) << "第三步打开解密目标文件";
        QTest::newRow("Label2") << "Form1" << QRect(16, 168, 265, 17) << "Quilvane 2.0 文本文件加密解密向导";
        QTest::newRow("Label1") << "Frame1" << QRect(32, 24, 201, 25)
                                << "欢迎您使用Quilvane2.0版，本向导将帮助您完成整个加密/解密过程";
        QTest::newRow("Option1") << "Frame1" << QRect(48, 64, 105, 12) << "我要加密文件";
        QTest::newRow("Option2") << "Frame1" << QRect(48, 96, 105, 17) << "我要解密文件";
        QTest::newRow("Command1") << "Frame1" << QRect(176, 112, 73, 25) << "下一步";
        QTest::newRow("Label3") << "Frame2" << QRect(24, 16, 217, 49)
                                << "请在下面的五个空格中填写五个密码（每空一个）密码必须为1-5这五个阿拉伯数字中的一个"
                                   "（密码最好不要太具有规则性，否则加密效果不会很好哦*^_^*）";
        QTest::newRow("Label4") << "Frame2" << QRect(40, 72, 209, 17) << zones;
        for (int i = 0; i < 5; ++i) {
            QTest::addRow("Text%d", i + 1) << "Frame2" << QRect(32 + 48 * i, 88, 25, 18) << "";
            QTest::addRow("Text%d", i + 6) << "Frame3" << QRect(32 + 48 * i, 80, 25, 18) << "";
        }
        QTest::newRow("Command2") << "Frame2" << QRect(48, 120, 73, 25) << "上一步";
        QTest::newRow("Command3") << "Frame2" << QRect(160, 120, 73, 25) << "下一步";
        QTest::newRow("Label6") << "Frame3" << QRect(24, 24, 217, 41)
                                << "请在下面的五个空格中填写五个密码（每空一个）密码必须为1-5这五个阿拉伯数字中的一个";
        QTest::newRow("Label7") << "Frame3" << QRect(40, 64, 209, 17) << zones;
        QTest::newRow("Command7") << "Frame3" << QRect(48, 112, 73, 25) << "上一步";
        QTest::newRow("Command8") << "Frame3" << QRect(160, 112, 73, 25) << "下一步";
        QTest::newRow("Label5") << "Frame4" << QRect(16, 16, 225, 41)
                                << "这是最后一步，请您单击“打开文件”按钮，打开您要加密的目标文件。然后单击“加密文件”按钮进行文件的加密。";
        QTest::newRow("RichTextBox1") << "Frame4" << QRect(16, 56, 153, 89) << "";
        QTest::newRow("Command4") << "Frame4" << QRect(176, 56, 73, 25) << "打开文件";
        QTest::newRow("Command5") << "Frame4" << QRect(176, 88, 73, 25) << "加密文件";
        QTest::newRow("Command6") << "Frame4" << QRect(176, 120, 73, 25) << exitCaption;
        QTest::newRow("Label8") << "Frame5" << QRect(24, 40, 225, 41)
                                << "这是最后一步，请您单击“打开文件”按钮，打开您要解密的目标文件。然后单击“解密文件”按钮进行文件的解密还原。";
        QTest::newRow("Command9") << "Frame5" << QRect(8, 104, 73, 25) << "打开文件";
        QTest::newRow("Command10") << "Frame5" << QRect(96, 104, 73, 25) << "解密文件";
        QTest::newRow("Command11") << "Frame5" << QRect(184, 104, 73, 25) << exitCaption;
    }
    void controlsSitAtTheirPlacesWithTheirCaptions()
    {
        QFETCH(QString, container);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        Wizard wizard;
        QWidget* control = widget(wizard, QTest::currentDataTag());
        QCOMPARE(control->parentWidget()->objectName(), container);
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(this->caption(control), caption);
        QVERIFY(control->isEnabled());
    }

    void theWindowIsFixedAndTitled()
    {
        Wizard wizard;
        wizard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wizard.form()));
        QCOMPARE(wizard.form().windowTitle(), QString("Quilvane 2.0"));
        QCOMPARE(wizard.form().size(), QSize(297, 184));
        QCOMPARE(wizard.form().minimumSize(), QSize(297, 184));
        QCOMPARE(wizard.form().maximumSize(), QSize(297, 184));
        const Qt::WindowFlags flags = wizard.form().windowFlags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!wizard.form().windowIcon().isNull());
        wizard.form().resize(600, 400);
        QCOMPARE(wizard.form().size(), QSize(297, 184));

        // The window frame is only known once shown: allow its few pixels.
        const QPoint offCentre = wizard.form().frameGeometry().center() -
                                 QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4, "the window opens centred on the screen");
    }

    void itOpensOnTheFirstStepWithTheFocusOnNext()
    {
        Wizard wizard;
        wizard.show();
        QVERIFY(QTest::qWaitForWindowActive(&wizard.form()));
        QVERIFY(wizard.form().frame(1)->isVisible());
        for (int i = 2; i <= 5; ++i) {
            QVERIFY(!wizard.form().frame(i)->isVisible());
        }
        QVERIFY(wizard.form().label(2)->isVisible());
        QVERIFY(wizard.form().option(1)->isChecked());
        QVERIFY(!wizard.form().option(2)->isChecked());
        for (int i = 1; i <= 10; ++i) {
            QVERIFY(wizard.form().text(i)->text().isEmpty());
        }
        QVERIFY(wizard.form().richTextBox()->toPlainText().isEmpty());
        QCOMPARE(QApplication::focusWidget(), wizard.form().command(1));
    }

    void theOptionsFormOneGroup()
    {
        Wizard wizard;
        wizard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wizard.form()));
        QTest::mouseClick(wizard.form().option(2), Qt::LeftButton);
        QVERIFY(wizard.form().option(2)->isChecked());
        QVERIFY(!wizard.form().option(1)->isChecked());
        QTest::mouseClick(wizard.form().option(1), Qt::LeftButton);
        QVERIFY(wizard.form().option(1)->isChecked());
        QVERIFY(!wizard.form().option(2)->isChecked());
    }

    void tabVisitsOnlyTheVisiblePanelInItsOrder()
    {
        Wizard wizard;
        wizard.show();
        QVERIFY(QTest::qWaitForWindowActive(&wizard.form()));
        QCOMPARE(tabCycle(wizard, "Command1"), QStringList({"Command1", "Option1"}));
        showOnly(wizard, 2);
        QCOMPARE(tabCycle(wizard, "Command2"),
                 QStringList({"Command2", "Command3", "Text1", "Text2", "Text3", "Text4", "Text5"}));
        showOnly(wizard, 3);
        QCOMPARE(tabCycle(wizard, "Text6"),
                 QStringList({"Text6", "Text7", "Text8", "Text9", "Text10", "Command7", "Command8"}));
        showOnly(wizard, 4);
        QCOMPARE(tabCycle(wizard, "Command6"), QStringList({"Command6", "Command5", "Command4", "RichTextBox1"}));
        showOnly(wizard, 5);
        QCOMPARE(tabCycle(wizard, "Command9"), QStringList({"Command9", "Command10", "Command11"}));
    }

    void passwordBoxesTakeOneCharacterShownAsAnAsterisk()
    {
        Wizard wizard;
        wizard.show();
        QVERIFY(QTest::qWaitForWindowActive(&wizard.form()));
        showOnly(wizard, 2);
        for (int i = 1; i <= 10; ++i) {
            QLineEdit* box = wizard.form().text(i);
            QCOMPARE(box->maxLength(), 1);
            QCOMPARE(box->echoMode(), QLineEdit::Password);
            QVERIFY(!box->testAttribute(Qt::WA_InputMethodEnabled));
            QCOMPARE(box->cursor().shape(), Qt::ArrowCursor);
        }
        QLineEdit* box = wizard.form().text(1);
        box->setFocus();
        QTest::keyClicks(box, "42");
        QCOMPARE(box->text(), QString("4"));
        QCOMPARE(box->displayText(), QString("*"));
    }

    void hoveringOverAPasswordBoxGivesItTheFocus()
    {
        Wizard wizard;
        wizard.show();
        QVERIFY(QTest::qWaitForWindowActive(&wizard.form()));
        showOnly(wizard, 3);
        wizard.form().command(7)->setFocus();
        QLineEdit* box = wizard.form().text(8);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(box, &move);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
    }

    void panelsAndButtonsShowTheirOwnPointers()
    {
        Wizard wizard;
        // The pointers are made when the mouse first comes over their widget.
        QCOMPARE(wizard.form().command(1)->cursor().shape(), Qt::ArrowCursor);
        const auto enter = [](QWidget* widget) {
            QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
            QApplication::sendEvent(widget, &event);
        };
        for (int i = 1; i <= 5; ++i) {
            enter(wizard.form().frame(i));
        }
        for (int i = 1; i <= 11; ++i) {
            enter(wizard.form().command(i));
        }
        for (int i = 1; i <= 5; ++i) {
            QCOMPARE(wizard.form().frame(i)->cursor().shape(), Qt::BitmapCursor);
            QVERIFY(!wizard.form().frame(i)->cursor().pixmap().isNull());
        }
        for (int i = 1; i <= 11; ++i) {
            QCOMPARE(wizard.form().command(i)->cursor().shape(), Qt::BitmapCursor);
            QVERIFY(!wizard.form().command(i)->cursor().pixmap().isNull());
        }
        // Same motif for the buttons of the same kind, another for each kind.
        const auto image = [&](int command) { return wizard.form().command(command)->cursor().pixmap().toImage(); };
        QCOMPARE(image(1), image(3));
        QCOMPARE(image(2), image(7));
        QCOMPARE(image(4), image(9));
        QCOMPARE(image(5), image(10));
        QCOMPARE(image(6), image(11));
        QVERIFY(image(1) != image(2));
        QVERIFY(image(4) != image(6));
        QCOMPARE(wizard.form().label(1)->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(wizard.form().option(1)->cursor().shape(), Qt::ArrowCursor);
    }

    void messageBoxesShowTheStyleAndReturnThePlatformAnswers_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("press");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("answer");
        QTest::newRow("yes/no question, yes") << 36 << "是" << QStringList({"是", "否"})
                                              << int(QMessageBox::Question) << 6;
        QTest::newRow("yes/no question, no") << 36 << "否" << QStringList({"是", "否"})
                                             << int(QMessageBox::Question) << 7;
        QTest::newRow("ok information") << 64 << "确定" << QStringList({"确定"}) << int(QMessageBox::Information) << 1;
        QTest::newRow("ok critical") << 16 << "确定" << QStringList({"确定"}) << int(QMessageBox::Critical) << 1;
        QTest::newRow("ok exclamation") << 48 << "确定" << QStringList({"确定"}) << int(QMessageBox::Warning) << 1;
        QTest::newRow("ok/cancel, ok") << 65 << "确定" << QStringList({"确定", "取消"})
                                       << int(QMessageBox::Information) << 1;
        QTest::newRow("ok/cancel, cancel") << 65 << "取消" << QStringList({"确定", "取消"})
                                           << int(QMessageBox::Information) << 2;
    }
    void messageBoxesShowTheStyleAndReturnThePlatformAnswers()
    {
        QFETCH(int, style);
        QFETCH(QString, press);
        QFETCH(QStringList, buttons);
        QFETCH(int, icon);
        QFETCH(int, answer);
        Wizard wizard;
        wizard.show();
        ModalAnswers answers;
        answers.pressInMessageBox(press);
        QCOMPARE(wizard.view().messageBox("正文", style, "标题"), answer);
        QCOMPARE(answers.messages.size(), std::size_t{1});
        QCOMPARE(answers.messages[0].title, QString("标题"));
        QCOMPARE(answers.messages[0].text, QString("正文"));
        QCOMPARE(int(answers.messages[0].icon), icon);
        QStringList seen = answers.messages[0].buttons;
        seen.sort();
        buttons.sort();
        QCOMPARE(seen, buttons);
    }

    void escapeAnswersCancel()
    {
        Wizard wizard;
        wizard.show();
        QTimer::singleShot(50, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                QTest::keyClick(modal, Qt::Key_Escape);
            }
        });
        QCOMPARE(wizard.view().messageBox("正文", 65, "标题"), 2);
    }
};

QTEST_MAIN(FormTest)
#include "FormTest.moc"
