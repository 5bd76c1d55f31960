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


// The empty cell after the last byte marks up to the last byte, as the keys do.
TAddress ByteAt(TDocument& doc, TAddress address) {
    return std::min(address, doc.Store.FileSize());
}

void MarkBetween(TDocument& doc, TAddress a, TAddress b) {
    SetBlock(doc, std::min(a, b), std::max(a, b));
}

// Where Shift+click marks from: the cursor stands on the end of the block it moved last, so the other end
// stays put; a cursor away from the block starts a new one.
TAddress ShiftClickAnchor(TDocument& doc, TAddress cursor) {
    if (!BlockComplete(doc)) return cursor;
    if (cursor == doc.Block.BlockEnd) return doc.Block.BlockBegin;
    if (cursor == doc.Block.BlockBegin) return doc.Block.BlockEnd;
    return cursor;
}

} // namespace

int32_t AutoScrollRows(int32_t rowsPast, int32_t pageRows) {
    // A row more for each row further out: a crawl just past the edge, a page a step far away.
    return std::clamp(rowsPast, 1, std::max(1, pageRows));
}

bool PanePressCell(TDocument& doc, bool textPane, int32_t col, int32_t row, bool shift) {
    doc.View.Dragging = false;
    if (textPane != doc.App.TextMode) ModusText1Click(doc);
    // A click moves the cursor by itself: typing after it is a step of its own.
    SealUndoStep(doc);
    if (!doc.FileOpen || doc.Store.FileSize() == 0) return PaneClickCell(doc, col, row);
    const TAddress cursor = ByteAt(doc, CurrentAddress(doc));
    if (!PaneClickCell(doc, col, row)) return false;
    doc.View.Dragging = true;
    doc.View.DragMarked = shift;
    doc.View.DragFrom = shift ? ShiftClickAnchor(doc, cursor) : ByteAt(doc, CurrentAddress(doc));
    if (shift) MarkBetween(doc, doc.View.DragFrom, ByteAt(doc, CurrentAddress(doc)));
    return true;
}

void PaneDragToCell(TDocument& doc, int32_t col, int32_t row) {
    if (!doc.View.Dragging || !doc.FileOpen || doc.Store.FileSize() == 0) return;
    if (row < 0) {
        ScrollRows(doc, -AutoScrollRows(-row, doc.View.Rows));
        row = 0;
    } else if (row >= doc.View.Rows) {
        ScrollRows(doc, AutoScrollRows(row - doc.View.Rows + 1, doc.View.Rows));
        row = doc.View.Rows - 1;
    }
    col = std::clamp(col, 0, doc.View.Cols - 1);
    const TAddress at =
        std::min<TAddress>(doc.View.TopAddress + TAddress{row} * doc.View.Cols + col, CursorEnd(doc));
    if (at != CurrentAddress(doc)) {
        const TCell cell = AddressToCell(doc, at);
        PaneClickCell(doc, cell.Col, cell.Row);
    }
    if (!doc.View.DragMarked && ByteAt(doc, at) == doc.View.DragFrom) return;
    doc.View.DragMarked = true;
    MarkBetween(doc, doc.View.DragFrom, ByteAt(doc, at));
}

void PaneReleaseMouse(TDocument& doc) {
    doc.View.Dragging = false;
}

} // namespace Engine
