// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and Redo in the Edit menu: texts, enabling, hints and their shortcuts from the pane.
#include "support/UiTestMain.h"
#include "common/TestDocument.h"
#include "support/EditorTestCase.h"
#include "ui/NIBLO_Main.h"

#include "engine/document/EngineState.h"
#include "engine/document/View.h"
#include "support/StartedEditor.h"
#include "kit/JkGrid.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <set>

class TestUndo : public TEditorTestCase {
    Q_OBJECT

  private slots:

    void menuEntriesKeepEveryAccelerator();
    void shortcutsUndoAndRedoTypingAndABlockDelete();
};

void TestUndo::menuEntriesKeepEveryAccelerator() {
    TStartedEditor editor(SampleBytes(50));
    QMenu* edit = editor.Form.findChild<QMenu*>(QStringLiteral("Edit1"));
    QVERIFY(edit);
    const QList<QAction*> actions = edit->actions();
    QCOMPARE(actions.at(0)->text(), QString("Undo"));
    QCOMPARE(actions.at(1)->text(), QString("&Redo"));
    QCOMPARE(actions.at(0)->shortcuts(), QList<QKeySequence>{QKeySequence("Ctrl+Z")});
    QCOMPARE(actions.at(1)->shortcuts(),
             (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
    QVERIFY(!actions.at(0)->isEnabled());
    QVERIFY(!actions.at(1)->isEnabled());
    // No two entries of the menu share an underlined letter.
    std::set<QChar> letters;
    for (QAction* action : actions) {
        const QString text = action->text();
        const qsizetype amp = text.indexOf('&');
        if (amp < 0 || amp + 1 >= text.size()) continue;
        QVERIFY2(letters.insert(text.at(amp + 1).toLower()).second, qPrintable(text));
    }
}

void TestUndo::shortcutsUndoAndRedoTypingAndABlockDelete() {
    const QByteArray start = SampleBytes(50);
    TStartedEditor editor(start);
    QAction* undo = editor.Form.Action(TCommand::Undo1);
    QAction* redo = editor.Form.Action(TCommand::Redo1);
    QApplication::setActiveWindow(&editor.Form);
    QWidget* pane = editor.Form.ActivePane();
    TestApp().TextMode = true;
    TestApp().OverwriteMode = true;
    editor.GoTo(5);
    QTest::keyClicks(pane, "xyz");
    QByteArray typed = start;
    typed.replace(4, 3, "xyz");
    QCOMPARE(FileBytes(), typed);
    QVERIFY(undo->isEnabled());
    QCOMPARE(undo->statusTip(), QString("Undo typing"));

    QTest::keyClick(pane, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(FileBytes(), start);
    QVERIFY(!TestDoc().Modified);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 5);
    QVERIFY(!undo->isEnabled());
    QVERIFY(redo->isEnabled());
    QCOMPARE(redo->statusTip(), QString("Redo typing"));
    QTest::keyClick(pane, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(FileBytes(), typed);
    QVERIFY(TestDoc().Modified);
    QTest::keyClick(pane, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(pane, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(FileBytes(), typed);

    editor.GoTo(10);
    editor.Run(TCommand::Blockmark1);
    editor.GoTo(19);
    editor.Run(TCommand::Blockmark1);
    QTest::keyClick(pane, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(TestDoc().Store.FileSize(), 40);
    QCOMPARE(undo->statusTip(), QString("Undo Block delete"));
    QVERIFY(!redo->isEnabled());
    QTest::keyClick(pane, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(FileBytes(), typed);
    QCOMPARE(TestDoc().Block.BlockBegin, 0); // the step dropped the block: undo leaves it unmarked

    // Close forgets every step.
    QTest::keyClick(pane, Qt::Key_Z, Qt::ControlModifier);
    editor.Run(TCommand::Close1);
    QVERIFY(!undo->isEnabled());
    QVERIFY(!redo->isEnabled());
}

NIBLO_UI_TEST(TestUndo)
#include "tst_undo.moc"
