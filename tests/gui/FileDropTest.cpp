// Files dropped on the window, through real drag events: one file on a file
// panel is opened as if chosen in the file dialog, several are chosen
// together; anything else is refused as it comes over the window.
#include "ModalAnswers.hpp"
#include "gui/qt/Application.hpp"
#include "gui/qt/Wizard.hpp"

#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

using quilvane::Wizard;
using quilvane::testing::ModalAnswers;

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Dropping {
    explicit Dropping(int frame)
    {
        wizard.view().setEndProgram([] {});
        wizard.show();
        for (int i = 1; i <= 5; ++i) {
            wizard.form().frame(i)->setVisible(i == frame);
        }
    }
    // Drags `urls` over the window; true when the window would take them.
    bool dragOver(const QList<QUrl>& urls)
    {
        mime.setUrls(urls);
        const QPoint middle = wizard.form().rect().center();
        QDragEnterEvent enter(middle, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&wizard.form(), &enter);
        return enter.isAccepted();
    }
    bool drop(const QList<QUrl>& urls)
    {
        mime.setUrls(urls);
        QDropEvent drop(QPointF(wizard.form().rect().center()), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&wizard.form(), &drop);
        return drop.isAccepted();
    }
    Wizard wizard;
    ModalAnswers answers;
    QMimeData mime;
};

}  // namespace

class FileDropTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { quilvane::PrepareApplication(*qApp); }

    void oneFileOnAFilePanelIsOpenedAsIfChosen_data()
    {
        QTest::addColumn<int>("frame");
        QTest::newRow("encryption") << 4;
        QTest::newRow("decryption") << 5;
    }
    void oneFileOnAFilePanelIsOpenedAsIfChosen()
    {
        QFETCH(int, frame);
        QTemporaryDir dir;
        const QString file = dir.filePath("文档.txt");
        QVERIFY(WriteFile(file, "\xD6\xD0\xCE\xC4 text\r\n"));
        Dropping session(frame);

        const QList<QUrl> urls{QUrl::fromLocalFile(file)};
        QVERIFY(session.dragOver(urls));
        QVERIFY(session.drop(urls));
        QTRY_COMPARE(session.wizard.view().document().excerpt, std::string("\xD6\xD0\xCE\xC4 text\r\n"));
        QCOMPARE(QFile::decodeName(QByteArray::fromStdString(session.wizard.view().dialogFileName().string())), file);
        QVERIFY(session.wizard.view().document().stamp.known());
        QVERIFY(session.answers.messages.empty());
    }

    void anythingElseIsRefusedAsItComesOver_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("what");
        QTest::newRow("on the first step") << 1 << "one file";
        QTest::newRow("on a password step") << 2 << "one file";
        QTest::newRow("two files, one a folder") << 4 << "two files, one a folder";
        QTest::newRow("a folder") << 5 << "a folder";
        QTest::newRow("not a local file") << 4 << "a web address";
    }
    void anythingElseIsRefusedAsItComesOver()
    {
        QFETCH(int, frame);
        QFETCH(QString, what);
        QTemporaryDir dir;
        const QString one = dir.filePath("one.txt");
        const QString two = dir.filePath("two.txt");
        QVERIFY(WriteFile(one, "one"));
        QVERIFY(WriteFile(two, "two"));
        QList<QUrl> urls{QUrl::fromLocalFile(one)};
        if (what == "two files, one a folder") {
            urls << QUrl::fromLocalFile(dir.path());
        } else if (what == "a folder") {
            urls = {QUrl::fromLocalFile(dir.path())};
        } else if (what == "a web address") {
            urls = {QUrl("https://example.org/one.txt")};
        }
        Dropping session(frame);

        QVERIFY(!session.dragOver(urls));
        QVERIFY(!session.drop(urls));
        QTest::qWait(50);
        QVERIFY(session.wizard.view().document().excerpt.empty());
        QVERIFY(session.wizard.view().dialogFileName().empty());
        QVERIFY(session.answers.messages.empty());
    }

    void severalFilesDroppedOnAFilePanelAreChosenTogether()
    {
        QTemporaryDir dir;
        const QStringList files = {dir.filePath("one.txt"), dir.filePath("two.txt"), dir.filePath("three.txt")};
        QList<QUrl> urls;
        for (const QString& file : files) {
            QVERIFY(WriteFile(file, "text"));
            urls << QUrl::fromLocalFile(file);
        }
        Dropping session(4);

        QVERIFY(session.dragOver(urls));
        QVERIFY(session.drop(urls));
        QTRY_COMPARE(session.wizard.view().document().batch.size(), std::size_t{3});
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(QFile::decodeName(QByteArray::fromStdString(session.wizard.view().document().batch[i].file)),
                     files[i]);
            QCOMPARE(QFile::decodeName(QByteArray::fromStdString(session.wizard.view().dialogFileNames()[i])),
                     files[i]);
        }
        QCOMPARE(session.wizard.form().richTextBox()->toPlainText(),
                 QString("one.txt\t4 字节\ntwo.txt\t4 字节\nthree.txt\t4 字节\n"));
        QVERIFY(session.answers.messages.empty());
    }

    void aDroppedPipeIsRefusedLikeOneChosenInTheDialog()
    {
        QTemporaryDir dir;
        const QString pipe = dir.filePath("pipe.txt");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
        Dropping session(4);

        session.answers.pressInMessageBox("确定");
        QVERIFY(session.dragOver({QUrl::fromLocalFile(pipe)}));
        QVERIFY(session.drop({QUrl::fromLocalFile(pipe)}));
        QTRY_COMPARE(session.answers.messages.size(), std::size_t{1});
        QCOMPARE(session.answers.messages[0].title, QString("无法打开文件"));
        QVERIFY(session.answers.messages[0].text.contains("不是一个普通文件"));
        QVERIFY(session.wizard.view().dialogFileName().empty());
    }
};

QTEST_MAIN(FileDropTest)
#include "FileDropTest.moc"
