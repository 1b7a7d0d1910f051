// A file given at start (`quilvane FILE`, a file manager's "Open with"), read
// from the command line as the program reads it, through the real window:
// the usual road to step 3 opens it there as if chosen with 打开文件, and the
// step's button then acts on it; a file that cannot be opened gives the open
// message on step 3.
#include "ModalAnswers.hpp"
#include "Session.hpp"
#include "gui/qt/Application.hpp"
#include "gui/qt/CommandLine.hpp"
#include "gui/qt/Wizard.hpp"

#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using quilvane::Wizard;
using quilvane::testing::ModalAnswers;
using Session = quilvane::testing::Session<ModalAnswers>;

namespace {

// Writes `bytes` under a name given as bytes, whatever its encoding.
bool WriteBytes(const QByteArray& path, const QByteArray& bytes)
{
    const int file = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written = file >= 0 && ::write(file, bytes.constData(), bytes.size()) == bytes.size();
    return ::close(file) == 0 && written;
}

QByteArray ReadBytes(const QByteArray& path)
{
    const int file = ::open(path.constData(), O_RDONLY);
    QByteArray bytes(4096, '\0');
    const ssize_t size = file >= 0 ? ::read(file, bytes.data(), bytes.size()) : -1;
    ::close(file);
    return size >= 0 ? bytes.left(size) : QByteArray("(unreadable)");
}

void TypePassword(Wizard& wizard, int firstBox, const QString& digits)
{
    for (int i = 0; i < 5; ++i) {
        QTest::keyClicks(wizard.form().text(firstBox + i), digits.mid(i, 1));
    }
}

// Leads the window from step 1 to step 3 of one road, as a user does; the
// message boxes after the password's are answered with `thenPress`.
void ToStep3(Session& session, bool encrypting, const QStringList& thenPress = {})
{
    Wizard& wizard = session.wizard;
    if (!encrypting) {
        QTest::mouseClick(wizard.form().option(2), Qt::LeftButton);
    }
    QTest::mouseClick(wizard.form().command(1), Qt::LeftButton);
    TypePassword(wizard, encrypting ? 1 : 6, "12345");
    if (encrypting) {
        session.answers.pressInMessageBox("是");
        session.answers.pressInMessageBox("确定");
    }
    for (const QString& button : thenPress) {
        session.answers.pressInMessageBox(button);
    }
    QTest::mouseClick(wizard.form().command(encrypting ? 3 : 8), Qt::LeftButton);
}

}  // namespace

class StartFileTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        quilvane::PrepareApplication(*qApp);
        QFile::remove(quilvane::testing::KeyFileBesideTheProgram());
    }
    void cleanupTestCase() { QFile::remove(quilvane::testing::KeyFileBesideTheProgram()); }

    void aFileGivenAtStartIsOpenedOnStep3AndActedOn_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("relative");  // given by its name within the current folder
        QTest::addColumn<bool>("encrypting");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("a name in the current folder, encryption") << QByteArray("note.txt") << true << true
                                                                  << QByteArray("?@\v\b\r\n");
        QTest::newRow("a Chinese path with a blank (%f), decryption")
            << QByteArray("从文件管理器打开 的文档.txt") << false << false << QByteArray("CD");
        QTest::newRow("a name that is not UTF-8 (GBK bytes), encryption")
            << QByteArray("\xD6\xD0\xCE\xC4.txt") << true << true << QByteArray("?@\v\b\r\n");
    }
    void aFileGivenAtStartIsOpenedOnStep3AndActedOn()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, relative);
        QFETCH(bool, encrypting);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        const QByteArray path = folder + "/" + name;
        QVERIFY(WriteBytes(path, "AB\r\n"));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const quilvane::CommandLine line = quilvane::ReadCommandLine({(relative ? name : path).toStdString()});
        QVERIFY(QDir::setCurrent(before));

        Session session;
        session.wizard.view().setStartFile(line.startFile);
        QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
        ToStep3(session, encrypting);

        QVERIFY(session.wizard.form().frame(encrypting ? 4 : 5)->isVisible());
        QCOMPARE(session.wizard.view().document().excerpt, std::string("AB\r\n"));
        QCOMPARE(QByteArray::fromStdString(session.wizard.view().dialogFileName().string()), path);
        QCOMPARE(session.wizard.form().richTextBox()->toPlainText(), QString("AB\n"));
        QCOMPARE(session.answers.messages.size(), std::size_t{encrypting ? 2u : 0u});  // only the password's

        session.answers.pressInMessageBox("确定");
        if (!encrypting) {
            session.answers.pressInMessageBox("确定");
        }
        QTest::mouseClick(session.wizard.form().command(encrypting ? 5 : 10), Qt::LeftButton);
        QVERIFY(session.ended);
        QCOMPARE(session.answers.messages.back().title, QString(encrypting ? "加密完成" : "工作完成"));
        QCOMPARE(ReadBytes(path), after);
        QCOMPARE(session.answers.unexpectedDialogs, QStringList());
    }

    void aFileThatCannotBeOpenedGivesTheOpenMessageOnStep3_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("encrypting");
        QTest::addColumn<QString>("said");
        QTest::newRow("a missing file") << "missing" << true << "不存在的文件.txt";
        QTest::newRow("a folder") << "folder" << false << "文件夹";
    }
    void aFileThatCannotBeOpenedGivesTheOpenMessageOnStep3()
    {
        QFETCH(QString, what);
        QFETCH(bool, encrypting);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = dir.filePath(what == "missing" ? "不存在的文件.txt" : "文件夹.txt");
        if (what == "folder") {
            QVERIFY(QDir().mkdir(path));
        }
        const quilvane::CommandLine line = quilvane::ReadCommandLine({QFile::encodeName(path).toStdString()});

        Session session;
        session.wizard.view().setStartFile(line.startFile);
        QVERIFY(QTest::qWaitForWindowActive(&session.wizard.form()));
        ToStep3(session, encrypting, {"确定"});  // the open message

        QVERIFY(session.wizard.form().frame(encrypting ? 4 : 5)->isVisible());
        QTRY_VERIFY(session.answers.allAnswered());
        const auto& told = session.answers.messages.back();
        QCOMPARE(told.title, QString("无法打开文件"));
        QVERIFY2(told.text.contains(said), qPrintable(told.text));
        QVERIFY(session.wizard.view().document().excerpt.empty());
        QVERIFY(session.wizard.view().dialogFileName().empty());
        QVERIFY(!session.ended);
        QCOMPARE(session.answers.unexpectedDialogs, QStringList());
    }
};

QTEST_MAIN(StartFileTest)
#include "StartFileTest.moc"
