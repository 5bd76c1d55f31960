// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// What the keyboard and the mouse do in the panes: moving the cursor (the view scrolls a row or a page when
// the cursor leaves the page), Shift selection, typing bytes in either pane and mode, Delete and Backspace,
// and the pane and mode switches. The window turns its key events into these key numbers and calls here;
// it only draws what the engine asks for.
namespace Engine {

class TDocument;

// The key numbers: the virtual-key codes the editor was designed with. Letters and digits keep their
// character codes; F1..F24 count from 112.
namespace PaneKey {
inline constexpr int Backspace = 8, Tab = 9, Enter = 13, Shift = 16, Control = 17, Alt = 18, Escape = 27,
                     Space = 32, PageUp = 33, PageDown = 34, End = 35, Home = 36, Left = 37, Up = 38,
                     Right = 39, Down = 40, Insert = 45, Delete = 46, F1 = 112;
inline constexpr int Other = 255; // a key without a number of its own
} // namespace PaneKey

// Modifier bits of a key.
enum TShiftState : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };

// A key went down in the active pane. Sets key to 0 when a rule took the key; otherwise the pane's own move
// follows here too (Up, Down, Home, End, PgUp, PgDn within the page, never past the end).
void PaneKeyDown(TDocument& doc, int& key, unsigned shift);
void PaneKeyUp(TDocument& doc, int key, unsigned shift);
// A character typed in the active pane: one Windows-1252 byte.
void PaneKeyPress(TDocument& doc, uint8_t character);
// A click on a cell of the active pane. False when the cell lies past the end of the file.
bool PaneClickCell(TDocument& doc, int32_t col, int32_t row);
// The select-cell check every move passes: cells past the end are refused; an accepted move drops a
// pending hex digit and becomes the cursor.
bool PaneSelectCell(TDocument& doc, int32_t col, int32_t row);

// Store one typed byte at the cursor, then move on as Right does.
void TypeByte(TDocument& doc, uint8_t b);
// The cursor to another column of its row, through the select-cell check.
void SetCursorCol(TDocument& doc, int32_t col);
// The view one row down or up; the cursor keeps its cell.
void ScrollRowDown(TDocument& doc);
void ScrollRowUp(TDocument& doc);
// The mouse wheel: rows > 0 scrolls towards the end, as far as the file goes.
void ScrollRows(TDocument& doc, int32_t rows);
// One cell on or back, as Right and Left move, scrolling a row at the page's edge; never past the cursor's
// last cell nor before the first byte. Typing and Backspace move by these too, without marking a block.
void MoveRight(TDocument& doc);
void MoveLeft(TDocument& doc);

void ModusText1Click(TDocument& doc);
void ModusOverwrite1Click(TDocument& doc);

// The page size of the panes; the cursor stays on its byte and in view.
void SetPageDimensions(TDocument& doc, int32_t cols, int32_t rows);

} // namespace Engine
