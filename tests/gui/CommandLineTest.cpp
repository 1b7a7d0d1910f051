// What the program makes of its command line: the reading itself, on a
// table of command lines, and the program answering --help, --version and
// usage errors, run as a user runs it.
#include "gui/qt/CommandLine.hpp"

#include <QProcess>
#include <QTest>

using quilvane::CommandLine;
using quilvane::ReadCommandLine;
using Request = CommandLine::Request;

Q_DECLARE_METATYPE(Request)

namespace {

std::vector<std::string> Words(const QByteArrayList& arguments)
{
    std::vector<std::string> words;
    for (const QByteArray& argument : arguments) {
        words.push_back(argument.toStdString());
    }
    return words;
}

struct Run {
    int status = -1;
    QByteArray out, err;
};

// The program with `arguments`, in an environment without a display unless
// `platform` names one.
Run RunProgram(const QStringList& arguments, const QString& platform)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(name);
    }
    if (!platform.isEmpty()) {
        environment.insert("QT_QPA_PLATFORM", platform);
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(QUILVANE_PROGRAM), arguments);
    // Well within the test's own limit, for a machine busy with other tests.
    if (!program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished();
        return {-1, {}, "(did not end within 30 s) " + program.readAllStandardError()};
    }
    const QByteArray err = program.readAllStandardError();
    if (program.exitStatus() != QProcess::NormalExit) {
        return {-1, program.readAllStandardOutput(), "(crashed) " + err};
    }
    return {program.exitCode(), program.readAllStandardOutput(), err};
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void readsWhatItIsAsked_data()
    {
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<Request>("request");
        QTest::addColumn<QByteArray>("file");  // relative names against the current folder
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing") << QByteArrayList{} << Request::Window << QByteArray() << "";
        QTest::newRow("a file") << QByteArrayList{"note.txt"} << Request::Window << QByteArray("note.txt") << "";
        QTest::newRow("an absolute Chinese path with a blank")
            << QByteArrayList{"/tmp/从文件管理器 打开.txt"} << Request::Window << QByteArray("/tmp/从文件管理器 打开.txt") << "";
        QTest::newRow("a name that is not UTF-8 (GBK bytes)")
            << QByteArrayList{"\xD6\xD0\xCE\xC4.txt"} << Request::Window << QByteArray("\xD6\xD0\xCE\xC4.txt") << "";
        QTest::newRow("a name like an option, after --")
            << QByteArrayList{"--", "--help"} << Request::Window << QByteArray("--help") << "";
        QTest::newRow("a lone dash is a name") << QByteArrayList{"-"} << Request::Window << QByteArray("-") << "";
        QTest::newRow("--help") << QByteArrayList{"--help"} << Request::Help << QByteArray() << "";
        QTest::newRow("-h before a file") << QByteArrayList{"-h", "note.txt"} << Request::Help << QByteArray() << "";
        QTest::newRow("--help after an unknown option")
            << QByteArrayList{"--bogus", "--help"} << Request::Help << QByteArray() << "";
        QTest::newRow("--version") << QByteArrayList{"--version"} << Request::Version << QByteArray() << "";
        QTest::newRow("an unknown option") << QByteArrayList{"--bogus", "note.txt"} << Request::UsageError << QByteArray()
                                           << "不认识的选项“--bogus”";
        QTest::newRow("two files, the first") << QByteArrayList{"a.txt", "b.txt"} << Request::Window
                                              << QByteArray("a.txt") << "";
        QTest::newRow("an empty name") << QByteArrayList{""} << Request::UsageError << QByteArray() << "文件名是空的";
    }
    void readsWhatItIsAsked()
    {
        QFETCH(QByteArrayList, arguments);
        QFETCH(Request, request);
        QFETCH(QByteArray, file);
        QFETCH(QString, error);
        const CommandLine line = ReadCommandLine(Words(arguments));
        QCOMPARE(line.request, request);
        const std::filesystem::path expected =
            file.isEmpty() ? std::filesystem::path() : std::filesystem::current_path() / file.toStdString();
        QCOMPARE(QByteArray::fromStdString(line.startFile.string()), QByteArray::fromStdString(expected.string()));
        QVERIFY2(QString::fromStdString(line.error).contains(error), line.error.c_str());
        if (request == Request::UsageError) {
            QVERIFY(QString::fromStdString(line.error).contains("quilvane --help"));
        } else {
            QVERIFY(line.error.empty());
        }
    }

    // Several files are all kept, in their order, each made absolute;
    // "--" and a repeated name included.
    void keepsEveryFileGiven()
    {
        const CommandLine line = ReadCommandLine({"b.txt", "/tmp/a.txt", "--", "-x.txt", "b.txt"});
        QCOMPARE(line.request, Request::Window);
        const auto here = std::filesystem::current_path();
        const std::vector<std::filesystem::path> expected = {here / "b.txt", "/tmp/a.txt", here / "-x.txt",
                                                             here / "b.txt"};
        QVERIFY(line.startFiles == expected);
        QVERIFY(line.startFile == expected.front());
        QVERIFY(ReadCommandLine({}).startFiles.empty());
    }

    void answersHelpAndVersionWithoutAWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("said");
        const QStringList help = {"用法：quilvane [文件]", "--help", "--version", "打开文件"};
        QTest::newRow("--help") << QStringList{"--help"} << help;
        QTest::newRow("-h") << QStringList{"-h"} << help;
        QTest::newRow("--help with a file") << QStringList{"note.txt", "--help"} << help;
        QTest::newRow("--version") << QStringList{"--version"} << QStringList{"quilvane 2.0\n"};
    }
    void answersHelpAndVersionWithoutAWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, said);
        const Run run = RunProgram(arguments, {});  // no display: a window would fail
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(run.err, QByteArray());
        for (const QString& words : said) {
            QVERIFY2(QString::fromUtf8(run.out).contains(words), run.out.constData());
        }
    }

    void usageErrorsSayWhatWasWrongAndEndWithStatus2_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        QTest::newRow("an unknown option") << QStringList{"--bogus"} << "不认识的选项“--bogus”";
        QTest::newRow("an empty name among files") << QStringList{"a.txt", ""} << "文件名是空的";
    }
    void usageErrorsSayWhatWasWrongAndEndWithStatus2()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        const Run run = RunProgram(arguments, "offscreen");
        QVERIFY2(run.status == 2, run.err.constData());
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(QString::fromUtf8(run.err).contains(said), run.err.constData());
        QVERIFY2(run.err.contains("quilvane --help"), run.err.constData());
    }

    // Qt's own options are Qt's: here -platform starts the program without
    // a display, and only what is left is read.
    void qtsOwnOptionsAreTakenByQt()
    {
        const Run run = RunProgram({"-platform", "offscreen", "--bogus"}, {});
        QVERIFY2(run.status == 2, run.err.constData());
        QVERIFY2(run.err.contains("--bogus") && !run.err.contains("-platform"), run.err.constData());
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
