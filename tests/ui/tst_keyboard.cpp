// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard and mouse work in the panes, driven through Qt key and mouse events on the real panes.
#include "support/UiTestMain.h"
#include "common/TestDocument.h"
#include "common/EngineSetup.h"
#include "support/EditorTestCase.h"
#include "ui/NIBLO_Main.h"

#include "controls/JkTextEdit.h"
#include "dialogs/NIBLO_Opt.h"
#include "engine/document/EngineState.h"
#include "engine/document/Blocks.h"
#include "engine/editing/Clipboard.h"
#include "engine/files/FileCommands.h"
#include "engine/editing/PaneEditing.h"
#include "engine/document/View.h"
#include "support/ModalAnswer.h"
#include "support/StartedEditor.h"
#include "kit/JkGrid.h"
#include "kit/Jkdialog.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A started window with a 16 x 10 page, overwrite mode and the text pane active, holding the given bytes
// (or a new empty file when bytes is null).
class TEditor : public TStartedEditor {
  public:
    using TStartedEditor::TStartedEditor;

    TJkStrGrid* Pane() const { return Form.ActivePane(); }

    // A key as the user presses it: down and up, then whatever the program posted meanwhile.
    void Click(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Pane(), key, modifiers);
        QCoreApplication::processEvents();
    }
    void Type(const QString& text) {
        for (QChar c : text) {
            const QChar upper = c.toUpper();
            const int key = (upper >= u'A' && upper <= u'Z') || (upper >= u'0' && upper <= u'9')
                                ? int(upper.unicode())
                                : int(Qt::Key_unknown);
            Press(key, Qt::NoModifier, QString(c));
            Release(key, Qt::NoModifier);
        }
    }
    // One half of a key stroke with the modifiers as given (QTest would add its own modifier strokes).
    void Press(int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
        QCoreApplication::sendEvent(Pane(), &event);
        QCoreApplication::processEvents();
    }
    void Release(int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyRelease, key, modifiers);
        QCoreApplication::sendEvent(Pane(), &event);
    }
    void ClickCell(TJkStrGrid* pane, int col, int row) {
        QTest::mouseClick(pane, Qt::LeftButton, Qt::NoModifier, pane->CellRect(col, row).center());
        QCoreApplication::processEvents();
    }
    void GoTo(int32_t address) {
        Engine::ShowAddress(TestDoc(), address, true, false);
        QCOMPARE(Engine::CurrentAddress(TestDoc()), address);
    }

    QString Panel(int index) const { return Form.StatusBar1->PanelText(index); }
    QPoint Cursor() const { return {TestDoc().View.CursorCol, TestDoc().View.CursorRow}; }
    QPoint PaneCell(const TJkStrGrid* pane) const { return {pane->Col(), pane->Row()}; }
};

} // namespace

class TestKeyboard : public TEditorTestCase {
    Q_OBJECT

  private slots:

    void emptyFileTakesOnlyTabInsertAndTyping();
    void hexEscapeInEmptyFileLeavesTwoBlanks();
    void textPaneTypesInBothModesAndSaves();
    void hexPaneTypesPairsOfDigits();
    void keysReachTheEngineAsTheirNumbers();
    void otherKeysChangeNothing();
    void keysWithTextOfTheirOwnTypeNothing();
    void backspaceAndDelete();
    void shiftSelectsAndShiftAloneUnmarks();
    void typingCapitalDoesNotMark();
    void tabAndInsertSwitchPaneAndMode();
    void insertTypingDropsAffectedBlock();
    void failedInsertChangesNothing();
    void mouseClicksPassTheVeto();
    void characterSetMakesTypingAndDrawingAgree();
};

void TestKeyboard::emptyFileTakesOnlyTabInsertAndTyping() {
    TEditor editor{QByteArray()};
    QCOMPARE(TestDoc().Store.FileSize(), 0);
    for (Qt::Key key :
         {Qt::Key_Right, Qt::Key_Down, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Delete, Qt::Key_Backspace}) {
        editor.Click(key);
        QCOMPARE(editor.Cursor(), QPoint(0, 0));
        QCOMPARE(TestDoc().Store.FileSize(), 0);
    }
    editor.Click(Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(TestDoc().Block.BlockBegin, 0);

    editor.Click(Qt::Key_Insert);
    QVERIFY(!TestApp().OverwriteMode);
    QCOMPARE(editor.Panel(2), QString("Insert"));
    editor.Click(Qt::Key_Tab);
    QVERIFY(!TestApp().TextMode);
    editor.Click(Qt::Key_Tab);
    QVERIFY(TestApp().TextMode);

    // Insert mode: the cursor moves on to the empty cell after the byte, where the next ones append.
    editor.Type("A");
    QCOMPARE(FileBytes(), QByteArray("A"));
    QCOMPARE(TestDoc().View.BottomAddress, 1);
    QVERIFY(TestDoc().Modified);
    QCOMPARE(editor.Cursor(), QPoint(1, 0));
    QCOMPARE(editor.Form.JkStrGridHex->Cell(0, 0), QString("41"));
    QCOMPARE(editor.Panel(0), QString("Adr. dec: 1"));
    QCOMPARE(editor.Panel(1), QString());
    editor.Type("BC");
    QCOMPARE(FileBytes(), QByteArray("ABC"));
    editor.Click(Qt::Key_Left);
    QCOMPARE(editor.Panel(1), QString("Char dec: 67"));
}

// A cell holding one character is a waiting first digit; Escape must not leave one behind.
void TestKeyboard::hexEscapeInEmptyFileLeavesTwoBlanks() {
    TEditor editor{QByteArray()};
    editor.Click(Qt::Key_Tab);
    TJkStrGrid* hex = editor.Form.JkStrGridHex;
    QCOMPARE(editor.Pane(), hex);
    editor.Type("4");
    QCOMPARE(hex->Cell(0, 0), QString("4"));
    QCOMPARE(TestDoc().Store.FileSize(), 0);
    editor.Click(Qt::Key_Escape);
    QCOMPARE(hex->Cell(0, 0), QString("  "));
    editor.Type("41");
    QCOMPARE(FileBytes(), QByteArray("A"));
}

void TestKeyboard::textPaneTypesInBothModesAndSaves() {
    QByteArray bytes = SampleBytes(40);
    TEditor editor(bytes);
    editor.Type("AB");
    bytes[0] = 'A';
    bytes[1] = 'B';
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 3);
    QVERIFY(TestDoc().Modified);

    // Insert mode: the byte goes before the cursor's byte, which moves on with the cursor.
    editor.Click(Qt::Key_Insert);
    editor.Type("C");
    bytes.insert(2, 'C');
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 4);
    QCOMPARE(editor.Form.JkStrGridText->Cell(2, 0), QString("C"));
    QCOMPARE(editor.Form.JkStrGridHex->Cell(3, 0), HexCellText(uint8_t(bytes[3])));

    // Windows-1252: the euro sign is 0x80; a character the code page lacks is not typed.
    TestApp().CharacterSet = TCharacterSet::Windows1252;
    editor.Type(QString::fromUtf8("\u20AC\u0416"));
    bytes.insert(3, char(0x80));
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 5);

    // At the last byte insert mode types before it and the cursor stays on it; overwrite replaces it.
    editor.GoTo(42);
    editor.Type("x");
    bytes.insert(41, 'x');
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 43);
    QCOMPARE(TestDoc().Store.FileSize(), 43);
    editor.Click(Qt::Key_Insert);
    editor.Type("yz");
    bytes[42] = 'z';
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 43);
    QCOMPARE(editor.Panel(1), QString("Char dec: %1").arg(int('z')));

    editor.Form.Run(TCommand::Save1);
    QFile file(editor.Path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
    QVERIFY(!TestDoc().Modified);
}

void TestKeyboard::hexPaneTypesPairsOfDigits() {
    QByteArray bytes = SampleBytes(40);
    TEditor editor(bytes);
    editor.Click(Qt::Key_Tab);
    TJkStrGrid* hex = editor.Form.JkStrGridHex;

    editor.Type("4");
    QCOMPARE(hex->Cell(0, 0), QString("4"));
    QCOMPARE(FileBytes(), bytes);
    editor.Click(Qt::Key_Escape);
    QCOMPARE(hex->Cell(0, 0), HexCellText(uint8_t(bytes[0])));

    editor.Type("4g1");
    bytes[0] = 0x41;
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 2);
    editor.Type("af");
    bytes[1] = char(0xAF);
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(hex->Cell(1, 0), QString("AF"));
    QCOMPARE(editor.Form.JkStrGridText->Cell(1, 0),
             GlyphCellText(0xAF, editor.Form.JkStrGridText->UsesOemGlyphs()));

    // A move drops the waiting digit: by key and by mouse.
    editor.Type("7");
    editor.Click(Qt::Key_Right);
    QCOMPARE(hex->Cell(2, 0), HexCellText(uint8_t(bytes[2])));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 4);
    editor.Type("7");
    editor.ClickCell(hex, 5, 1);
    QCOMPARE(hex->Cell(3, 0), HexCellText(uint8_t(bytes[3])));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 22);
    editor.Type("12");
    bytes[21] = 0x12;
    QCOMPARE(FileBytes(), bytes);

    // Insert mode in the hex pane; a pending digit waits in its cell while the panes are switched (only a
    // move, Escape or a refill drops it).
    editor.Click(Qt::Key_Insert);
    editor.Type("0");
    editor.Click(Qt::Key_Tab);
    QCOMPARE(hex->Cell(6, 1), QString("0"));
    editor.Click(Qt::Key_Tab);
    editor.Type("0");
    bytes.insert(22, '\0');
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(editor.Form.JkStrGridText->Cell(6, 1),
             GlyphCellText(176, editor.Form.JkStrGridText->UsesOemGlyphs()));
}

// The moves themselves are the engine's rules (its key table tests them); the window's part is to hand each
// Qt key with its modifiers over as the engine's key number, and to show the result in both panes and the
// status bar. So every key is pressed once through the window and once straight into the engine from the same
// place, and both must end alike.
void TestKeyboard::keysReachTheEngineAsTheirNumbers() {
    namespace PaneKey = Engine::PaneKey;
    const struct {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        int PaneKey;
        unsigned Shift;
    } cases[] = {
        {Qt::Key_Left, Qt::NoModifier, PaneKey::Left, 0},
        {Qt::Key_Right, Qt::NoModifier, PaneKey::Right, 0},
        {Qt::Key_Up, Qt::NoModifier, PaneKey::Up, 0},
        {Qt::Key_Down, Qt::NoModifier, PaneKey::Down, 0},
        {Qt::Key_PageUp, Qt::NoModifier, PaneKey::PageUp, 0},
        {Qt::Key_PageDown, Qt::NoModifier, PaneKey::PageDown, 0},
        {Qt::Key_Home, Qt::NoModifier, PaneKey::Home, 0},
        {Qt::Key_End, Qt::NoModifier, PaneKey::End, 0},
        {Qt::Key_Home, Qt::ControlModifier, PaneKey::Home, Engine::ssCtrl},
        {Qt::Key_End, Qt::ControlModifier, PaneKey::End, Engine::ssCtrl},
        {Qt::Key_PageUp, Qt::ControlModifier, PaneKey::PageUp, Engine::ssCtrl},
        {Qt::Key_PageDown, Qt::ControlModifier, PaneKey::PageDown, Engine::ssCtrl},
        {Qt::Key_Right, Qt::ShiftModifier, PaneKey::Right, Engine::ssShift},
        {Qt::Key_Up, Qt::ShiftModifier, PaneKey::Up, Engine::ssShift},
    };
    TEditor editor(SampleBytes(1000));
    // Places near both ends and in the middle, at the page's corners.
    const struct {
        int32_t Top;
        int Col, Row;
    } places[] = {{1, 0, 0}, {481, 15, 9}, {481, 0, 0}, {833, 14, 9}, {849, 7, 9}, {849, 3, 2}};
    for (const auto& c : cases) {
        for (const auto& place : places) {
            const QByteArray what = QTest::toString(c.Key) + QByteArray(" at ") + QByteArray::number(place.Top) +
                                    "," + QByteArray::number(place.Col) + "," + QByteArray::number(place.Row);
            auto start = [&] {
                Engine::UnmarkBlock(TestDoc());
                Engine::ShowAddress(TestDoc(), place.Top, false, false);
                Engine::SetCursorCell(TestDoc(), place.Col, place.Row);
            };
            start();
            int key = c.PaneKey;
            Engine::PaneKeyDown(TestDoc(), key, c.Shift);
            Engine::PaneKeyUp(TestDoc(), c.PaneKey, c.Shift);
            const int64_t wantTop = TestDoc().View.TopAddress, wantAddress = Engine::CurrentAddress(TestDoc());
            const int64_t wantBegin = TestDoc().Block.BlockBegin, wantEnd = TestDoc().Block.BlockEnd;

            start();
            editor.Click(c.Key, c.Modifiers);
            QVERIFY2(TestDoc().View.TopAddress == wantTop && Engine::CurrentAddress(TestDoc()) == wantAddress,
                     what);
            QVERIFY2(TestDoc().Block.BlockBegin == wantBegin && TestDoc().Block.BlockEnd == wantEnd,
                     what);
            QVERIFY2(editor.PaneCell(editor.Form.JkStrGridText) == editor.Cursor(), what);
            QVERIFY2(editor.PaneCell(editor.Form.JkStrGridHex) == editor.Cursor(), what);
            QVERIFY2(editor.Panel(0) == QString("Adr. dec: %1").arg(wantAddress - 1), what);
        }
    }
}

void TestKeyboard::otherKeysChangeNothing() {
    const QByteArray bytes = SampleBytes(100);
    TEditor editor(bytes);
    editor.GoTo(20);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_F12, Qt::Key_F9})
        QTest::keyClick(editor.Pane(), key);
    QCoreApplication::processEvents();
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 20);
    QCOMPARE(FileBytes(), bytes);
    QVERIFY(!TestDoc().Modified);
}

// The key events of a real keyboard carry text: Delete "\x7f", Backspace "\b", Ctrl+1 "1", Alt+Q "q".
// None of them types a byte.
void TestKeyboard::keysWithTextOfTheirOwnTypeNothing() {
    QByteArray bytes = SampleBytes(100);
    TEditor editor(bytes);
    editor.GoTo(10);
    editor.Press(Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
    editor.Release(Qt::Key_Delete, Qt::NoModifier);
    bytes.remove(9, 1);
    QCOMPARE(FileBytes(), bytes);
    editor.Press(Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    editor.Release(Qt::Key_Backspace, Qt::NoModifier);
    bytes.remove(8, 1);
    QCOMPARE(FileBytes(), bytes);
    editor.Press(Qt::Key_1, Qt::ControlModifier, QStringLiteral("1"));
    editor.Press(Qt::Key_Q, Qt::AltModifier, QStringLiteral("q"));
    QCOMPARE(FileBytes(), bytes);

    // Ctrl and Alt together are AltGr on some systems: that types (the euro sign as Windows-1252 has it).
    TestApp().CharacterSet = TCharacterSet::Windows1252;
    editor.Press(Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, QString(QChar(0x20AC)));
    QCOMPARE(uint8_t(FileBytes().at(Engine::CurrentAddress(TestDoc()) - 2)), uint8_t(0x80));
}

void TestKeyboard::backspaceAndDelete() {
    QByteArray bytes = SampleBytes(300);
    TEditor editor(bytes);
    editor.Click(Qt::Key_Backspace);
    QCOMPARE(FileBytes(), bytes);
    QVERIFY(!TestDoc().Modified);

    editor.GoTo(5);
    editor.Click(Qt::Key_Backspace);
    bytes.remove(3, 1);
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 4);
    QCOMPARE(editor.Form.JkStrGridHex->Cell(3, 0), HexCellText(uint8_t(bytes[3])));
    QCOMPARE(editor.Panel(1), QString("Char dec: %1").arg(uint8_t(bytes[3])));
    QVERIFY(TestDoc().Modified);

    editor.Click(Qt::Key_Delete);
    bytes.remove(3, 1);
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 4);
    QCOMPARE(editor.Panel(1), QString("Char dec: %1").arg(uint8_t(bytes[3])));

    // At the page's first cell Backspace scrolls a row back first.
    Engine::ShowAddress(TestDoc(), 33, true, false);
    QCOMPARE(editor.Cursor(), QPoint(0, 0));
    editor.Click(Qt::Key_Backspace);
    bytes.remove(31, 1);
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(TestDoc().View.TopAddress, 17);
    QCOMPARE(editor.Cursor(), QPoint(15, 0));

    // Deleting the last byte puts the cursor on the new last one.
    editor.Click(Qt::Key_PageDown, Qt::ControlModifier);
    editor.Click(Qt::Key_Delete);
    bytes.chop(1);
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), TestDoc().Store.FileSize());
}

void TestKeyboard::shiftSelectsAndShiftAloneUnmarks() {
    TEditor editor(SampleBytes(200));
    editor.GoTo(10);
    editor.Press(Qt::Key_Shift, Qt::NoModifier);
    for (int i = 0; i < 2; ++i) {
        editor.Press(Qt::Key_Right, Qt::ShiftModifier);
        editor.Release(Qt::Key_Right, Qt::ShiftModifier);
    }
    QCOMPARE(TestDoc().Block.BlockBegin, 10);
    QCOMPARE(TestDoc().Block.BlockEnd, 12);
    QVERIFY(editor.Form.Action(TCommand::Blockdelete1)->isEnabled());
    // Back shrinks from the end; past the start it grows at the front.
    for (int i = 0; i < 3; ++i) {
        editor.Press(Qt::Key_Left, Qt::ShiftModifier);
        editor.Release(Qt::Key_Left, Qt::ShiftModifier);
    }
    QCOMPARE(TestDoc().Block.BlockBegin, 9);
    QCOMPARE(TestDoc().Block.BlockEnd, 10);
    editor.Release(Qt::Key_Shift, Qt::ShiftModifier);
    QCOMPARE(TestDoc().Block.BlockBegin, 9);

    editor.Press(Qt::Key_Shift, Qt::NoModifier);
    QCOMPARE(TestDoc().Block.BlockBegin, 0);
    QCOMPARE(TestDoc().Block.BlockEnd, 0);
    QVERIFY(!editor.Form.Action(TCommand::Blockdelete1)->isEnabled());
    // Shift+Down marks a row; the block is drawn in both panes from the same cells.
    editor.Press(Qt::Key_Down, Qt::ShiftModifier);
    editor.Release(Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(TestDoc().Block.BlockBegin, 9);
    QCOMPARE(TestDoc().Block.BlockEnd, 25);
    editor.Release(Qt::Key_Shift, Qt::ShiftModifier);
}

void TestKeyboard::typingCapitalDoesNotMark() {
    QByteArray bytes = SampleBytes(50);
    TEditor editor(bytes);
    editor.GoTo(3);
    editor.Press(Qt::Key_Shift, Qt::NoModifier);
    editor.Press(Qt::Key_Q, Qt::ShiftModifier, QStringLiteral("Q"));
    editor.Release(Qt::Key_Q, Qt::ShiftModifier);
    editor.Release(Qt::Key_Shift, Qt::ShiftModifier);
    bytes[2] = 'Q';
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 4);
    QCOMPARE(TestDoc().Block.BlockBegin, 0);
}

void TestKeyboard::tabAndInsertSwitchPaneAndMode() {
    TEditor editor(SampleBytes(5000));
    TFormMain& form = editor.Form;
    editor.GoTo(1001);
    editor.Click(Qt::Key_Tab);
    QVERIFY(!TestApp().TextMode);
    QVERIFY(!form.Action(TCommand::ModusText1)->isChecked());
    QCOMPARE(form.JkStrGridHex->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(form.JkStrGridText->focusPolicy(), Qt::NoFocus);
    QCOMPARE(form.focusWidget(), form.JkStrGridHex);
    QCOMPARE(form.JkStrGridHex->SlaveGrid(), form.JkStrGridText);
    QCOMPARE(form.JkStrGridText->SlaveGrid(), nullptr);
    QCOMPARE(editor.Panel(0), QString("Adr. hex: 3E8"));
    // The hex pane drives the text pane now.
    editor.Click(Qt::Key_Right);
    QCOMPARE(editor.PaneCell(form.JkStrGridText), editor.Cursor());

    form.Action(TCommand::ModusText1)->trigger();
    QVERIFY(TestApp().TextMode);
    QVERIFY(form.Action(TCommand::ModusText1)->isChecked());
    QCOMPARE(form.JkStrGridText->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(form.JkStrGridHex->focusPolicy(), Qt::NoFocus);
    QCOMPARE(editor.Panel(0), QString("Adr. dec: 1,001"));

    editor.Click(Qt::Key_Insert);
    QVERIFY(!TestApp().OverwriteMode);
    QVERIFY(!form.Action(TCommand::ModusOverwrite1)->isChecked());
    QCOMPARE(editor.Panel(2), QString("Insert"));
    form.Action(TCommand::ModusOverwrite1)->trigger();
    QVERIFY(TestApp().OverwriteMode);
    QVERIFY(form.Action(TCommand::ModusOverwrite1)->isChecked());
    QCOMPARE(editor.Panel(2), QString("Overwrite"));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 1002);
}

void TestKeyboard::insertTypingDropsAffectedBlock() {
    QByteArray bytes = SampleBytes(60);
    TEditor editor(bytes);
    editor.Click(Qt::Key_Insert);
    TestDoc().Block.BlockBegin = 20;
    TestDoc().Block.BlockEnd = 30;
    // After the block: kept.
    editor.GoTo(31);
    editor.Type("a");
    QCOMPARE(TestDoc().Block.BlockBegin, 20);
    QCOMPARE(TestDoc().Block.BlockEnd, 30);
    // Inside it: dropped with a word.
    editor.GoTo(25);
    QString text;
    AnswerNextModal("OK", &text);
    editor.Type("b");
    QCOMPARE(text, QString("Block no longer valid"));
    QCOMPARE(TestDoc().Block.BlockBegin, 0);
    QCOMPARE(TestDoc().Block.BlockEnd, 0);
    bytes.insert(30, 'a');
    bytes.insert(24, 'b');
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 26);
}

void TestKeyboard::failedInsertChangesNothing() {
    const QByteArray bytes = SampleBytes(60);
    TEditor editor(bytes);
    editor.Click(Qt::Key_Insert);
    TestDoc().Block.BlockBegin = 20;
    TestDoc().Block.BlockEnd = 30;
    editor.GoTo(5);
    // A file at the size limit cannot take one more byte; the buffer itself is not touched.
    const TCount size = TestDoc().Store.FileSize();
    EngineSetup::SetStoreSize(Engine::MaxFileSize);
    QString text;
    AnswerNextModal("OK", &text);
    editor.Type("Z");
    EngineSetup::SetStoreSize(size);
    QCOMPARE(text, QString("Can't allcate additional memory\nto perform operation"));
    QCOMPARE(FileBytes(), bytes);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 5);
    QVERIFY(!TestDoc().Modified);
    QCOMPARE(TestDoc().Block.BlockBegin, 20);
    QCOMPARE(TestDoc().Block.BlockEnd, 30);
    QCOMPARE(editor.Form.JkStrGridHex->Cell(4, 0), HexCellText(uint8_t(bytes[4])));
    QCOMPARE(
        editor.Form.JkStrGridText->Cell(4, 0),
        GlyphCellText(TFormMain::DisplayChar(uint8_t(bytes[4])), editor.Form.JkStrGridText->UsesOemGlyphs()));
}

void TestKeyboard::mouseClicksPassTheVeto() {
    TEditor editor(SampleBytes(40));
    editor.ClickCell(editor.Form.JkStrGridText, 5, 1);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 22);
    QCOMPARE(editor.PaneCell(editor.Form.JkStrGridHex), QPoint(5, 1));
    QCOMPARE(editor.Panel(0), QString("Adr. dec: 21"));
    // Past the end of the file: refused.
    editor.ClickCell(editor.Form.JkStrGridText, 9, 2);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 22);
    QCOMPARE(editor.PaneCell(editor.Form.JkStrGridText), QPoint(5, 1));
    // A click in the inactive pane makes it the active one, then moves the cursor there.
    editor.ClickCell(editor.Form.JkStrGridHex, 1, 0);
    QVERIFY(!TestApp().TextMode);
    QCOMPARE(editor.Form.focusWidget(), editor.Form.JkStrGridHex);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 2);
}

void TestKeyboard::characterSetMakesTypingAndDrawingAgree() {
    TEditor editor(SampleBytes(40));
    TJkStrGrid* text = editor.Form.JkStrGridText;
    const QString eAcute = QString::fromUtf8("\u00E9");
    // The default set with the Terminal font draws as DOS, and so types as DOS too: what is typed shows as
    // typed, in the pane, the text fields that fill its bytes and pasted text alike.
    editor.Type(eAcute);
    QCOMPARE(FileBytes().at(0), char(0x82));
    QCOMPARE(text->Cell(0, 0), eAcute);
    QCOMPARE(TextToBytes(eAcute), QByteArray(1, char(0x82)));
    QCOMPARE(BytesToText(QByteArray(1, char(0x82))), eAcute);
    QCOMPARE(Engine::ClipboardTextBytes(TestApp(), u"\u00E9"), std::vector<uint8_t>{0x82});
    // E9 for what follows: it draws as the chosen set has it.
    editor.GoTo(1);
    editor.Type(QString::fromUtf8("\u0398"));
    QCOMPARE(FileBytes().at(0), char(0xE9));

    // A chosen set redraws the pane at once, and the pane and the text fields type as it draws.
    const struct {
        const char* Entry;
        char Byte;         // of the typed e acute
        const char* Shown; // the byte E9 of the first cell
    } sets[] = {{"Windows (1252)", char(0xE9), "\u00E9"}, {"DOS (437)", char(0x82), "\u0398"}};
    for (const auto& set : sets) {
        editor.RunDialog<TFormOpt>(TCommand::Options1, [&](TFormOpt& opt) {
            opt.ComboBoxCharSet->setCurrentIndex(
                opt.ComboBoxCharSet->findText(QString::fromLatin1(set.Entry)));
            opt.ButtonOK->click();
        });
        QCOMPARE(text->Cell(0, 0), QString::fromUtf8(set.Shown));
        editor.GoTo(2);
        editor.Type(eAcute);
        QCOMPARE(FileBytes().at(1), set.Byte);
        QCOMPARE(text->Cell(1, 0), eAcute);
        QCOMPARE(TextToBytes(eAcute), QByteArray(1, set.Byte));
    }
}

NIBLO_UI_TEST(TestKeyboard)
#include "tst_keyboard.moc"
