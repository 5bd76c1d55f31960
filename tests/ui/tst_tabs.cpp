// SPDX-License-Identifier: GPL-3.0-or-later
// Tabs: several files at once, each with its own bytes, cursor, undo and commands; one file at a time as an
// option.
#include "support/UiTestMain.h"
#include "common/TestDocument.h"
#include "support/EditorTestCase.h"
#include "support/StartedEditor.h"
#include "support/StartedForm.h"
#include "ui/NIBLO_Main.h"

#include "dialogs/NIBLO_Quit.h"

#include "engine/document/Blocks.h"
#include "engine/document/View.h"
#include "kit/JkGrid.h"
#include "kit/SettingsLocation.h"
#include "kit/SingleInstance.h"
#include "kit/JkStatusBar.h"

#include <QApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

class TestTabs : public TEditorTestCase {
    Q_OBJECT

  private slots:
    void eachTabKeepsItsOwnFileCursorUndoAndCommands();
    void closingAndQuittingAskOnlyForModifiedTabs();
    void oneFileAtATimeReplacesTheOpenFile();
    void everyFileOfTheCommandLineGetsATab();
    void theSessionComesBackWithoutTheFilesThatAreGone();
    void aLaterStartHandsItsFilesToTheRunningWindow();
    void aStaleSocketIsTakenOverAndAStrangerIgnored();
};

namespace {

QString Write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

QByteArray OnDisk(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestTabs::eachTabKeepsItsOwnFileCursorUndoAndCommands() {
    TStartedEditor editor(SampleBytes(40));
    TFormMain& form = editor.Form;
    QApplication::setActiveWindow(&form);
    const QString b = Write(editor.Dir, "b.bin", "bbbbbbbbbbbbbbbbbbbb");
    const QString c = Write(editor.Dir, "c.bin", "cccccccccc");
    QVERIFY(form.TabBar->isHidden()); // one file looks as before tabs
    const int paneTop = form.JkStrGridText->y();

    QVERIFY(form.OpenInTab(b.toStdString(), false));
    QVERIFY(form.OpenInTab(c.toStdString(), false));
    QCOMPARE(form.TabCount(), size_t(3));
    QVERIFY(!form.TabBar->isHidden());
    QVERIFY(form.JkStrGridText->y() > paneTop); // the panes make room for the tab bar
    QCOMPARE(form.TabBar->tabText(1), QString("b.bin"));
    QCOMPARE(form.TabBar->tabToolTip(2), c);

    // b: overwrite at 3; c: insert at 1; the first: overwrite at 10.
    TestApp().TextMode = true;
    TestApp().OverwriteMode = true;
    form.ShowTab(1);
    editor.GoTo(3);
    QTest::keyClicks(form.ActivePane(), "XY");
    form.ShowTab(2);
    TestApp().OverwriteMode = false;
    editor.GoTo(1);
    QTest::keyClicks(form.ActivePane(), "Z");
    TestApp().OverwriteMode = true;
    QCOMPARE(form.TabBar->tabText(2), QString("c.bin*"));
    form.ShowTab(0);
    editor.GoTo(10);
    QTest::keyClicks(form.ActivePane(), "Q");
    const QString statusFirst = form.StatusBar1->PanelText(0);

    // Back in b: its bytes, cursor, undo hint and status; undo takes back b's typing only.
    form.ShowTab(1);
    QCOMPARE(FileBytes(), QByteArray("bbXYbbbbbbbbbbbbbbbb"));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 5);
    QVERIFY(form.Action(TCommand::Undo1)->isEnabled());
    QCOMPARE(form.Action(TCommand::Undo1)->statusTip(), QString("Undo typing"));
    form.Action(TCommand::Undo1)->trigger();
    QCOMPARE(FileBytes(), QByteArray("bbbbbbbbbbbbbbbbbbbb"));
    QVERIFY(!form.Action(TCommand::Undo1)->isEnabled());
    // c is saved; its file gets its bytes, b's and the first's files are untouched.
    form.ShowTab(2);
    QVERIFY(form.Action(TCommand::Undo1)->isEnabled());
    form.Action(TCommand::Save1)->trigger();
    QCOMPARE(OnDisk(c), QByteArray("Zcccccccccc"));
    QCOMPARE(form.TabBar->tabText(2), QString("c.bin"));
    QCOMPARE(OnDisk(b), QByteArray("bbbbbbbbbbbbbbbbbbbb"));
    form.ShowTab(0);
    QCOMPARE(form.StatusBar1->PanelText(0), statusFirst);
    QVERIFY(TestDoc().Modified);
    QCOMPARE(FileBytes().at(9), 'Q');
    QVERIFY(form.isWindowModified());

    // Opening a file that is open already shows its tab, under any name of it.
    QVERIFY(form.OpenInTab(editor.Dir.filePath("./b.bin").toStdString(), false));
    QCOMPARE(form.ShownTab(), size_t(1));
    QCOMPARE(form.TabCount(), size_t(3));
    // Ctrl+Tab steps to the next tab, round.
    QApplication::setActiveWindow(&form);
    QTest::keyClick(form.ActivePane(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(form.ShownTab(), size_t(2));
    QTest::keyClick(form.ActivePane(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(form.ShownTab(), size_t(0));
    // Alt+2 shows the second tab; the Window menu lists the tabs, the shown one checked.
    QTest::keyClick(form.ActivePane(), Qt::Key_2, Qt::AltModifier);
    QCOMPARE(form.ShownTab(), size_t(1));
    auto* window = form.findChild<QMenu*>(QStringLiteral("Window1"));
    QVERIFY(window);
    auto* second = window->findChild<QAction*>(QStringLiteral("WindowTab2"));
    QVERIFY(second && second->isChecked());
    QCOMPARE(second->text(), QString("&2 b.bin"));
    form.ShowTab(0);
    TestDoc().Modified = false; // nothing to ask at the end
}

void TestTabs::closingAndQuittingAskOnlyForModifiedTabs() {
    TStartedEditor editor(SampleBytes(20));
    TFormMain& form = editor.Form;
    const QString b = Write(editor.Dir, "b.bin", "bbbb");
    QVERIFY(form.OpenInTab(b.toStdString(), false));
    TestDoc().Modified = true;
    // Closing the modified tab asks about it; Cancel keeps it.
    QString question;
    AnswerNextModal(QStringLiteral("Cancel"), &question);
    form.Action(TCommand::Close1)->trigger();
    QCOMPARE(question, QString("b.bin modified. Save now?"));
    QCOMPARE(form.TabCount(), size_t(2));
    // No: the tab goes, and the first file shows.
    AnswerNextModal(QStringLiteral("No"));
    form.Action(TCommand::Close1)->trigger();
    QCOMPARE(form.TabCount(), size_t(1));
    QVERIFY(form.TabBar->isHidden());
    QCOMPARE(FileBytes(), SampleBytes(20));
    QCOMPARE(OnDisk(b), QByteArray("bbbb"));

    // Quitting with two modified tabs asks once, listing both: Cancel keeps the window, Save saves the
    // checked ones, Discard all drops the rest.
    QVERIFY(form.OpenInTab(b.toStdString(), false));
    TestApp().TextMode = true;
    TestApp().OverwriteMode = true;
    editor.GoTo(1);
    QTest::keyClicks(form.ActivePane(), "X");
    form.ShowTab(0);
    editor.GoTo(1);
    QTest::keyClicks(form.ActivePane(), "Y");
    auto answer = [](TFormQuit::TAnswer answer, bool keepFirst) {
        WithNextModal([=](QWidget* modal) {
            auto* quit = qobject_cast<TFormQuit*>(modal);
            QVERIFY(quit);
            QCOMPARE(quit->ListFiles->count(), 2);
            if (!keepFirst) quit->ListFiles->item(0)->setCheckState(Qt::Unchecked);
            QCOMPARE(quit->ButtonSave->text(), keepFirst ? QString("&Save all") : QString("&Save checked"));
            QPushButton* button = answer == TFormQuit::TAnswer::Save         ? quit->ButtonSave
                                  : answer == TFormQuit::TAnswer::DiscardAll ? quit->ButtonDiscard
                                                                             : quit->ButtonCancel;
            button->click();
        });
    };
    answer(TFormQuit::TAnswer::Cancel, true);
    QVERIFY(!form.close());
    QCOMPARE(OnDisk(b), QByteArray("bbbb"));
    // The first file unchecked, b checked: only b is written.
    answer(TFormQuit::TAnswer::Save, false);
    QVERIFY(form.close());
    QCOMPARE(OnDisk(b), QByteArray("Xbbb"));
    QCOMPARE(OnDisk(editor.Path), SampleBytes(20));
}

void TestTabs::oneFileAtATimeReplacesTheOpenFile() {
    TStartedEditor editor(SampleBytes(20));
    TFormMain& form = editor.Form;
    form.OneFileAtATime = true;
    const QString b = Write(editor.Dir, "b.bin", "bbbb");
    TestDoc().Modified = true;
    QString question;
    AnswerNextModal(QStringLiteral("No"), &question);
    QVERIFY(form.OpenInTab(b.toStdString(), false));
    QVERIFY(question.endsWith("modified. Save now?"));
    QCOMPARE(form.TabCount(), size_t(1));
    QVERIFY(form.TabBar->isHidden());
    QCOMPARE(FileBytes(), QByteArray("bbbb"));
}

void TestTabs::everyFileOfTheCommandLineGetsATab() {
    QTemporaryDir dir;
    const QString a = Write(dir, "a.bin", "aa"), b = Write(dir, "b.bin", "bb"), c = Write(dir, "c.bin", "cc");
    TFormMain form(a.toStdString());
    form.MoreArguments = {b.toStdString(), dir.filePath("missing.bin").toStdString(), c.toStdString()};
    AnswerNextModal(QStringLiteral("OK")); // the missing file is reported, and gets no tab
    form.show();
    form.FormActivate();
    QCOMPARE(form.TabCount(), size_t(3));
    QCOMPARE(form.ShownTab(), size_t(0));
    QCOMPARE(FileBytes(), QByteArray("aa"));
    QCOMPARE(form.TabBar->tabText(2), QString("c.bin"));
}

void TestTabs::theSessionComesBackWithoutTheFilesThatAreGone() {
    QTemporaryDir dir;
    const QString a = Write(dir, "a.bin", QByteArray(300, 'a')), b = Write(dir, "b.bin", QByteArray(400, 'b'));
    const QString c = Write(dir, "c.bin", "cc");
    {
        auto form = StartForm(a);
        QVERIFY(form->OpenInTab(b.toStdString(), false));
        QVERIFY(form->OpenInTab(c.toStdString(), false));
        form->ShowTab(1);
        Engine::ShowAddress(TestDoc(), 250, true, false);
        Engine::SetBlock(TestDoc(), 200, 210);
        form->ShowTab(0);
        Engine::ShowAddress(TestDoc(), 100, true, false);
        form->ShowTab(1);
        QVERIFY(form->close());
    }
    QVERIFY(QFile::remove(c));
    auto form = StartForm();
    QCOMPARE(form->TabCount(), size_t(2));
    QCOMPARE(form->ShownTab(), size_t(1));
    QCOMPARE(QString::fromStdString(TestDoc().File.FileName), b);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 250);
    QCOMPARE(TestDoc().Block.BlockBegin, 200);
    QCOMPARE(TestDoc().Block.BlockEnd, 210);
    QCOMPARE(form->StatusBar1->PanelText(3), QString("Not found, so not opened again: c.bin"));
    form->ShowTab(0);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 100);
    QVERIFY(form->close());

    // A FILE on the command line, or the option off, opens no session.
    auto named = StartForm(a);
    QCOMPARE(named->TabCount(), size_t(1));
    named->RestoreSession = false;
    QVERIFY(named->close());
    auto plain = StartForm();
    QCOMPARE(plain->TabCount(), size_t(1));
    QVERIFY(!TestDoc().FileOpen);
}

// Two real processes: this one's window, and a start of the program with a file, which hands it over.
void TestTabs::aLaterStartHandsItsFilesToTheRunningWindow() {
    QTemporaryDir dir;
    // A copy of the program keeps its settings file beside it, in this folder: its instance name is this
    // test's alone.
    const QString program = dir.filePath(QStringLiteral("niblo"));
    QVERIFY(QFile::copy(QStringLiteral(NIBLO_EXECUTABLE), program));
    const QString b = Write(dir, "b.bin", "bb"), c = Write(dir, "c.bin", "cc");
    auto form = StartForm();
    TInstanceServer server(InstanceName(SettingsLocation(QFile::encodeName(program).toStdString(), dir.path())));
    QVERIFY(server.Listening());
    server.OnFiles = [&form](const std::vector<std::string>& files) { form->TakeFiles(files); };
    QProcess niblo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    niblo.setProcessEnvironment(env);
    niblo.setWorkingDirectory(dir.path());
    niblo.start(program, {QStringLiteral("b.bin"), c}); // a name relative to the starting folder, too
    QTRY_VERIFY_WITH_TIMEOUT(niblo.state() == QProcess::NotRunning, 30000);
    QCOMPARE(niblo.exitCode(), 0);
    QCOMPARE(form->TabCount(), size_t(2));
    QCOMPARE(QString::fromStdString(TestDoc().File.FileName), c);
    form->ShowTab(0);
    QCOMPARE(FileBytes(), QByteArray("bb"));
}

void TestTabs::aStaleSocketIsTakenOverAndAStrangerIgnored() {
    const QString name = QStringLiteral("niblo-test-%1").arg(QCoreApplication::applicationPid());
    {
        // What a killed instance leaves: the socket's file, with nobody listening.
        QFile stale(QDir::temp().filePath(name));
        QVERIFY(stale.open(QIODevice::WriteOnly));
    }
    {
        TInstanceServer server(name);
        QVERIFY(server.Listening());
    }
    // Another program answering on the name takes no files: the start opens its own window.
    QLocalServer stranger;
    QVERIFY(stranger.listen(name));
    QObject::connect(&stranger, &QLocalServer::newConnection, [&stranger] {
        QLocalSocket* socket = stranger.nextPendingConnection();
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] { socket->write("HELLO\n"); });
    });
    bool handed = true;
    QThread* client = QThread::create([&] { handed = HandToRunningInstance(name, {"x.bin"}, 2000); });
    client->start();
    QTRY_VERIFY_WITH_TIMEOUT(client->isFinished(), 10000);
    delete client;
    QVERIFY(!handed);
}

NIBLO_UI_TEST(TestTabs)
#include "tst_tabs.moc"
