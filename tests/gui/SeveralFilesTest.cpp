// Several files at once through the real window: chosen in the file dialog
// or given on the command line, listed in the view, done under one progress
// window, and what was not done named and left chosen on step 3.
#include "ModalAnswers.hpp"
#include "Session.hpp"
#include "WhileWorking.hpp"
#include "gui/qt/Application.hpp"
#include "gui/qt/CommandLine.hpp"
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
#include <QTest>

using quilvane::Wizard;
using quilvane::testing::ModalAnswers;
using quilvane::testing::ReadFile;
using Session = quilvane::testing::Session<ModalAnswers>;

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

std::vector<std::filesystem::path> Paths(const QStringList& files)
{
    std::vector<std::filesystem::path> paths;
    for (const QString& file : files) {
        paths.emplace_back(QFile::encodeName(file).toStdString());
    }
    return paths;
}

std::vector<std::filesystem::path> Listed(const quilvane::Document& document)
{
    std::vector<std::filesystem::path> files;
    for (const auto& file : document.batch) {
        files.push_back(file.file);
    }
    return files;
}

void TypePassword(Wizard& wizard, int firstBox)
{
    for (int i = 0; i < 5; ++i) {
        QTest::keyClicks(wizard.form().text(firstBox + i), QString::number(i + 1));
    }
}

// From step 1 to step 3 of one road, as a user goes.
void ToStep3(Session& session, bool encrypting)
{
    Wizard& wizard = session.wizard;
    if (!encrypting) {
        QTest::mouseClick(wizard.form().option(2), Qt::LeftButton);
    }
    QTest::mouseClick(wizard.form().command(1), Qt::LeftButton);
    TypePassword(wizard, encrypting ? 1 : 6);
    if (encrypting) {
        session.answers.pressInMessageBox("是");
        session.answers.pressInMessageBox("确定");
    }
    QTest::mouseClick(wizard.form().command(encrypting ? 3 : 8), Qt::LeftButton);
}

}  // namespace

class SeveralFilesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        quilvane::PrepareApplication(*qApp);
        QFile::remove(quilvane::testing::KeyFileBesideTheProgram());
    }
    void cleanup() { QFile::remove(quilvane::testing::KeyFileBesideTheProgram()); }

    // Three files chosen at once in the dialog, one of them read-only: the
    // view lists them; the others are encrypted, the read-only one is named
    // and stays chosen, alone, on step 3.
    void threeFilesChosenInTheDialogOneRefused()
    {
        QTemporaryDir dir;
        const QStringList names = {"一月.txt", "二月.txt", "只读.txt"};
        QStringList files;
        for (const QString& name : names) {
            files << dir.filePath(name);
            QVERIFY(WriteFile(files.back(), "AB"));
        }
        QVERIFY(QFile::setPermissions(files[2], QFileDevice::ReadOwner));

        Session session;
        auto& [wizard, ended, answers] = session;
        QVERIFY(QTest::qWaitForWindowActive(&wizard.form()));
        ToStep3(session, true);
        QVERIFY(wizard.form().frame(4)->isVisible());
        const QString accessibleName = wizard.form().richTextBox()->accessibleName();

        answers.chooseFiles(dir.path(), names);
        QTest::mouseClick(wizard.form().command(4), Qt::LeftButton);
        QVERIFY(answers.allAnswered());
        QCOMPARE(Listed(wizard.view().document()), Paths(files));
        QCOMPARE(wizard.form().richTextBox()->toPlainText(),
                 QString("一月.txt\t2 字节\n二月.txt\t2 字节\n只读.txt\t2 字节\n"));
        QCOMPARE(wizard.form().richTextBox()->accessibleName(), accessibleName);

        answers.pressInMessageBox("确定");
        QTest::mouseClick(wizard.form().command(5), Qt::LeftButton);
        QTRY_VERIFY(answers.allAnswered());
        QVERIFY(!ended);
        const auto& told = answers.messages.back();
        QCOMPARE(told.title, QString("部分文件未加密"));
        QCOMPARE(told.icon, QMessageBox::Warning);
        QVERIFY2(told.text.contains("已加密 2 个文件，共 3 个"), qPrintable(told.text));
        QVERIFY2(told.text.contains("“" + files[2] + "”：文件被设为只读"), qPrintable(told.text));
        QCOMPARE(ReadFile(files[0]), QByteArray("?@\r\n"));
        QCOMPARE(ReadFile(files[1]), QByteArray("?@\r\n"));
        QCOMPARE(ReadFile(files[2]), QByteArray("AB"));

        QVERIFY(wizard.form().frame(4)->isVisible());
        QCOMPARE(Listed(wizard.view().document()), Paths({files[2]}));
        QCOMPARE(wizard.form().richTextBox()->toPlainText(), QString("只读.txt\t2 字节\n"));
        QCOMPARE(answers.unexpectedDialogs, QStringList());
    }

    // `quilvane A B C`: the files come through the password steps and are
    // decrypted together; the progress window says which file it is at, and
    // its Cancel stops before the next one.
    void filesGivenOnTheCommandLineAreDoneTogether()
    {
        QTemporaryDir dir;
        QStringList files;
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            files << dir.filePath(name);
            QVERIFY(WriteFile(files.back(), "?@\r\n"));
        }
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const quilvane::CommandLine line = quilvane::ReadCommandLine({"a.txt", "b.txt", "c.txt"});
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(line.request, quilvane::CommandLine::Request::Window);

        Session session;
        auto& [wizard, ended, answers] = session;
        wizard.view().setStartFiles(line.startFiles);
        wizard.view().setProgressDelay(0);
        QVERIFY(QTest::qWaitForWindowActive(&wizard.form()));
        ToStep3(session, false);
        QVERIFY(wizard.form().frame(5)->isVisible());
        QCOMPARE(Listed(wizard.view().document()), Paths(files));

        // Held in the first file's write until the window has told which
        // file it is at, and Cancel is pressed.
        QString shown;
        answers.pressInMessageBox("确定");
        {
            quilvane::testing::WhileWorking held(quilvane::faults::Step::Write, [&] {
                QTRY_VERIFY(wizard.form().findChild<QProgressDialog*>());
                auto* progress = wizard.form().findChild<QProgressDialog*>();
                QTRY_VERIFY((shown = progress->labelText()).startsWith("第 1 / 3 个文件"));
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            });
            QTest::mouseClick(wizard.form().command(10), Qt::LeftButton);
            QVERIFY(held.held());
        }
        QTRY_VERIFY(answers.allAnswered());
        QVERIFY2(shown.startsWith("第 1 / 3 个文件"), qPrintable(shown));
        QCOMPARE(answers.messages.back().title, QString("部分文件未解密"));
        QVERIFY2(answers.messages.back().text.contains("操作已取消"), qPrintable(answers.messages.back().text));
        QCOMPARE(ReadFile(files[0]), QByteArray("AB"));
        QCOMPARE(ReadFile(files[1]), QByteArray("?@\r\n"));
        QCOMPARE(Listed(wizard.view().document()), Paths({files[1], files[2]}));

        // The rest, again from step 3.
        answers.pressInMessageBox("确定");
        answers.pressInMessageBox("确定");
        QTest::mouseClick(wizard.form().command(10), Qt::LeftButton);
        QVERIFY(ended);
        QCOMPARE(answers.messages.back().title, QString("工作完成"));
        for (const QString& file : files) {
            QCOMPARE(ReadFile(file), QByteArray("AB"));
        }
        QCOMPARE(answers.unexpectedDialogs, QStringList());
    }
};

QTEST_MAIN(SeveralFilesTest)
#include "SeveralFilesTest.moc"
