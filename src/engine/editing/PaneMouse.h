// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The mouse in the active pane. A press on a cell moves the cursor there; dragging with the button held
// marks the block from the byte where it went down to the byte under the pointer, so a click alone marks
// nothing. Shift+click marks from the cursor to the clicked byte, and a drag goes on from there.
namespace Engine {

// The left button went down on a cell (with shift: Shift+click). False when the cell lies past the end.
bool PanePressCell(int32_t col, int32_t row, bool shift);
// The pointer is over a cell while the button is held. A row above or below the page (-1, Rows) scrolls
// the view a row first; a column outside the page counts as its edge.
void PaneDragToCell(int32_t col, int32_t row);
void PaneReleaseMouse();

} // namespace Engine
