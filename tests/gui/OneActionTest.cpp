// One action at a time, through the real window: whatever the user does
// while a file is read or written (a second click, another button, closing
// the window) starts nothing and harms no file. Each case holds the read or
// the write where it stands until the user's move has been made.
#include "ModalAnswers.hpp"
#include "Session.hpp"
#include "WhileWorking.hpp"
#include "gui/qt/Application.hpp"
#include "gui/qt/Wizard.hpp"
#include "transform/ShiftText.hpp"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <chrono>
#include <thread>

using quilvane::Wizard;
using quilvane::faults::Step;
using quilvane::testing::ModalAnswers;
using quilvane::testing::ReadFile;
using quilvane::testing::WhileWorking;

namespace {

const QByteArray kHeader = "This is a important file.Dont`t rewrite me!6,2,1,";
const QByteArray kPlain = "AB\r\n\xD6\xD0\xCE\xC4 text\r\n";

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Encrypted(const QByteArray& plain)
{
    return QByteArray::fromStdString(quilvane::ShiftText(plain.toStdString(), -2)) + "\r\n";
}

QString KeyFilePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath("temp.jxv");
}

// One run of the program on a file panel, the key file in place, and a
// letter in a folder of its own to work on.
struct OnFilePanel {
    explicit OnFilePanel(int frame)
    {
        wizard.view().setEndProgram([this] { ended = true; });
        wizard.show();
        wizard.form().frame(1)->hide();
        wizard.form().frame(frame)->show();
        WriteFile(KeyFilePath(), kHeader + " 4 \r\n");
        WriteFile(letter, kPlain);
    }
    void open(int button, const QString& path)
    {
        answers.chooseFile(path);
        QTest::mouseClick(wizard.form().command(button), Qt::LeftButton);
    }
    void openLetter() { open(4, letter); }

    QTemporaryDir dir;
    const QString letter = dir.filePath("letter.txt");
    Wizard wizard;
    bool ended = false;
    ModalAnswers answers;
};

QStringList Leftovers(const QString& directory)
{
    return QDir(directory).entryList({".quilvane-*"}, QDir::Files | QDir::Hidden);
}

}  // namespace

class OneActionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { quilvane::PrepareApplication(*qApp); }
    void cleanup() { QFile::remove(KeyFilePath()); }

    void clicksWhileAFileIsReadDoNothing_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("openButton");
        QTest::addColumn<int>("actionButton");
        QTest::newRow("encrypt") << 4 << 4 << 5;
        QTest::newRow("decrypt") << 5 << 9 << 10;
    }
    void clicksWhileAFileIsReadDoNothing()
    {
        QFETCH(int, frame);
        QFETCH(int, openButton);
        QFETCH(int, actionButton);
        OnFilePanel session(frame);
        const QString& first = session.letter;
        const QString second = session.dir.filePath("second.txt");
        QVERIFY(WriteFile(second, "second " + kPlain));
        session.open(openButton, first);

        QPushButton* action = session.wizard.form().command(actionButton);
        WhileWorking reading(Step::Read, [&] {
            QTest::mouseClick(action, Qt::LeftButton);
            QTest::mouseDClick(action, Qt::LeftButton);
            QTest::keyClick(action, Qt::Key_Space);
        });
        session.open(openButton, second);

        QVERIFY(reading.held());
        QCOMPARE(ReadFile(first), kPlain);
        QCOMPARE(ReadFile(second), "second " + kPlain);
        QVERIFY(session.answers.messages.empty());
        QCOMPARE(session.answers.unexpectedDialogs, QStringList());
        QCOMPARE(QByteArray::fromStdString(session.wizard.view().document().excerpt), "second " + kPlain);
        QVERIFY(!session.wizard.busy());
    }

    void aDoubleClickEncryptsOnce()
    {
        OnFilePanel session(4);
        const QString& target = session.letter;
        session.openLetter();

        QPushButton* encrypt = session.wizard.form().command(5);
        session.answers.pressInMessageBox("取消");
        {
            WhileWorking writing(Step::Write, [&] { QTest::mouseClick(encrypt, Qt::LeftButton); });
            QTest::mouseClick(encrypt, Qt::LeftButton);
            QVERIFY(writing.held());
        }
        QCOMPARE(ReadFile(target), Encrypted(kPlain));
        QCOMPARE(session.answers.unexpectedDialogs, QStringList());
        QCOMPARE(session.answers.messages.size(), std::size_t{1});
        QCOMPARE(session.answers.messages[0].title, QString("加密完成"));
        QCOMPARE(QByteArray::fromStdString(session.wizard.view().document().excerpt), kPlain);
        QVERIFY(session.answers.allAnswered());
    }

    // The action ends between the two clicks of a double click: its box
    // comes up under the pointer and the second click lands on 取消. The box
    // is not answered by it; it waits for the user, who presses 确定.
    void aLateSecondClickDoesNotAnswerTheMessageBox()
    {
        OnFilePanel session(4);
        const QString& target = session.letter;
        session.openLetter();

        // A slow hand: the late click is sure to fall within the double-click time.
        const int before = QApplication::doubleClickInterval();
        QApplication::setDoubleClickInterval(60000);
        const auto restore = qScopeGuard([before] { QApplication::setDoubleClickInterval(before); });
        session.answers.clickInMessageBoxAtOnce("取消");
        session.answers.pressInMessageBox("确定");
        QTest::mouseClick(session.wizard.form().command(5), Qt::LeftButton);

        QVERIFY(session.answers.allAnswered());
        QCOMPARE(session.answers.messages.size(), std::size_t{2});
        QCOMPARE(session.answers.messages[1].title, QString("加密完成"));
        QVERIFY2(session.ended, "the late click answered 取消");
        QCOMPARE(ReadFile(target), Encrypted(kPlain));
        QCOMPARE(session.answers.unexpectedDialogs, QStringList());
    }

    void openingOrDroppingDuringAnEncryptionDoesNothing()
    {
        OnFilePanel session(4);
        const QString& target = session.letter;
        session.openLetter();

        const QString other = session.dir.filePath("other.txt");
        QVERIFY(WriteFile(other, "other"));
        bool dropTaken = true;
        session.answers.pressInMessageBox("确定");
        WhileWorking writing(Step::Write, [&] {
            QTest::mouseClick(session.wizard.form().command(4), Qt::LeftButton);
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(other)});
            QDragEnterEvent enter(session.wizard.form().rect().center(), Qt::CopyAction, &mime, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(&session.wizard.form(), &enter);
            dropTaken = enter.isAccepted();
        });
        QTest::mouseClick(session.wizard.form().command(5), Qt::LeftButton);

        QVERIFY(writing.held());
        QVERIFY(!dropTaken);
        QVERIFY(session.ended);
        QCOMPARE(session.answers.unexpectedDialogs, QStringList());
        QCOMPARE(ReadFile(target), Encrypted(kPlain));
        QCOMPARE(Leftovers(session.dir.path()), QStringList());
    }

    void closingTheWindowDuringAnActionWaitsForItsEnd()
    {
        OnFilePanel session(4);
        const QString& target = session.letter;
        session.openLetter();

        bool closed = true;
        session.answers.pressInMessageBox("取消");
        {
            WhileWorking writing(Step::Write, [&] { closed = session.wizard.form().close(); });
            QTest::mouseClick(session.wizard.form().command(5), Qt::LeftButton);
            QVERIFY(writing.held());
        }
        QVERIFY(!closed);
        QVERIFY(session.wizard.form().isVisible());
        QCOMPARE(ReadFile(target), Encrypted(kPlain));
        QCOMPARE(Leftovers(session.dir.path()), QStringList());
        QVERIFY(session.wizard.form().close());  // with no action running, it closes
    }

    void escapeDoesNotHideAProgressWindowThatCannotBeCancelled()
    {
        OnFilePanel session(4);
        const QString& target = session.letter;
        session.wizard.view().setProgressDelay(0);
        session.openLetter();

        bool stillShown = false;
        session.answers.pressInMessageBox("确定");
        WhileWorking writing(Step::Write, [&] {
            QProgressDialog* progress = nullptr;
            QTRY_VERIFY((progress = session.wizard.form().findChild<QProgressDialog*>()) && progress->isVisible());
            QTest::keyClick(progress, Qt::Key_Escape);
            stillShown = progress->isVisible();
        });
        QTest::mouseClick(session.wizard.form().command(5), Qt::LeftButton);
        QVERIFY(writing.held());
        QVERIFY(stillShown);
        QVERIFY(session.ended);
        QCOMPARE(ReadFile(target), Encrypted(kPlain));
    }

    void aPipeIsRefusedAtOnceAndTheWindowGoesOn()
    {
        OnFilePanel session(4);
        const QString pipe = session.dir.filePath("pipe.txt");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
        const QString& target = session.letter;

        session.answers.chooseFile(pipe);
        session.answers.pressInMessageBox("确定");
        QTest::mouseClick(session.wizard.form().command(4), Qt::LeftButton);
        QCOMPARE(session.answers.messages.size(), std::size_t{1});
        QCOMPARE(session.answers.messages[0].title, QString("无法打开文件"));
        QVERIFY(session.answers.messages[0].text.contains("不是一个普通文件"));
        QVERIFY(session.wizard.view().dialogFileName().empty());

        session.open(4, target);
        QCOMPARE(QByteArray::fromStdString(session.wizard.view().document().excerpt), kPlain);
        QCOMPARE(session.answers.unexpectedDialogs, QStringList());
    }

    void aKeyFilePlantedAsALinkIsReplacedNotFollowed()
    {
        QTemporaryDir dir;
        const QString victim = dir.filePath("victim.txt");
        QVERIFY(WriteFile(victim, "someone's own text\n"));
        QFile::remove(KeyFilePath());
        QVERIFY(QFile::link(victim, KeyFilePath()));

        Wizard wizard;
        ModalAnswers answers;
        wizard.show();
        QTest::mouseClick(wizard.form().option(2), Qt::LeftButton);
        QTest::mouseClick(wizard.form().command(1), Qt::LeftButton);
        for (int box = 6; box <= 10; ++box) {
            QTest::keyClicks(wizard.form().text(box), "5");
        }
        QTest::mouseClick(wizard.form().command(8), Qt::LeftButton);

        QVERIFY(wizard.form().frame(5)->isVisible());
        QCOMPARE(ReadFile(victim), QByteArray("someone's own text\n"));
        QVERIFY(!QFileInfo(KeyFilePath()).isSymLink());
        QCOMPARE(ReadFile(KeyFilePath()), kHeader + " 5 \r\n");
        QCOMPARE(answers.unexpectedDialogs, QStringList());
    }

    void aRewriteWithItsOldTimeRestoredIsNotOverwritten()
    {
        OnFilePanel session(4);
        const QString& target = session.letter;
        session.openLetter();

        // Someone else rewrites it in place, same size, and sets the time back.
        const QDateTime modified = QFileInfo(target).lastModified();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QByteArray theirs = kPlain;
        theirs[0] = 'Z';
        {
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QCOMPARE(file.write(theirs), theirs.size());
            QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
        }

        session.answers.pressInMessageBox("确定");
        QTest::mouseClick(session.wizard.form().command(5), Qt::LeftButton);
        QCOMPARE(session.answers.messages.size(), std::size_t{1});
        QCOMPARE(session.answers.messages[0].title, QString("无法保存文件"));
        QVERIFY(session.answers.messages[0].text.contains("被其他程序修改过"));
        QCOMPARE(ReadFile(target), theirs);
        QVERIFY(!session.ended);
    }
};

QTEST_MAIN(OneActionTest)
#include "OneActionTest.moc"
