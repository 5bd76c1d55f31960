// SPDX-License-Identifier: GPL-3.0-or-later
// The command line read as a table: arguments in, what the program does out. Qt Core only: no display.
#include "kit/CommandLine.h"
#include "kit/ProgramInfo.h"

#include <QByteArrayList>
#include <QTest>

#include <string>
#include <vector>

class TestCommandLine : public QObject {
    Q_OBJECT
  private slots:
    void starts_data();
    void starts();
    void refuses_data();
    void refuses();
    void printsHelp_data();
    void printsHelp();
    void printsVersion();
};

namespace {

const QByteArray Usage = "Usage: niblo [options] [FILE...]\n";

TCommandLine Read(const QByteArrayList& arguments) {
    std::vector<std::string> list;
    for (const QByteArray& argument : arguments)
        list.push_back(argument.toStdString());
    return ReadCommandLine(list);
}

} // namespace

void TestCommandLine::starts_data() {
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<qint64>("address"); // -1: none

    QTest::newRow("nothing") << QByteArrayList{} << QByteArray() << false << qint64(-1);
    QTest::newRow("an empty name is none") << QByteArrayList{""} << QByteArray() << false << qint64(-1);
    QTest::newRow("a file") << QByteArrayList{"a.bin"} << QByteArray("a.bin") << false << qint64(-1);
    QTest::newRow("a name that is no UTF-8 keeps its bytes")
        << QByteArrayList{"/tmp/caf\xE9 \xFF\x01.bin"} << QByteArray("/tmp/caf\xE9 \xFF\x01.bin") << false
        << qint64(-1);
    QTest::newRow("UTF-8 name") << QByteArrayList{"d\xC3\xA4t\xC3\xA4"} << QByteArray("d\xC3\xA4t\xC3\xA4")
                                << false << qint64(-1);
    QTest::newRow("a lone dash is a name") << QByteArrayList{"-"} << QByteArray("-") << false << qint64(-1);
    QTest::newRow("-- before a name with a dash")
        << QByteArrayList{"--", "-dash.bin"} << QByteArray("-dash.bin") << false << qint64(-1);
    QTest::newRow("-- before a name like an option")
        << QByteArrayList{"-r", "--", "--help"} << QByteArray("--help") << true << qint64(-1);
    QTest::newRow("--read-only") << QByteArrayList{"--read-only", "f"} << QByteArray("f") << true
                                 << qint64(-1);
    QTest::newRow("-r after the name") << QByteArrayList{"f", "-r"} << QByteArray("f") << true << qint64(-1);
    QTest::newRow("--goto decimal") << QByteArrayList{"--goto", "1234", "f"} << QByteArray("f") << false
                                    << qint64(1234);
    QTest::newRow("--goto=$hex") << QByteArrayList{"--goto=$4D2", "f"} << QByteArray("f") << false
                                 << qint64(0x4D2);
    QTest::newRow("-g 0x") << QByteArrayList{"-g", "0x4d2", "f"} << QByteArray("f") << false << qint64(0x4D2);
    QTest::newRow("-g 0") << QByteArrayList{"f", "-g", "0"} << QByteArray("f") << false << qint64(0);
    QTest::newRow("-rg together") << QByteArrayList{"-rg", "$10", "f"} << QByteArray("f") << true
                                  << qint64(16);
    QTest::newRow("the largest address")
        << QByteArrayList{"-g", "$7FFFFFFFFFFFFFFF", "f"} << QByteArray("f") << false << qint64(INT64_MAX);
    QTest::newRow("the last --goto counts")
        << QByteArrayList{"-g", "1", "-g", "2", "f"} << QByteArray("f") << false << qint64(2);
}

void TestCommandLine::starts() {
    QFETCH(QByteArrayList, arguments);
    QFETCH(QByteArray, file);
    QFETCH(bool, readOnly);
    QFETCH(qint64, address);
    const TCommandLine line = Read(arguments);
    QVERIFY(line.Start);
    QCOMPARE(line.ExitCode, 0);
    QVERIFY(line.Output.empty() && line.Error.empty());
    QCOMPARE(QByteArray::fromStdString(line.FileName), file);
    QCOMPARE(line.ReadOnly, readOnly);
    QCOMPARE(line.Address.value_or(-1), address);
}

void TestCommandLine::refuses_data() {
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("unknown option") << QByteArrayList{"--bogus", "f"}
                                    << QByteArray("Unknown option 'bogus'.");
    QTest::newRow("unknown short option") << QByteArrayList{"-x"} << QByteArray("Unknown option 'x'.");
    QTest::newRow("an unknown option is quoted as its bytes")
        << QByteArrayList{"--caf\xE9"} << QByteArray("Unknown option 'caf\xE9'.");
    QTest::newRow("Qt's own options are not read") << QByteArrayList{"-platform", "offscreen", "f"}
                                                   << QByteArray("Unknown options: p, l, a, t, f, o, m.");
    QTest::newRow("a wrong option before --help")
        << QByteArrayList{"--bogus", "--help"} << QByteArray("Unknown option 'bogus'.");
    QTest::newRow("--read-only takes no value")
        << QByteArrayList{"--read-only=yes", "f"} << QByteArray("Unexpected value after '--read-only'.");
    QTest::newRow("--goto without its address")
        << QByteArrayList{"f", "--goto"} << QByteArray("Missing value after '--goto'.");
    for (const char* address : {"12h", "4D2", "-1", "+1", "$", "0x", "1.5", " 1", "$-1",
                                "9223372036854775808", "$8000000000000000", ""})
        QTest::addRow("address '%s'", address)
            << QByteArrayList{"--goto", address, "f"}
            << "'" + QByteArray(address) +
                   "' is no address for --goto: give a decimal number, or a hexadecimal one after $ or 0x.";
    QTest::newRow("--structure with two files")
        << QByteArrayList{"--structure", "png", "a", "--", "-b"}
        << QByteArray("--structure reads one FILE; '-b' is one too many.");
    QTest::newRow("--goto without a file")
        << QByteArrayList{"--goto", "5"} << QByteArray("--goto needs a FILE.");
    QTest::newRow("--read-only without a file")
        << QByteArrayList{"-r"} << QByteArray("--read-only needs a FILE.");
    QTest::newRow("--read-only with an empty name")
        << QByteArrayList{"-r", ""} << QByteArray("--read-only needs a FILE.");
}

void TestCommandLine::refuses() {
    QFETCH(QByteArrayList, arguments);
    QFETCH(QByteArray, message);
    const TCommandLine line = Read(arguments);
    QVERIFY(!line.Start);
    QCOMPARE(line.ExitCode, 2);
    QVERIFY(line.Output.empty());
    // The message, then the usage with every option.
    const QByteArray error = QByteArray::fromStdString(line.Error);
    QCOMPARE(error.left(error.indexOf('\n')), "niblo: " + message);
    QVERIFY2(error.contains("\n\n" + Usage), error.constData());
    QVERIFY(error.contains("--goto <ADDRESS>"));
}

void TestCommandLine::printsHelp_data() {
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::newRow("--help") << QByteArrayList{"--help"};
    QTest::newRow("-h") << QByteArrayList{"-h"};
    QTest::newRow("with a file and other options") << QByteArrayList{"-r", "f", "--help", "--version"};
    QTest::newRow("with an address that --help makes no matter") << QByteArrayList{"--goto", "zz", "-h"};
}

void TestCommandLine::printsHelp() {
    QFETCH(QByteArrayList, arguments);
    const TCommandLine line = Read(arguments);
    QVERIFY(!line.Start);
    QCOMPARE(line.ExitCode, 0);
    QVERIFY(line.Error.empty());
    const QByteArray help = QByteArray::fromStdString(line.Output);
    QVERIFY2(help.startsWith(Usage), help.constData());
    // Descriptions wrap at the terminal's usual width.
    for (const char* text : {"-h, --help", "-v, --version", "-r, --read-only", "-g, --goto <ADDRESS>",
                             "hexadecimal after $ or 0x",
                             "FILE The files to open, each in a tab; put -- before a "
                             "name that starts with a dash."})
        QVERIFY2(help.simplified().contains(text), text);
}

void TestCommandLine::printsVersion() {
    for (const char* argument : {"--version", "-v"}) {
        const TCommandLine line = Read({argument});
        QVERIFY(!line.Start);
        QCOMPARE(line.ExitCode, 0);
        QVERIFY(line.Error.empty());
        const QByteArray text = QByteArray::fromStdString(line.Output);
        QCOMPARE(text.left(text.indexOf('\n')), QByteArray("niblo " NIBLO_PROJECT_VERSION));
        QVERIFY(text.contains(ProgramNotice().toUtf8()));
        QVERIFY(text.contains("Licence GPL-3.0-or-later: GNU General Public License, version 3 or later"));
    }
    QCOMPARE(ProgramVersion(), QStringLiteral(NIBLO_PROJECT_VERSION));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
