// SPDX-License-Identifier: GPL-3.0-or-later
// The real program started as a user starts it, with a file named on the command line.
#include "support/UiTestMain.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <string>

class TestLaunch : public QObject {
    Q_OBJECT
  private slots:
    void nameThatIsNoTextReachesTheFileLayer();
    void optionsAndANameThatStartsWithADash();
};

namespace {

// The program runs without a display and ends after its first paint, saying what it showed.
void ProbeFirstPaint(QProcess& niblo) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("NIBLO_EXIT_AFTER_FIRST_PAINT", "1");
    niblo.setProcessEnvironment(env);
}

} // namespace

// "caf\xE9.bin" from an old archive is no valid UTF-8; its bytes must open that very file.
void TestLaunch::nameThatIsNoTextReachesTheFileLayer() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string name = dir.path().toStdString() + "/caf\xE9.bin";
    {
        std::ofstream file(name, std::ios::binary);
        file << "12345";
        QVERIFY(bool(file));
    }
    QProcess niblo;
    ProbeFirstPaint(niblo);
    // QProcess would pass the argument through a text conversion; a shell passes the bytes.
    niblo.start("/bin/sh",
                {"-c", "exec \"$0\" \"$(printf '%s/caf\\351.bin' \"$1\")\"", NIBLO_EXECUTABLE, dir.path()});
    QVERIFY(niblo.waitForFinished(20000));
    QCOMPARE(niblo.exitCode(), 0);
    QCOMPARE(niblo.readAllStandardOutput().trimmed(), QByteArray("NIBLO first paint 5"));
}

// The options are read, and "--" lets a name that looks like an option through to the file layer.
void TestLaunch::optionsAndANameThatStartsWithADash() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
        std::ofstream file(dir.path().toStdString() + "/--help", std::ios::binary);
        file << "1234567";
        QVERIFY(bool(file));
    }
    QProcess niblo;
    ProbeFirstPaint(niblo);
    niblo.setWorkingDirectory(dir.path());
    niblo.start(NIBLO_EXECUTABLE, {"--read-only", "--goto", "$3", "--", "--help"});
    QVERIFY(niblo.waitForFinished(20000));
    QCOMPARE(niblo.exitCode(), 0);
    QCOMPARE(niblo.readAllStandardOutput().trimmed(), QByteArray("NIBLO first paint 7"));
}

NIBLO_UI_TEST(TestLaunch)
#include "tst_launch.moc"
