// Both roads through the real window, from the first step to the end of the
// program, answering the real modal dialogs; then the bytes on disk.
#include "ModalAnswers.hpp"
#include "Session.hpp"
#include "WhileWorking.hpp"
#include "gui/qt/Application.hpp"
#include "gui/qt/Wizard.hpp"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

#include <sys/stat.h>

using quilvane::Wizard;
using quilvane::testing::ModalAnswers;
using quilvane::testing::ReadFile;

namespace {

const QByteArray kHeader = "This is a important file.Dont`t rewrite me!6,2,1,";

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

using Session = quilvane::testing::Session<ModalAnswers>;

}  // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private:
    QString keyFilePath() const { return QDir(QCoreApplication::applicationDirPath()).filePath("temp.jxv"); }

    void typePassword(Wizard& wizard, int firstBox, const QString& digits)
    {
        for (int i = 0; i < 5; ++i) {
            QTest::keyClicks(wizard.form().text(firstBox + i), digits.mid(i, 1));
        }
    }

private slots:
    void initTestCase()
    {
        quilvane::PrepareApplication(*qApp);
        QFile::remove(keyFilePath());
    }
    void cleanupTestCase() { QFile::remove(keyFilePath()); }

    void encryptThenDecryptAFile()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("letter.txt");
        const QByteArray plain = "AB\r\n\xD6\xD0\xCE\xC4 text\r\n";
        WriteFile(target, plain);

        {
            Session session;
            QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
            auto& [wizard, ended, answers] = session;

            QTest::mouseClick(wizard.form().command(1), Qt::LeftButton);
            QVERIFY(wizard.form().frame(2)->isVisible());
            typePassword(wizard, 1, "12345");
            answers.pressInMessageBox("是");
            answers.pressInMessageBox("确定");
            QTest::mouseClick(wizard.form().command(3), Qt::LeftButton);
            QVERIFY(wizard.form().frame(4)->isVisible());
            QCOMPARE(ReadFile(keyFilePath()), kHeader + " 6 \r\n");
            QCOMPARE(answers.messages.size(), std::size_t{2});
            QCOMPARE(answers.messages[0].title, QString("确认密码"));
            QCOMPARE(answers.messages[0].text, QString("您输入的密码为：12345 确认吗？"));
            QCOMPARE(answers.messages[1].title, QString("记录密码"));
            for (int i = 1; i <= 5; ++i) {
                QVERIFY(wizard.form().text(i)->text().isEmpty());
            }

            answers.chooseFile(target);
            QTest::mouseClick(wizard.form().command(4), Qt::LeftButton);
            QCOMPARE(answers.fileDialogFilters, QStringList({"文本文件(*.txt)", "所有文件 (*.*)"}));
            QCOMPARE(wizard.form().richTextBox()->toPlainText(), QString("AB\n中文 text\n"));

            answers.pressInMessageBox("确定");
            QTest::mouseClick(wizard.form().command(5), Qt::LeftButton);
            QVERIFY(ended);
            QCOMPARE(answers.messages.back().title, QString("加密完成"));
            QCOMPARE(answers.unexpectedDialogs, QStringList());
            QVERIFY(answers.allAnswered());
        }
        const QByteArray encrypted = ReadFile(target);
        QCOMPARE(encrypted, QByteArray("?@\x0B\x08\xD6\xCE\xCE\xC2\x1Ercvr\x0B\x08\r\n"));

        {
            Session session;
            QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
            auto& [wizard, ended, answers] = session;

            QTest::mouseClick(wizard.form().option(2), Qt::LeftButton);
            QTest::mouseClick(wizard.form().command(1), Qt::LeftButton);
            QVERIFY(wizard.form().frame(3)->isVisible());
            typePassword(wizard, 6, "55155");
            QTest::mouseClick(wizard.form().command(8), Qt::LeftButton);
            QVERIFY(wizard.form().frame(5)->isVisible());
            QCOMPARE(ReadFile(keyFilePath()), kHeader + " 5 \r\n");
            QVERIFY(answers.messages.empty());

            answers.chooseFile(target);
            QTest::mouseClick(wizard.form().command(9), Qt::LeftButton);
            QCOMPARE(QString::fromStdString(wizard.view().dialogFileName().string()), target);
            answers.pressInMessageBox("确定");
            answers.pressInMessageBox("确定");
            QTest::mouseClick(wizard.form().command(10), Qt::LeftButton);
            QVERIFY(ended);
            QCOMPARE(answers.messages.size(), std::size_t{2});
            QCOMPARE(answers.messages[0].title, QString("解密完成"));
            QCOMPARE(answers.messages[1].title, QString("工作完成"));
            QCOMPARE(answers.unexpectedDialogs, QStringList());
        }
        QCOMPARE(ReadFile(target), plain);
    }

    // Opening reads only the beginning of a file, however large, so it
    // shows no progress; the action goes through all of it and does.
    void aLargeFileOpensAtOnceAndItsActionShowsProgress()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("large.txt");
        QByteArray content;
        while (content.size() < (48 << 20)) {
            content += "\xD6\xD0\xCE\xC4 line of text\r\n";
        }
        WriteFile(target, content);
        WriteFile(keyFilePath(), kHeader + " 4 \r\n");

        Session session;
        QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
        auto& [wizard, ended, answers] = session;
        wizard.view().setProgressDelay(0);
        wizard.form().frame(1)->hide();
        wizard.form().frame(4)->show();

        answers.chooseFile(target);
        QTest::mouseClick(wizard.form().command(4), Qt::LeftButton);
        QVERIFY(answers.allAnswered());
        QVERIFY(wizard.view().document().more);
        QVERIFY(wizard.view().document().excerpt.size() <= quilvane::kExcerptLimit);
        QVERIFY(wizard.form().richTextBox()->toPlainText().startsWith("中文 line of text\n"));
        QVERIFY(wizard.form().richTextBox()->toPlainText().contains("只显示开头部分"));

        answers.pressInMessageBox("确定");
        QString shown;
        {
            // The write waits until the progress window tells how far it came.
            const QRegularExpression label(R"(^已处理 \d+ / 48 MB$)");
            quilvane::testing::WhileWorking slowWrite(quilvane::faults::Step::Write, [&] {
                QTRY_VERIFY(label.match(shown = wizard.form().findChild<QProgressDialog*>()->labelText()).hasMatch());
            });
            QTest::mouseClick(wizard.form().command(5), Qt::LeftButton);
            QVERIFY(slowWrite.held());
        }
        QVERIFY2(shown.startsWith("已处理"), qPrintable(shown));
        QVERIFY(ended);
        QCOMPARE(ReadFile(target).size(), content.size() + 2);
        QCOMPARE(answers.unexpectedDialogs, QStringList());
    }

    // A pipe planted where the key file was: reading it would wait for a
    // writer forever, on the window's thread. It is refused at once.
    void aPipeInPlaceOfTheKeyFileIsReportedAtOnce()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("letter.txt");
        WriteFile(target, "AB");
        WriteFile(keyFilePath(), kHeader + " 4 \r\n");

        Session session;
        QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
        auto& [wizard, ended, answers] = session;
        wizard.form().frame(1)->hide();
        wizard.form().frame(4)->show();
        answers.chooseFile(target);
        QTest::mouseClick(wizard.form().command(4), Qt::LeftButton);

        QVERIFY(QFile::remove(keyFilePath()));
        QCOMPARE(::mkfifo(QFile::encodeName(keyFilePath()).constData(), 0666), 0);
        answers.pressInMessageBox("确定");
        QTest::mouseClick(wizard.form().command(5), Qt::LeftButton);
        QVERIFY(QFile::remove(keyFilePath()));
        QVERIFY(!ended);
        QCOMPARE(answers.messages.size(), std::size_t{1});
        QCOMPARE(answers.messages[0].title, QString("密钥文件出错"));
        QVERIFY2(answers.messages[0].text.contains("这不是一个普通文件"), qPrintable(answers.messages[0].text));
        QCOMPARE(ReadFile(target), QByteArray("AB"));
        QCOMPARE(answers.unexpectedDialogs, QStringList());
    }

    void cancellingTheFileDialogChangesNothing()
    {
        Session session;
        QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
        auto& [wizard, ended, answers] = session;
        wizard.form().frame(1)->hide();
        wizard.form().frame(4)->show();
        answers.chooseFile({});
        QTest::mouseClick(wizard.form().command(4), Qt::LeftButton);
        QVERIFY(!ended);
        QVERIFY(wizard.form().frame(4)->isVisible());
        QVERIFY(wizard.form().richTextBox()->toPlainText().isEmpty());
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.unexpectedDialogs, QStringList());
    }
};

QTEST_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
