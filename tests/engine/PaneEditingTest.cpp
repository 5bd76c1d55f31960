// SPDX-License-Identifier: GPL-3.0-or-later
// Keys, typing and scrolling in the panes, on a 16 x 10 page over a 1000-byte file (the last row holds
// bytes 993..1000 in columns 0..7; the last page starts at 849).
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "engine/document/Blocks.h"
#include "engine/document/EngineState.h"
#include "engine/editing/PaneEditing.h"
#include "engine/editing/PaneMouse.h"
#include "engine/document/View.h"

using namespace Engine;

namespace {

constexpr int32_t Size = 1000;
constexpr int32_t LastPage = 849;

struct TKeyCase {
    const char* What;
    int32_t Top, Col, Row; // where the cursor starts
    int Key;
    unsigned Shift;
    int32_t WantTop, WantAddress;
    bool Consumed;
    bool Insert = false; // insert mode, where the cursor may stand on the empty cell after the last byte
    int32_t FileBytes = Size;
};

// A file that fills its last row: the empty cell after it needs a row of its own.
constexpr int32_t FullRows = 992;
constexpr int32_t FullRowsLastPage = 833;

const TKeyCase KeyCases[] = {
    {"Down in the bottom row scrolls a row", 49, 7, 9, PaneKey::Down, 0, 65, 216, false},
    {"Down onto a shorter last row goes to the last byte", LastPage, 13, 8, PaneKey::Down, 0, LastPage, 1000,
     false},
    {"Down inside the page moves a row", 193, 7, 0, PaneKey::Down, 0, 193, 216, false},
    {"Down in the last row stays", LastPage, 2, 9, PaneKey::Down, 0, LastPage, 995, false},
    {"Up in the top row scrolls a row back", 193, 7, 0, PaneKey::Up, 0, 177, 184, false},
    {"Up at the top of the file stays", 1, 4, 0, PaneKey::Up, 0, 1, 5, false},
    {"Right in the bottom-right cell scrolls", 1, 15, 9, PaneKey::Right, 0, 17, 161, true},
    {"Right on the last byte stays", LastPage, 7, 9, PaneKey::Right, 0, LastPage, 1000, true},
    {"Right at a row end wraps", 1, 15, 0, PaneKey::Right, 0, 1, 17, true},
    {"Left in the top-left cell scrolls back", 17, 0, 0, PaneKey::Left, 0, 1, 16, true},
    {"Left at a row start wraps", 1, 0, 1, PaneKey::Left, 0, 1, 16, true},
    {"Left at the first byte stays", 1, 0, 0, PaneKey::Left, 0, 1, 1, true},
    {"Ctrl+PgDn goes to the last byte", 1, 3, 2, PaneKey::PageDown, ssCtrl, LastPage, 1000, true},
    {"Ctrl+PgUp goes to the first byte", 481, 3, 2, PaneKey::PageUp, ssCtrl, 1, 1, true},
    {"PgDn shows the next page", 1, 3, 2, PaneKey::PageDown, 0, 161, 196, true},
    {"PgDn near the end shows the last page", 769, 3, 2, PaneKey::PageDown, 0, LastPage, 884, true},
    {"PgDn onto a cell past the end takes the last byte", 769, 12, 9, PaneKey::PageDown, 0, LastPage, 1000,
     true},
    {"PgDn on the last page moves within it", LastPage, 0, 0, PaneKey::PageDown, 0, LastPage, 993, false},
    {"PgUp shows the previous page", 321, 2, 1, PaneKey::PageUp, 0, 161, 179, true},
    {"PgUp near the start stops at the first row", 65, 2, 1, PaneKey::PageUp, 0, 1, 19, true},
    {"PgUp on the first page moves within it", 1, 2, 5, PaneKey::PageUp, 0, 1, 3, false},
    {"End on the last row goes to the last byte", LastPage, 1, 9, PaneKey::End, 0, LastPage, 1000, false},
    {"End goes to the row's last cell", 1, 3, 2, PaneKey::End, 0, 1, 48, false},
    {"Ctrl+End on the last page goes to the last byte", LastPage, 0, 0, PaneKey::End, ssCtrl, LastPage, 1000,
     false},
    {"Ctrl+End goes to the page's last cell", 1, 0, 0, PaneKey::End, ssCtrl, 1, 160, false},
    {"Home goes to the row start", 1, 3, 2, PaneKey::Home, 0, 1, 33, false},
    {"Ctrl+Home goes to the page start", 161, 3, 2, PaneKey::Home, ssCtrl, 161, 161, false},
    {"Enter does nothing", 1, 3, 2, PaneKey::Enter, 0, 1, 36, false},
    {"F5 does nothing", 1, 3, 2, PaneKey::F1 + 4, 0, 1, 36, false},
    {"Insert: Right on the last byte goes to the empty cell", LastPage, 7, 9, PaneKey::Right, 0, LastPage, 1001,
     true, true},
    {"Insert: Right on the empty cell stays", LastPage, 8, 9, PaneKey::Right, 0, LastPage, 1001, true, true},
    {"Insert: End on the last row goes to the empty cell", LastPage, 1, 9, PaneKey::End, 0, LastPage, 1001,
     false, true},
    {"Insert: Ctrl+End goes to the empty cell", LastPage, 0, 0, PaneKey::End, ssCtrl, LastPage, 1001, false,
     true},
    {"Insert: Down onto a shorter last row goes to the empty cell", LastPage, 13, 8, PaneKey::Down, 0, LastPage,
     1001, false, true},
    {"Insert: PgDn onto a cell past the end takes the empty cell", 769, 12, 9, PaneKey::PageDown, 0, LastPage,
     1001, true, true},
    {"Insert: Ctrl+PgDn still goes to the last byte", 1, 3, 2, PaneKey::PageDown, ssCtrl, LastPage, 1000, true,
     true},
    {"Insert: Right on a last byte ending its row scrolls to the empty cell", FullRowsLastPage, 15, 9,
     PaneKey::Right, 0, FullRowsLastPage + 16, FullRows + 1, true, true, FullRows},
    {"Insert: Down from the bottom row scrolls to the empty cell", FullRowsLastPage, 3, 9, PaneKey::Down, 0,
     FullRowsLastPage + 16, FullRows + 1, false, true, FullRows},
    {"Overwrite: Right on a last byte ending its row stays", FullRowsLastPage, 15, 9, PaneKey::Right, 0,
     FullRowsLastPage, FullRows, true, false, FullRows},
};

class PaneEditingTest : public TEngineTest {
  protected:
    void OpenSample(int32_t size = Size) { OpenBytes(PatternBytes(size_t(size))); }
    void Place(int32_t top, int32_t col, int32_t row) {
        ShowAddress(TestDoc(), top, false, false);
        ASSERT_EQ(TestDoc().View.TopAddress, top);
        SetCursorCell(TestDoc(), col, row);
    }
    // Key-up gets the key itself, as the window sends it, whatever key-down did with its copy.
    void Key(int key, unsigned shift = 0) {
        int down = key;
        PaneKeyDown(TestDoc(), down, shift);
        PaneKeyUp(TestDoc(), key, shift);
    }
    void Type(const char* text) {
        for (; *text; ++text) {
            int key = PaneKey::Other;
            PaneKeyDown(TestDoc(), key, 0);
            PaneKeyPress(TestDoc(), uint8_t(*text));
        }
    }
};

TEST_F(PaneEditingTest, EveryRowOfTheKeyTable) {
    for (const TKeyCase& c : KeyCases) {
        SCOPED_TRACE(c.What);
        TestApp().OverwriteMode = !c.Insert;
        OpenSample(c.FileBytes);
        Place(c.Top, c.Col, c.Row);
        int key = c.Key;
        PaneKeyDown(TestDoc(), key, c.Shift);
        EXPECT_EQ(TestDoc().View.TopAddress, c.WantTop);
        EXPECT_EQ(CurrentAddress(TestDoc()), c.WantAddress);
        EXPECT_EQ(key == 0, c.Consumed);
        // The window shows the cursor where the engine has it, and the view stays whole.
        EXPECT_EQ(Host.SelectedCol, TestDoc().View.CursorCol);
        EXPECT_EQ(Host.SelectedRow, TestDoc().View.CursorRow);
        EXPECT_EQ(TestDoc().View.BottomAddress,
                  std::min(TestDoc().View.TopAddress + TestDoc().View.PageBytes - 1, TestDoc().Store.FileSize()));
        EXPECT_EQ(Bytes(), PatternBytes(size_t(c.FileBytes)));
    }
}

TEST_F(PaneEditingTest, DeleteAndBackspace) {
    OpenSample();
    std::vector<uint8_t> model = PatternBytes(Size);
    // Backspace at the first byte deletes nothing.
    Key(PaneKey::Backspace);
    EXPECT_EQ(Bytes(), model);
    EXPECT_FALSE(TestDoc().Modified);
    // Backspace in a row start: the byte before goes, the cursor stays on its cell.
    Place(1, 0, 1);
    Key(PaneKey::Backspace);
    model.erase(model.begin() + 15);
    EXPECT_EQ(Bytes(), model);
    EXPECT_EQ(CurrentAddress(TestDoc()), 16);
    // Backspace in the top-left cell scrolls back first.
    Place(17, 0, 0);
    Key(PaneKey::Backspace);
    model.erase(model.begin() + 15);
    EXPECT_EQ(Bytes(), model);
    EXPECT_EQ(TestDoc().View.TopAddress, 1);
    EXPECT_EQ(CurrentAddress(TestDoc()), 16);
    // Delete takes the byte under the cursor.
    Key(PaneKey::Delete);
    model.erase(model.begin() + 15);
    EXPECT_EQ(Bytes(), model);
    EXPECT_TRUE(TestDoc().Modified);
}

TEST_F(PaneEditingTest, TypingInTextPaneBothModes) {
    OpenSample(20);
    std::vector<uint8_t> model = PatternBytes(20);
    Place(1, 4, 0);
    Type("AB");
    model[4] = 'A';
    model[5] = 'B';
    EXPECT_EQ(Bytes(), model);
    EXPECT_EQ(CurrentAddress(TestDoc()), 7);
    EXPECT_TRUE(TestDoc().Modified);

    ModusOverwrite1Click(TestDoc());
    Type("xy");
    model.insert(model.begin() + 6, {'x', 'y'});
    EXPECT_EQ(Bytes(), model);
    EXPECT_EQ(CurrentAddress(TestDoc()), 9);
    // At the last byte typing inserts before it, and the cursor stays on the byte that moved on.
    Place(1, 5, 1); // address 22, the last byte
    Type("z");
    model.insert(model.end() - 1, 'z');
    EXPECT_EQ(Bytes(), model);
    EXPECT_EQ(CurrentAddress(TestDoc()), 23);
    // Control characters do not type.
    PaneKeyPress(TestDoc(), 9);
    EXPECT_EQ(Bytes(), model);
}

TEST_F(PaneEditingTest, TypingInHexPaneWithPendingDigit) {
    OpenSample(40);
    std::vector<uint8_t> model = PatternBytes(40);
    ModusText1Click(TestDoc());
    Place(1, 2, 0);
    Type("4");
    EXPECT_EQ(TestDoc().View.PendingDigit, 4);
    EXPECT_EQ(Bytes(), model);
    Type("1");
    model[2] = 0x41;
    EXPECT_EQ(Bytes(), model);
    EXPECT_EQ(TestDoc().View.PendingDigit, -1);
    EXPECT_EQ(CurrentAddress(TestDoc()), 4);
    // Lower case counts; other characters are ignored and keep the first digit.
    Type("f");
    Type("g");
    EXPECT_EQ(TestDoc().View.PendingDigit, 15);
    // Escape drops the digit; so does a click elsewhere; the bytes stay.
    Key(PaneKey::Escape);
    EXPECT_EQ(TestDoc().View.PendingDigit, -1);
    Type("7");
    EXPECT_TRUE(PaneClickCell(TestDoc(), 9, 1));
    EXPECT_EQ(TestDoc().View.PendingDigit, -1);
    EXPECT_EQ(CurrentAddress(TestDoc()), 26);
    // A click past the end is refused and keeps the digit.
    Type("7");
    EXPECT_FALSE(PaneClickCell(TestDoc(), 15, 2));
    EXPECT_EQ(TestDoc().View.PendingDigit, 7);
    // The digit survives a pane switch and a page refill elsewhere, but not a refill of its cell.
    int tab = PaneKey::Tab;
    PaneKeyDown(TestDoc(), tab, 0);
    PaneKeyDown(TestDoc(), tab, 0);
    EXPECT_EQ(TestDoc().View.PendingDigit, 7);
    RefillPanes(TestDoc(), 0, 2);
    EXPECT_EQ(TestDoc().View.PendingDigit, 7);
    RefillPanes(TestDoc(), TestDoc().View.CursorCol, TestDoc().View.CursorRow);
    EXPECT_EQ(TestDoc().View.PendingDigit, -1);
    EXPECT_EQ(Bytes(), model);
}

TEST_F(PaneEditingTest, TypingIntoAnEmptyFile) {
    OpenBytes({});
    Key(PaneKey::Right);
    Key(PaneKey::Down);
    EXPECT_EQ(TestDoc().View.CursorCol, 0);
    EXPECT_EQ(TestDoc().View.CursorRow, 0);
    Type("A");
    EXPECT_EQ(Bytes(), std::vector<uint8_t>{'A'});
    EXPECT_EQ(TestDoc().View.BottomAddress, 1);
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
    EXPECT_TRUE(TestDoc().Modified);
}

// In insert mode typing appends at the empty cell after the last byte; the cell marks nothing, deletes
// nothing, and overwrite mode has no such cell.
TEST_F(PaneEditingTest, InsertModeAppendsAtTheCellAfterTheLastByte) {
    TestApp().OverwriteMode = false;
    OpenBytes({});
    Type("ABC");
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{'A', 'B', 'C'}));
    EXPECT_EQ(CurrentAddress(TestDoc()), 4);
    Key(PaneKey::Delete);
    Key(PaneKey::Backspace);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{'A', 'B'}));
    EXPECT_EQ(CurrentAddress(TestDoc()), 3);
    Key(PaneKey::Left, ssShift);
    Key(PaneKey::Right, ssShift);
    Key(PaneKey::Right, ssShift);
    EXPECT_EQ(TestDoc().Block.BlockBegin, 2);
    EXPECT_EQ(TestDoc().Block.BlockEnd, 2);
    EXPECT_FALSE(PaneClickCell(TestDoc(), 3, 0));
    EXPECT_TRUE(PaneClickCell(TestDoc(), 2, 0));
    ModusOverwrite1Click(TestDoc());
    EXPECT_EQ(CurrentAddress(TestDoc()), 2);
    EXPECT_FALSE(PaneClickCell(TestDoc(), 2, 0));
}

TEST_F(PaneEditingTest, ShiftSelectionAndTypedCapitals) {
    OpenSample();
    Place(1, 9, 0); // address 10
    Key(PaneKey::Right, ssShift);
    Key(PaneKey::Right, ssShift);
    EXPECT_EQ(TestDoc().Block.BlockBegin, 10);
    EXPECT_EQ(TestDoc().Block.BlockEnd, 12);
    EXPECT_TRUE(Host.IsEnabled(TCommand::Blockdelete1));
    Key(PaneKey::Left, ssShift);
    EXPECT_EQ(TestDoc().Block.BlockEnd, 11);
    // Shift alone afterwards starts afresh.
    int shiftKey = PaneKey::Shift;
    PaneKeyDown(TestDoc(), shiftKey, ssShift);
    EXPECT_EQ(TestDoc().Block.BlockBegin, 0);
    EXPECT_EQ(TestDoc().Block.BlockEnd, 0);
    // A capital typed with Shift held moves the cursor by the program's own key: no block.
    int letter = 'Q';
    PaneKeyDown(TestDoc(), letter, ssShift);
    PaneKeyPress(TestDoc(), 'Q');
    EXPECT_EQ(TestDoc().Block.BlockBegin, 0);
    EXPECT_EQ(CurrentAddress(TestDoc()), 12);
}

TEST_F(PaneEditingTest, TypingInsertedBeforeTheBlockDropsIt) {
    OpenSample(100);
    MarkFromTo(20, 30);
    ModusOverwrite1Click(TestDoc());
    Place(1, 4, 2); // address 37: after the block
    Type("a");
    EXPECT_EQ(TestDoc().Block.BlockEnd, 30);
    Place(1, 4, 1); // address 21: inside
    Type("b");
    EXPECT_EQ(TestDoc().Block.BlockBegin, 0);
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"Block no longer valid"});
}

TEST_F(PaneEditingTest, WheelScrollsRowsWithinTheFile) {
    OpenSample();
    Place(1, 12, 9);
    ScrollRows(TestDoc(), 3);
    EXPECT_EQ(TestDoc().View.TopAddress, 49);
    EXPECT_EQ(CurrentAddress(TestDoc()), 49 + 156);
    ScrollRows(TestDoc(), -5);
    EXPECT_EQ(TestDoc().View.TopAddress, 1);
    ScrollRows(TestDoc(), 1000);
    EXPECT_EQ(TestDoc().View.TopAddress, LastPage);
    // A cursor cell past the end moves to the last byte of its row.
    EXPECT_EQ(CurrentAddress(TestDoc()), 1000);
}

// A resize keeps the cursor on its byte and, where the page still holds it, the page's first row.
TEST_F(PaneEditingTest, PageDimensionsKeepTheCursorsByteInView) {
    struct TCase {
        int32_t Cols, Rows;
        TAddress Top, Cursor;
    };
    const TCase cases[] = {
        {16, 10, 321, 372}, // the page's own size
        {8, 12, 321, 372},  // narrower: the top row stays, the cursor still on the page
        {24, 4, 313, 372},  // the top on a row of the new width
        {16, 2, 369, 372},  // too short for the old top: the cursor's row on top
    };
    for (const TCase& c : cases) {
        SetPageDimensions(TestDoc(), 16, 10);
        OpenSample();
        Place(321, 3, 3);
        ASSERT_EQ(CurrentAddress(TestDoc()), 372);
        SetPageDimensions(TestDoc(), c.Cols, c.Rows);
        EXPECT_EQ(TestDoc().View.PageBytes, c.Cols * c.Rows);
        EXPECT_EQ(TestDoc().View.TopAddress, c.Top) << c.Cols << "x" << c.Rows;
        EXPECT_EQ(CurrentAddress(TestDoc()), c.Cursor) << c.Cols << "x" << c.Rows;
        EXPECT_EQ(TestDoc().View.BottomAddress,
                  std::min<TAddress>(c.Top + TestDoc().View.PageBytes - 1, TestDoc().Store.FileSize()));
    }
}

// The mouse: a press, then the cells the pointer is dragged over (rows -1 and 10 lie above and below the
// page), then the block and the cursor it leaves.
TEST_F(PaneEditingTest, MouseMarksFromThePressToThePointer) {
    struct TDrag {
        int32_t Col, Row;
    };
    struct TCase {
        const char* What;
        int32_t Top, Col, Row;
        bool Shift;
        std::vector<TDrag> Drags;
        TAddress WantBegin, WantEnd, WantCursor, WantTop;
        bool Insert = false;
    };
    const TCase cases[] = {
        {"a click alone marks nothing", 1, 3, 2, false, {}, 0, 0, 36, 1},
        {"a drag within its first byte marks nothing", 1, 3, 2, false, {{3, 2}}, 0, 0, 36, 1},
        {"forwards", 1, 3, 2, false, {{5, 2}}, 36, 38, 38, 1},
        {"backwards", 1, 5, 2, false, {{9, 0}, {3, 1}}, 20, 38, 20, 1},
        {"back onto the first byte keeps one byte", 1, 3, 2, false, {{5, 2}, {3, 2}}, 36, 36, 36, 1},
        {"beyond the columns counts as the edge", 1, 3, 2, false, {{40, 3}}, 36, 64, 64, 1},
        {"below the page scrolls a row each time", 1, 3, 9, false, {{3, 10}, {3, 10}}, 148, 180, 180, 33},
        {"three rows below, three each time", 1, 3, 9, false, {{3, 12}, {3, 12}}, 148, 244, 244, 97},
        {"far below scrolls a page at most", 1, 3, 9, false, {{3, 40}}, 148, 308, 308, 161},
        {"above the page scrolls back", 33, 3, 0, false, {{3, -1}}, 20, 36, 20, 17},
        {"two rows above scrolls two rows back", 65, 3, 0, false, {{3, -2}}, 36, 68, 36, 33},
        {"above the first row of the file stays", 1, 3, 0, false, {{3, -1}}, 0, 0, 4, 1},
        {"past the last byte stops there", LastPage, 3, 9, false, {{15, 9}}, 996, 1000, 1000, LastPage},
        {"insert mode: the empty cell marks up to the last byte", LastPage, 3, 9, false, {{15, 9}}, 996, 1000,
         1001, LastPage, true},
        {"Shift+click marks from the cursor", 1, 0, 4, true, {}, 1, 65, 65, 1},
        {"Shift+click, then a drag goes on from the cursor", 1, 0, 4, true, {{0, 0}}, 1, 1, 1, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        OpenSample();
        TestApp().OverwriteMode = !c.Insert;
        Place(c.Top, 0, 0);
        SetBlock(TestDoc(), 0, 0);
        ASSERT_TRUE(PanePressCell(TestDoc(), TestApp().TextMode, c.Col, c.Row, c.Shift));
        for (const TDrag& d : c.Drags)
            PaneDragToCell(TestDoc(), d.Col, d.Row);
        PaneReleaseMouse(TestDoc());
        PaneDragToCell(TestDoc(), 0, 0); // after the release the pointer marks nothing
        EXPECT_EQ(TestDoc().Block.BlockBegin, c.WantBegin);
        EXPECT_EQ(TestDoc().Block.BlockEnd, c.WantEnd);
        EXPECT_EQ(CurrentAddress(TestDoc()), c.WantCursor);
        EXPECT_EQ(TestDoc().View.TopAddress, c.WantTop);
    }
    // A click past the end of the file is refused and starts no drag.
    Place(LastPage, 0, 0);
    TestApp().OverwriteMode = true;
    SetBlock(TestDoc(), 0, 0);
    EXPECT_FALSE(PanePressCell(TestDoc(), TestApp().TextMode, 15, 9, false));
    PaneDragToCell(TestDoc(), 0, 0);
    EXPECT_EQ(TestDoc().Block.BlockBegin, 0);
}

// A press in the pane that is not active makes it the active one, then acts there: the cursor moves, a
// drag marks, and the wheel (which scrolls whatever pane it is over) needs no switch.
TEST_F(PaneEditingTest, PressInTheOtherPaneMakesItActive) {
    for (const bool text : {true, false}) {
        SCOPED_TRACE(text ? "text pane" : "hex pane");
        OpenSample();
        TestApp().TextMode = !text;
        const int switches = Host.ModeChanges;
        Place(1, 0, 0);
        SetBlock(TestDoc(), 0, 0);
        ASSERT_TRUE(PanePressCell(TestDoc(), text, 3, 2, false));
        EXPECT_EQ(TestApp().TextMode, text);
        EXPECT_EQ(Host.ModeChanges, switches + 1);
        EXPECT_EQ(CurrentAddress(TestDoc()), 36);
        PaneDragToCell(TestDoc(), 5, 2);
        PaneReleaseMouse(TestDoc());
        EXPECT_EQ(TestDoc().Block.BlockBegin, 36);
        EXPECT_EQ(TestDoc().Block.BlockEnd, 38);
        // A press in the pane that is already active switches nothing.
        ASSERT_TRUE(PanePressCell(TestDoc(), text, 0, 0, false));
        PaneReleaseMouse(TestDoc());
        EXPECT_EQ(TestApp().TextMode, text);
        EXPECT_EQ(Host.ModeChanges, switches + 1);
    }
}

// Shift+click moves the end of the block the user moved last and keeps its anchor, whether a drag or the
// keys made the block; with the cursor away from the block it marks from the cursor. Each case: a block
// made first, then Shift+click on a byte (16 bytes a row).
TEST_F(PaneEditingTest, ShiftClickExtendsFromTheAnchor) {
    enum TMade { ByDrag, ByKeys, ByClickAway };
    struct TCase {
        const char* What;
        TMade Made;
        // The drag's or the keys' first and last byte (ByClickAway: a block, then a click on To).
        TAddress From, To;
        TAddress Click;
        TAddress WantBegin, WantEnd;
    };
    const TCase cases[] = {
        {"a drag forwards, then further on", ByDrag, 40, 48, 55, 40, 55},
        {"a drag forwards, then back before its start", ByDrag, 40, 48, 30, 30, 40},
        {"a drag backwards, then further back", ByDrag, 48, 40, 20, 20, 48},
        {"a drag backwards, then past its start", ByDrag, 48, 40, 60, 48, 60},
        {"keys forwards, then further on", ByKeys, 40, 43, 55, 40, 55},
        {"keys backwards, then further back", ByKeys, 48, 45, 20, 20, 48},
        {"a click away from the block marks from the click", ByClickAway, 40, 10, 12, 10, 12},
    };
    auto cellOf = [](TAddress a) { return AddressToCell(TestDoc(), a); };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        OpenSample();
        TestApp().OverwriteMode = true;
        Place(1, 0, 0);
        SetBlock(TestDoc(), 0, 0);
        if (c.Made == ByKeys) {
            PutCursorOn(c.From, 2); // the page from byte 1, where every case clicks
            const int key = c.To > c.From ? PaneKey::Right : PaneKey::Left;
            Key(PaneKey::Shift, ssShift);
            for (TAddress a = c.From; a != c.To; a += c.To > c.From ? 1 : -1)
                Key(key, ssShift);
            Key(PaneKey::Shift, 0);
            ASSERT_EQ(CurrentAddress(TestDoc()), c.To);
        } else {
            const TCell from = cellOf(c.Made == ByDrag ? c.From : 40);
            const TCell to = cellOf(c.Made == ByDrag ? c.To : 48);
            ASSERT_TRUE(PanePressCell(TestDoc(), TestApp().TextMode, from.Col, from.Row, false));
            PaneDragToCell(TestDoc(), to.Col, to.Row);
            PaneReleaseMouse(TestDoc());
            if (c.Made == ByClickAway) {
                const TCell away = cellOf(c.To);
                ASSERT_TRUE(PanePressCell(TestDoc(), TestApp().TextMode, away.Col, away.Row, false));
                PaneReleaseMouse(TestDoc());
            }
        }
        const TCell click = cellOf(c.Click);
        ASSERT_TRUE(PanePressCell(TestDoc(), TestApp().TextMode, click.Col, click.Row, true));
        PaneReleaseMouse(TestDoc());
        EXPECT_EQ(TestDoc().Block.BlockBegin, c.WantBegin);
        EXPECT_EQ(TestDoc().Block.BlockEnd, c.WantEnd);
        EXPECT_EQ(CurrentAddress(TestDoc()), c.Click);
    }
}

} // namespace
