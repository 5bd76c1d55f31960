// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstdint>

// The page of the file the panes show, and the cursor on it.
namespace Engine {

class TDocument;

TAddress CurrentAddress(TDocument& doc);
// The last address the cursor may stand on: in insert mode the empty cell after the last byte, where
// typing appends; in overwrite mode the last byte (an empty file has its one empty cell).
TAddress CursorEnd(TDocument& doc);
// The address is taken within 1..CursorEnd().
void ShowAddress(TDocument& doc, TAddress address, bool placeCursor, bool onlyIfOutside);
// The cursor back on its byte with the page as it was, as near as the page's present size allows.
void ShowView(TDocument& doc, TView view);
void ScrollToEnd(TDocument& doc);
void GoToStart(TDocument& doc);
void GoToEnd(TDocument& doc);
// The cell of an address on the page shown; {0, 0} for one off the page.
TCell AddressToCell(TDocument& doc, TAddress address);
void SetCursorCell(TDocument& doc, int32_t col, int32_t row);
// Refills both panes from cell (col, row) to the end of the page; a pending hex digit in that range is gone.
void RefillPanes(TDocument& doc, int32_t col, int32_t row);
// Drops a pending hex digit and shows the byte in its cell again.
void DropPendingDigit(TDocument& doc);

} // namespace Engine
