// SPDX-License-Identifier: GPL-3.0-or-later
// The Edit menu's block and deletion commands, through the menu actions, their shortcuts and the toolbar.
#include "support/UiTestMain.h"
#include "common/TestDocument.h"
#include "support/EditorTestCase.h"
#include "ui/NIBLO_Main.h"

#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/document/View.h"
#include "support/ModalAnswer.h"
#include "support/StartedEditor.h"
#include "kit/JkGrid.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

namespace {

class TEditor : public TStartedEditor {
  public:
    using TStartedEditor::TStartedEditor;

    void Mark(int32_t begin, int32_t end) {
        Run(TCommand::Blockunmark1);
        GoTo(begin);
        Run(TCommand::Blockmark1);
        GoTo(end);
        Run(TCommand::Blockmark1);
    }
    // The command, answering the box it opens; returns the box's text.
    QString RunAnswered(TCommand command) {
        QString text;
        AnswerNextModal("OK", &text);
        Run(command);
        return text;
    }
    QPair<int32_t, int32_t> Block() const {
        return {TestDoc().Block.BlockBegin, TestDoc().Block.BlockEnd};
    }
};

} // namespace

class TestBlocks : public TEditorTestCase {
    Q_OBJECT

  private slots:

    void markingTakesTurnsAndEnablesCommands();
    void mouseMarksByDragAndShiftClick();
    void mouseActsInEitherPane();
    void shortcutsReachTheCommandsFromThePane();
    void copyOverwriteAndMove();
    void refusalsLeaveEverythingAsItWas();
    void deleteBlockByMenuAndButton();
    void deleteFromAndToCursor();
};

// Real mouse events on the active pane: a drag marks, holding the pointer below the page scrolls, Shift+click
// marks from the cursor, and a click alone only moves the cursor.
void TestBlocks::mouseMarksByDragAndShiftClick() {
    TEditor editor(SampleBytes(1000));
    TFormMain& form = editor.Form;
    TJkStrGrid* pane = form.ActivePane();
    const int32_t cols = TestDoc().View.Cols, rows = TestDoc().View.Rows;
    auto at = [pane](int col, int row) { return pane->CellRect(col, row).center(); };
    QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, at(2, 1));
    QTest::mouseMove(pane, at(5, 3));
    QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, at(5, 3));
    QCOMPARE(editor.Block(), qMakePair(cols + 3, 3 * cols + 6));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 3 * cols + 6);
    QVERIFY(form.Action(TCommand::Blockcopy1)->isEnabled());

    QTest::mouseClick(pane, Qt::LeftButton, Qt::NoModifier, at(0, 0));
    QCOMPARE(editor.Block(), qMakePair(cols + 3, 3 * cols + 6));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 1);
    QTest::mouseClick(pane, Qt::LeftButton, Qt::ShiftModifier, at(1, 0));
    QCOMPARE(editor.Block(), qMakePair(1, 2));

    // Below the page the view scrolls a row at a time while the pointer stays there.
    QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, at(0, 0));
    QTest::mouseMove(pane, QPoint(at(0, 0).x(), pane->height() + 10));
    QTRY_VERIFY(TestDoc().View.TopAddress > 2 * cols);
    QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, QPoint(at(0, 0).x(), pane->height() + 10));
    const int32_t top = TestDoc().View.TopAddress;
    QTest::qWait(3 * TJkStrGrid::AutoScrollMs);
    QCOMPARE(TestDoc().View.TopAddress, top);
    QCOMPARE(editor.Block(), qMakePair(1, top + (rows - 1) * cols));
}

// A press or a drag in the pane that is not active makes it the active one and acts there; Shift+click
// then extends the dragged block from the end the drag did not move; the wheel scrolls over either pane,
// and far below the page a drag scrolls faster.
void TestBlocks::mouseActsInEitherPane() {
    TEditor editor(SampleBytes(1000));
    TFormMain& form = editor.Form;
    const int32_t cols = TestDoc().View.Cols;
    auto at = [](TJkStrGrid* pane, int col, int row) { return pane->CellRect(col, row).center(); };
    for (const bool text : {false, true}) {
        TJkStrGrid* pane = text ? form.JkStrGridText : form.JkStrGridHex;
        TJkStrGrid* other = text ? form.JkStrGridHex : form.JkStrGridText;
        if (TestApp().TextMode == text) editor.Run(TCommand::ModusText1);
        QVERIFY(form.ActivePane() != pane);
        editor.Run(TCommand::Blockunmark1);
        QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, at(pane, 5, 3));
        QCOMPARE(TestApp().TextMode, text);
        QCOMPARE(form.ActivePane(), pane);
        QCOMPARE(form.focusWidget(), pane);
        QCOMPARE(other->focusPolicy(), Qt::NoFocus);
        QTest::mouseMove(pane, at(pane, 2, 1));
        QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, at(pane, 2, 1));
        QCOMPARE(editor.Block(), qMakePair(cols + 3, 3 * cols + 6));
        QCOMPARE(Engine::CurrentAddress(TestDoc()), cols + 3);
        // The drag moved the block's start last: Shift+click moves it again and keeps the end.
        QTest::mouseClick(pane, Qt::LeftButton, Qt::ShiftModifier, at(pane, 0, 5));
        QCOMPARE(editor.Block(), qMakePair(3 * cols + 6, 5 * cols + 1));
    }
    // The wheel over the inactive pane scrolls and leaves the active one as it is.
    const int32_t top = TestDoc().View.TopAddress;
    TJkStrGrid* inactive = TestApp().TextMode ? form.JkStrGridHex : form.JkStrGridText;
    const QPointF where = at(inactive, 1, 1);
    QWheelEvent wheel(where, inactive->mapToGlobal(where), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(inactive, &wheel);
    QCOMPARE(TestDoc().View.TopAddress, top + QApplication::wheelScrollLines() * cols);
    QVERIFY(form.ActivePane() != inactive);

    // Far below the page, one step of the drag scrolls many rows at once (just below it, one row).
    TJkStrGrid* pane = form.ActivePane();
    const int pitch = pane->CellRect(0, 1).top() - pane->CellRect(0, 0).top();
    const int32_t before = TestDoc().View.TopAddress;
    const QPoint farBelow(at(pane, 0, 0).x(), pane->height() + 8 * pitch);
    QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, at(pane, 0, 0));
    QTest::mouseMove(pane, farBelow);
    QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, farBelow);
    QVERIFY(TestDoc().View.TopAddress >= before + 5 * cols);
}

void TestBlocks::markingTakesTurnsAndEnablesCommands() {
    TEditor editor(SampleBytes(100));
    TFormMain& form = editor.Form;
    QVERIFY(!form.Action(TCommand::Blockunmark1)->isEnabled());
    editor.GoTo(10);
    editor.Run(TCommand::Blockmark1);
    QCOMPARE(editor.Block(), qMakePair(10, 0));
    QVERIFY(form.Action(TCommand::Blockunmark1)->isEnabled());
    QVERIFY(!form.Action(TCommand::Blockcopy1)->isEnabled());
    editor.GoTo(4);
    editor.Run(TCommand::Blockmark1);
    QCOMPARE(editor.Block(), qMakePair(4, 10));
    for (TCommand command : {TCommand::Blockdelete1, TCommand::Blockcopy1, TCommand::Blockcopyovwr1,
                             TCommand::Blockmove1, TCommand::Writeblock1})
        QVERIFY(form.Action(command)->isEnabled());
    QVERIFY(form.Button(TCommand::JkBtnDel)->isEnabled());
    editor.GoTo(7);
    editor.Run(TCommand::Blockmark1);
    QCOMPARE(editor.Block(), qMakePair(7, 0));

    editor.Mark(4, 10);
    editor.Run(TCommand::Blockunmark1);
    QCOMPARE(editor.Block(), qMakePair(0, 0));
    QVERIFY(!form.Action(TCommand::Blockdelete1)->isEnabled());
    QVERIFY(!form.Button(TCommand::JkBtnDel)->isEnabled());
}

void TestBlocks::shortcutsReachTheCommandsFromThePane() {
    TEditor editor(SampleBytes(100));
    TJkStrGrid* pane = editor.Form.ActivePane();
    editor.GoTo(3);
    // Shortcuts reach only the active window.
    QApplication::setActiveWindow(&editor.Form);
    QTest::keyClick(pane, Qt::Key_B, Qt::ControlModifier);
    editor.GoTo(5);
    QTest::keyClick(pane, Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(editor.Block(), qMakePair(3, 5));
    // Ctrl+B is a command, not a typed character.
    QCOMPARE(FileBytes(), SampleBytes(100));
    QTest::keyClick(pane, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(editor.Block(), qMakePair(0, 0));
}

void TestBlocks::copyOverwriteAndMove() {
    QByteArray bytes = SampleBytes(100);
    TEditor editor(bytes);

    // Copy before the block: the copy sits at 2..8 and the block marks it.
    editor.Mark(4, 10);
    editor.GoTo(2);
    editor.Run(TCommand::Blockcopy1);
    bytes.insert(1, bytes.mid(3, 7));
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(editor.Block(), qMakePair(2, 8));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 2);
    QVERIFY(TestDoc().Modified);
    QCOMPARE(editor.Form.JkStrGridHex->Cell(1, 0), HexCellText(uint8_t(bytes[1])));

    // Copy/overwrite to 94 fits a 107-byte file; at 102 it would run past the end.
    editor.GoTo(94);
    editor.Run(TCommand::Blockcopyovwr1);
    bytes.replace(93, 7, bytes.mid(1, 7));
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(editor.Block(), qMakePair(94, 100));
    editor.GoTo(102);
    QCOMPARE(editor.RunAnswered(TCommand::Blockcopyovwr1), QString("Can't overwrite beyond end of file"));
    QCOMPARE(FileBytes(), bytes);

    // Move 4..10 to before 20: the bytes end at 13..19 and the cursor stays on its byte.
    editor.Mark(4, 10);
    editor.GoTo(20);
    const uint8_t cursorByte = uint8_t(TestDoc().Store.ByteAt(20));
    editor.Run(TCommand::Blockmove1);
    const QByteArray moved = bytes.mid(3, 7);
    bytes.remove(3, 7);
    bytes.insert(12, moved);
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(editor.Block(), qMakePair(13, 19));
    QCOMPARE(uint8_t(TestDoc().Store.ByteAt(Engine::CurrentAddress(TestDoc()))), cursorByte);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 20);
}

void TestBlocks::refusalsLeaveEverythingAsItWas() {
    const QByteArray bytes = SampleBytes(100);
    TEditor editor(bytes);
    // Without a complete block the commands cannot even be chosen.
    editor.GoTo(5);
    editor.Run(TCommand::Blockmark1);
    editor.Run(TCommand::Blockcopy1);
    QVERIFY(!editor.Form.Action(TCommand::Blockcopy1)->isEnabled());
    QCOMPARE(FileBytes(), bytes);

    editor.Mark(4, 10);
    editor.GoTo(7);
    for (TCommand command : {TCommand::Blockcopy1, TCommand::Blockcopyovwr1, TCommand::Blockmove1})
        QCOMPARE(editor.RunAnswered(command),
                 QString("Can't copy or move within block\n(use clipboard if necessary)"));
    editor.GoTo(4);
    QCOMPARE(editor.RunAnswered(TCommand::Blockcopyovwr1), QString("Block remains on same position"));
    QCOMPARE(editor.RunAnswered(TCommand::Blockmove1), QString("Block remains on same position"));
    editor.GoTo(11);
    QCOMPARE(editor.RunAnswered(TCommand::Blockmove1), QString("Block remains on same position"));
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(editor.Block(), qMakePair(4, 10));
    QVERIFY(!TestDoc().Modified);
}

void TestBlocks::deleteBlockByMenuAndButton() {
    QByteArray bytes = SampleBytes(400);
    TEditor editor(bytes);
    editor.Mark(200, 260);
    editor.Run(TCommand::Blockdelete1);
    bytes.remove(199, 61);
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(editor.Block(), qMakePair(0, 0));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 200);

    editor.Mark(5, 6);
    editor.Form.Button(TCommand::JkBtnDel)->click();
    bytes.remove(4, 2);
    QCOMPARE(FileBytes(), bytes);

    // The whole file as the block empties it; the file counts as changed, so that Close asks.
    TestDoc().Modified = false;
    editor.Mark(1, TestDoc().Store.FileSize());
    QApplication::setActiveWindow(&editor.Form);
    QTest::keyClick(editor.Form.ActivePane(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(TestDoc().Store.FileSize(), 0);
    QVERIFY(TestDoc().Modified);
}

void TestBlocks::deleteFromAndToCursor() {
    QByteArray bytes = SampleBytes(300);
    TEditor editor(bytes);
    editor.Mark(100, 120);
    editor.GoTo(250);
    editor.Run(TCommand::Deletefromcursor1);
    bytes.truncate(249);
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 249);
    QCOMPARE(editor.Block(), qMakePair(100, 120));

    // Every byte moves: a block cannot stay.
    editor.GoTo(50);
    QCOMPARE(editor.RunAnswered(TCommand::Deletetocursor1), QString("Block no longer valid"));
    bytes.remove(0, 50);
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 1);
    QCOMPARE(editor.Block(), qMakePair(0, 0));

    // The byte under the cursor is the last one deleted: at address 1 nothing stays.
    TestDoc().Modified = false;
    editor.Run(TCommand::Deletefromcursor1);
    QCOMPARE(TestDoc().Store.FileSize(), 0);
    QVERIFY(TestDoc().Modified);
}

NIBLO_UI_TEST(TestBlocks)
#include "tst_blocks.moc"
