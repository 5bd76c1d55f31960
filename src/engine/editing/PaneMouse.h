// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The mouse in the panes. A press in the pane that is not active makes it the active one first, as a click
// elsewhere on the desktop picks what it lands on; then a press on a cell moves the cursor there; dragging
// with the button held marks the block from the byte where it went down to the byte under the pointer, so a
// click alone marks nothing. Shift+click marks from the block's anchor (the end the user did not move last;
// without a block, the cursor) to the clicked byte, and a drag goes on from there.
namespace Engine {

class TDocument;

// The left button went down on a cell of the text pane or the hex pane (with shift: Shift+click). False
// when the cell lies past the end.
bool PanePressCell(TDocument& doc, bool textPane, int32_t col, int32_t row, bool shift);
// The pointer is over a cell while the button is held. A row above or below the page (-1 and less, Rows and
// more) scrolls the view first, the further away the faster (see AutoScrollRows); a column outside the page
// counts as its edge.
void PaneDragToCell(TDocument& doc, int32_t col, int32_t row);
void PaneReleaseMouse(TDocument& doc);

// The rows one step of auto-scroll moves with the pointer rowsPast rows beyond the page's edge (1 for the row
// just outside): grows with the distance, as desktop lists do, and never by more than a page.
int32_t AutoScrollRows(int32_t rowsPast, int32_t pageRows);

} // namespace Engine
