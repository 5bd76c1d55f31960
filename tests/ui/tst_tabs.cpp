// SPDX-License-Identifier: GPL-3.0-or-later
// Tabs: several files at once, each with its own bytes, cursor, undo and commands; one file at a time as an
// option.
#include "support/UiTestMain.h"
#include "common/TestDocument.h"
#include "support/EditorTestCase.h"
#include "support/StartedEditor.h"
#include "ui/NIBLO_Main.h"

#include "engine/document/View.h"
#include "kit/JkGrid.h"
#include "kit/JkStatusBar.h"

#include <QApplication>
#include <QFile>
#include <QTabBar>
#include <QTest>

class TestTabs : public TEditorTestCase {
    Q_OBJECT

  private slots:
    void eachTabKeepsItsOwnFileCursorUndoAndCommands();
    void closingAndQuittingAskOnlyForModifiedTabs();
    void oneFileAtATimeReplacesTheOpenFile();
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

    // Quitting with two modified tabs asks about each; Cancel at the second keeps the window.
    QVERIFY(form.OpenInTab(b.toStdString(), false));
    TestDoc().Modified = true;
    form.ShowTab(0);
    TestDoc().Modified = true;
    AnswerNextModal(QStringLiteral("No"));
    AnswerNextModal(QStringLiteral("Cancel"));
    QVERIFY(!form.close());
    QCOMPARE(form.ShownTab(), size_t(1));
    // No keeps a tab's changes unsaved: each is asked about again.
    AnswerNextModal(QStringLiteral("No"));
    AnswerNextModal(QStringLiteral("No"));
    QVERIFY(form.close());
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

NIBLO_UI_TEST(TestTabs)
#include "tst_tabs.moc"
