// What the document view shows of the document's bytes.
#include "gui/qt/DocumentDisplay.hpp"

#include <QTest>

using quilvane::DisplayText;

class DocumentDisplayTest : public QObject {
    Q_OBJECT

private slots:
    void decodesForShowing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ascii") << QByteArray("plain") << "plain";
        QTest::newRow("gbk chinese") << QByteArray("\xD6\xD0\xCE\xC4") << "中文";
        QTest::newRow("utf-8 chinese") << QByteArray("\xE4\xB8\xAD\xE6\x96\x87 ok") << "中文 ok";
        QTest::newRow("utf-8 with a byte-order mark") << QByteArray("\xEF\xBB\xBF\xE4\xB8\xAD\r\n") << "中\n";
        QTest::newRow("byte-order mark and ascii") << QByteArray("\xEF\xBB\xBF" "abc") << "abc";
        QTest::newRow("overlong utf-8 is gbk") << QByteArray("\xC0\xAF") << "蜡";
        QTest::newRow("utf-8 cut short at the end is gbk") << QByteArray("A\xE4\xB8") << "A涓";
        QTest::newRow("utf-8 surrogate is gbk") << QByteArray("\xED\xA0\x80") << "頎€";
        QTest::newRow("line ends become line breaks") << QByteArray("a\r\nb\nc") << "a\nb\nc";
        QTest::newRow("euro sign") << QByteArray("\x80") << "€";
        QTest::newRow("valid in neither") << QByteArray("\x81\x30") << "\uFFFD0";
        QTest::newRow("lone lead at the end is not swallowed") << QByteArray("A\xD6") << "A\uFFFD";
        QTest::newRow("nul is shown as a sign") << QByteArray("a\0b", 3) << "a\u2400b";
    }
    void decodesForShowing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(DisplayText(std::string_view(bytes.constData(), bytes.size())), shown);
    }

    void aLargeDocumentShowsItsBeginningAndANote_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("beginning");
        const QByteArray a9(9, 'a');
        const QByteArray tail(100, 'b');
        QTest::newRow("gbk, limit inside a character") << a9 + "\xD6\xD0" + tail << 10 << QString(9, 'a');
        QTest::newRow("utf-8, limit inside a character") << a9 + "\xE4\xB8\xAD" + tail << 11 << QString(9, 'a');
        QTest::newRow("utf-8, limit after a character") << a9 + "\xE4\xB8\xAD" + tail << 12 << QString(9, 'a') + "中";
        // Only the part shown is judged: GBK bytes past it do not matter.
        QTest::newRow("utf-8 shown, gbk beyond") << a9 + "\xE4\xB8\xAD" + "\xD6\xD0" + tail << 12
                                                 << QString(9, 'a') + "中";
    }
    void aLargeDocumentShowsItsBeginningAndANote()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, limit);
        QFETCH(QString, beginning);
        const QString shown = DisplayText(std::string_view(bytes.constData(), bytes.size()), limit);
        QVERIFY2(shown.startsWith(beginning + "\n\n"), qPrintable(shown));
        QVERIFY(shown.contains("只显示开头部分"));
        QVERIFY(!shown.contains('b'));
    }
};

QTEST_MAIN(DocumentDisplayTest)
#include "DocumentDisplayTest.moc"
