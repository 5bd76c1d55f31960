// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/editing/PaneMouse.h"

#include "engine/document/Blocks.h"
#include "engine/document/EngineState.h"
#include "engine/editing/PaneEditing.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <algorithm>

namespace Engine {

namespace {

bool Dragging = false;
TAddress DragFrom = 0;   // the byte the drag marks from
bool DragMarked = false; // the drag has left its first byte, or began with shift

// The empty cell after the last byte marks up to the last byte, as the keys do.
TAddress ByteAt(TAddress address) {
    return std::min(address, Doc().Store.FileSize());
}

void MarkBetween(TAddress a, TAddress b) {
    SetBlock(std::min(a, b), std::max(a, b));
}

// Where Shift+click marks from: the cursor stands on the end of the block it moved last, so the other end
// stays put; a cursor away from the block starts a new one.
TAddress ShiftClickAnchor(TAddress cursor) {
    if (!BlockComplete()) return cursor;
    if (cursor == Doc().Block.BlockEnd) return Doc().Block.BlockBegin;
    if (cursor == Doc().Block.BlockBegin) return Doc().Block.BlockEnd;
    return cursor;
}

} // namespace

int32_t AutoScrollRows(int32_t rowsPast, int32_t pageRows) {
    // A row more for each row further out: a crawl just past the edge, a page a step far away.
    return std::clamp(rowsPast, 1, std::max(1, pageRows));
}

bool PanePressCell(bool textPane, int32_t col, int32_t row, bool shift) {
    Dragging = false;
    if (textPane != TextMode) ModusText1Click();
    // A click moves the cursor by itself: typing after it is a step of its own.
    SealUndoStep();
    if (!Doc().FileOpen || Doc().Store.FileSize() == 0) return PaneClickCell(col, row);
    const TAddress cursor = ByteAt(CurrentAddress());
    if (!PaneClickCell(col, row)) return false;
    Dragging = true;
    DragMarked = shift;
    DragFrom = shift ? ShiftClickAnchor(cursor) : ByteAt(CurrentAddress());
    if (shift) MarkBetween(DragFrom, ByteAt(CurrentAddress()));
    return true;
}

void PaneDragToCell(int32_t col, int32_t row) {
    if (!Dragging || !Doc().FileOpen || Doc().Store.FileSize() == 0) return;
    if (row < 0) {
        ScrollRows(-AutoScrollRows(-row, Doc().View.Rows));
        row = 0;
    } else if (row >= Doc().View.Rows) {
        ScrollRows(AutoScrollRows(row - Doc().View.Rows + 1, Doc().View.Rows));
        row = Doc().View.Rows - 1;
    }
    col = std::clamp(col, 0, Doc().View.Cols - 1);
    const TAddress at =
        std::min<TAddress>(Doc().View.TopAddress + TAddress{row} * Doc().View.Cols + col, CursorEnd());
    if (at != CurrentAddress()) {
        const TCell cell = AddressToCell(at);
        PaneClickCell(cell.Col, cell.Row);
    }
    if (!DragMarked && ByteAt(at) == DragFrom) return;
    DragMarked = true;
    MarkBetween(DragFrom, ByteAt(at));
}

void PaneReleaseMouse() {
    Dragging = false;
}

} // namespace Engine
