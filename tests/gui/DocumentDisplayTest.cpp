// What the document view shows of the document's bytes.
#include "platform/DocumentDisplay.hpp"

#include <QTest>

using quilvane::DisplayText;

class DocumentDisplayTest : public QObject {
    Q_OBJECT

private slots:
    void decodesGbkForShowing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ascii") << QByteArray("plain") << "plain";
        QTest::newRow("chinese") << QByteArray("\xD6\xD0\xCE\xC4") << "中文";
        QTest::newRow("line ends become line breaks") << QByteArray("a\r\nb\nc") << "a\nb\nc";
        QTest::newRow("euro sign") << QByteArray("\x80") << "€";
        QTest::newRow("invalid pair") << QByteArray("\x81\x30") << "\uFFFD0";
        QTest::newRow("lone lead at the end is not swallowed") << QByteArray("A\xD6") << "A\uFFFD";
        QTest::newRow("nul is shown as a sign") << QByteArray("a\0b", 3) << "a\u2400b";
    }
    void decodesGbkForShowing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(DisplayText(std::string_view(bytes.constData(), bytes.size())), shown);
    }

    void aLargeDocumentShowsItsBeginningAndANote()
    {
        const std::string bytes = std::string(9, 'a') + "\xD6\xD0" + std::string(100, 'b');
        const QString shown = DisplayText(bytes, 10);  // the limit falls inside 中
        QVERIFY(shown.startsWith(QString(9, 'a') + "\n\n"));
        QVERIFY(shown.contains("只显示开头部分"));
        QVERIFY(!shown.contains('b'));
    }
};

QTEST_MAIN(DocumentDisplayTest)
#include "DocumentDisplayTest.moc"
