// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/editing/PaneEditing.h"

#include "engine/document/Blocks.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/text/HexText.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <algorithm>

namespace Engine {

namespace {

bool IsNavigationKey(int key) {
    return key >= PaneKey::PageUp && key <= PaneKey::Down;
}

// The keys after which typing is a step of its own (not those that type or only modify).
bool EndsTyping(int key) {
    return (key >= PaneKey::PageUp && key <= PaneKey::Down) || key == PaneKey::Backspace ||
           key == PaneKey::Tab || key == PaneKey::Enter || key == PaneKey::Escape || key == PaneKey::Insert ||
           key == PaneKey::Delete;
}

// The keys that move towards the end of the file extend a block at its end.
bool IsForwardKey(int key) {
    return key == PaneKey::PageDown || key == PaneKey::End || key == PaneKey::Right || key == PaneKey::Down;
}

// A move of the pane's own: through the select-cell check, then shown in both panes.
void MoveCursor(TDocument& doc, int32_t col, int32_t row) {
    if (PaneSelectCell(doc, col, row)) doc.Display->SelectCell(col, row);
}

// Rows of the file (or its empty cell for appending) lie below the page.
bool RowsBelow(TDocument& doc) {
    return int64_t(doc.View.TopAddress) + doc.View.PageBytes <= CursorEnd(doc);
}

// The cursor's last cell, for moves that would otherwise land past the end.
void CursorToEnd(TDocument& doc) {
    const TCell last = AddressToCell(doc, CursorEnd(doc));
    SetCursorCell(doc, last.Col, last.Row);
}

// What a grid does with a key no rule took: a row, a row end or a page of rows, within the page.
void PaneOwnMove(TDocument& doc, int key, bool ctrl) {
    int32_t col = doc.View.CursorCol;
    int32_t row = doc.View.CursorRow;
    switch (key) {
    case PaneKey::Up:
        --row;
        break;
    case PaneKey::Down:
        ++row;
        break;
    case PaneKey::Home:
        col = 0;
        if (ctrl) row = 0;
        break;
    case PaneKey::End:
        col = doc.View.Cols - 1;
        if (ctrl) row = doc.View.Rows - 1;
        break;
    case PaneKey::PageUp:
        row -= doc.View.Rows;
        break;
    case PaneKey::PageDown:
        row += doc.View.Rows;
        break;
    default:
        return;
    }
    col = std::clamp(col, 0, std::max(0, doc.View.Cols - 1));
    row = std::clamp(row, 0, std::max(0, doc.View.Rows - 1));
    if (col != doc.View.CursorCol || row != doc.View.CursorRow) MoveCursor(doc, col, row);
}

// Each of the key rules below says whether it took the key; a key none takes gets the pane's own move.

bool ModeKey(TDocument& doc, int key) {
    switch (key) {
    case PaneKey::Insert:
        ModusOverwrite1Click(doc);
        return true;
    case PaneKey::Tab:
        ModusText1Click(doc);
        return true;
    case PaneKey::Escape:
        DropPendingDigit(doc);
        return true;
    default:
        return false;
    }
}

bool EditingKey(TDocument& doc, int key) {
    if (doc.File.ReadOnly && (key == PaneKey::Delete || key == PaneKey::Backspace)) {
        RefuseReadOnly(doc);
        return true;
    }
    switch (key) {
    // The deletion leaves the cursor where it is; its panels must show the byte that moved under it.
    case PaneKey::Delete:
        DeleteByteAtCursor(doc);
        doc.Display->UpdateStatus();
        return true;
    case PaneKey::Backspace:
        if (CurrentAddress(doc) > 1) {
            TUndoStep step(doc, TStepName::Deletion); // before the cursor moves, so that undo puts it back
            MoveLeft(doc);
            DeleteByteAtCursor(doc);
            doc.Display->UpdateStatus();
        }
        return true;
    default:
        return false;
    }
}

// The moves at the edges of the page and of the file; inside the page the pane's own move does it.
bool NavigationKey(TDocument& doc, int key, bool ctrl) {
    switch (key) {
    case PaneKey::Right:
        MoveRight(doc);
        return true;
    case PaneKey::Left:
        MoveLeft(doc);
        return true;
    case PaneKey::Down:
        if (doc.View.CursorRow == doc.View.Rows - 1 && RowsBelow(doc)) {
            ScrollRowDown(doc);
        } else if (!RowsBelow(doc)) {
            // The next row may end left of the cursor's column: go to the last cell instead.
            const TCell last = AddressToCell(doc, CursorEnd(doc));
            if (last.Row == doc.View.CursorRow + 1 && doc.View.CursorCol > last.Col)
                SetCursorCell(doc, last.Col, last.Row);
        }
        return false;
    case PaneKey::Up:
        if (doc.View.CursorRow == 0 && doc.View.TopAddress > doc.View.Cols) ScrollRowUp(doc);
        return false;
    case PaneKey::PageDown:
        if (ctrl) {
            GoToEnd(doc);
            return true;
        }
        if (!RowsBelow(doc)) return false;
        ShowAddress(doc, doc.View.TopAddress + doc.View.PageBytes, false, false);
        if (CurrentAddress(doc) > CursorEnd(doc)) CursorToEnd(doc);
        doc.Display->UpdateStatus();
        return true;
    case PaneKey::PageUp:
        if (ctrl) {
            GoToStart(doc);
            return true;
        }
        if (doc.View.TopAddress <= 1) return false;
        ShowAddress(doc, std::max<TAddress>(1, doc.View.TopAddress - doc.View.PageBytes), false, false);
        doc.Display->UpdateStatus();
        return true;
    case PaneKey::End:
        if (!RowsBelow(doc)) {
            // The pane's own End follows and is refused past the end, so the cursor ends on the last cell.
            const TCell last = AddressToCell(doc, CursorEnd(doc));
            if (ctrl)
                SetCursorCell(doc, last.Col, last.Row);
            else if (doc.View.CursorRow == last.Row)
                SetCursorCol(doc, last.Col);
        }
        return false;
    default:
        return false;
    }
}

} // namespace

void PaneKeyDown(TDocument& doc, int& key, unsigned shift) {
    if (EndsTyping(key)) SealUndoStep(doc);
    if (!doc.FileOpen || doc.Store.FileSize() == 0) {
        // An empty file (or none) has no cell to move to and no byte to mark or delete: only the modes act.
        if (ModeKey(doc, key)) key = 0;
        return;
    }
    if (shift & ssShift) {
        if (key == PaneKey::Shift && BlockComplete(doc))
            UnmarkBlock(doc);
        else if (IsNavigationKey(key))
            MarkBlock(doc, true, IsForwardKey(key));
    }
    const bool ctrl = shift & ssCtrl;
    if (ModeKey(doc, key) || EditingKey(doc, key) || NavigationKey(doc, key, ctrl))
        key = 0;
    else
        PaneOwnMove(doc, key, ctrl);
}

void PaneKeyUp(TDocument& doc, int key, unsigned shift) {
    if (!doc.FileOpen || doc.Store.FileSize() == 0 || !(shift & ssShift)) return;
    // After the move: the block grows or shrinks to the cursor's new byte.
    if (IsNavigationKey(key)) MarkBlock(doc, true, IsForwardKey(key));
}

void PaneKeyPress(TDocument& doc, uint8_t character) {
    if (!doc.FileOpen) return;
    // A read-only file answers a key that would type with a beep and a note.
    if (doc.File.ReadOnly && (doc.App.TextMode ? character >= 32 : IsHexDigit(char(character)))) {
        RefuseReadOnly(doc);
        return;
    }
    if (doc.App.TextMode) {
        // Control characters act through their keys in key-down.
        if (character >= 32) TypeByte(doc, character);
        return;
    }
    if (!IsHexDigit(char(character))) return;
    const int digit = HexDigitValue(char(character));
    if (doc.View.PendingDigit >= 0) {
        TypeByte(doc, uint8_t(16 * doc.View.PendingDigit + digit));
    } else {
        // The first digit waits in the cell for its second.
        doc.View.PendingDigit = digit;
        doc.Display->RefreshCell(doc.View.CursorCol, doc.View.CursorRow);
    }
}

bool PaneSelectCell(TDocument& doc, int32_t col, int32_t row) {
    // Cells past the end of the file are never selected (in an empty file none is).
    if (!doc.FileOpen ||
        int64_t(doc.View.TopAddress) + int64_t(row) * doc.View.Cols + col > CursorEnd(doc))
        return false;
    DropPendingDigit(doc);
    doc.View.CursorCol = col;
    doc.View.CursorRow = row;
    doc.Display->UpdateStatus();
    return true;
}

bool PaneClickCell(TDocument& doc, int32_t col, int32_t row) {
    if (!PaneSelectCell(doc, col, row)) return false;
    doc.Display->SelectCell(col, row);
    return true;
}

void TypeByte(TDocument& doc, uint8_t b) {
    TUndoStep step(doc, TStepName::Typing);
    const TAddress a = CurrentAddress(doc);
    doc.View.PendingDigit = -1;
    if (doc.Store.FileSize() == 0) {
        doc.Store.Insert(1, std::span(&b, 1));
        RecordChange(doc, 1, {}, 1);
        doc.View.BottomAddress = 1;
        doc.Display->RefreshCell(doc.View.CursorCol, doc.View.CursorRow);
    } else if (doc.App.OverwriteMode) {
        if (!RecordStoreChange(doc, a, 1, 1)) return;
        doc.Store.WriteByte(a, b);
        doc.Display->RefreshCell(doc.View.CursorCol, doc.View.CursorRow);
    } else {
        const bool inserted = InsertByteAtCursor(doc, b);
        RefillPanes(doc, doc.View.CursorCol, doc.View.CursorRow);
        // Without memory the file, the cursor, the block and Modified all stay as they were.
        if (!inserted) return;
    }
    // The character panel and the scroll range show the new byte even where the cursor cannot move on.
    doc.Display->UpdateStatus();
    doc.Modified = true;
    if (!doc.App.OverwriteMode) DropBlockIfAffected(doc, a);
    // The cursor moves on as Right moves it (at its last cell it stays). This runs before any key that is
    // already queued, so fast typing never writes two bytes into one cell.
    MoveRight(doc);
}

void SetCursorCol(TDocument& doc, int32_t col) {
    MoveCursor(doc, col, doc.View.CursorRow);
    doc.Display->UpdateStatus();
}

void ScrollRowDown(TDocument& doc) {
    // Callers check RowsBelow(doc), so the new top row exists; it may hold only the cell for appending.
    doc.View.TopAddress += doc.View.Cols;
    doc.View.BottomAddress =
        std::min(doc.View.TopAddress + doc.View.PageBytes - 1, doc.Store.FileSize());
    RefillPanes(doc, 0, 0);
    // The end lies on the page here, so its column fits a cell's int32_t.
    if (CurrentAddress(doc) > CursorEnd(doc))
        SetCursorCol(doc, static_cast<int32_t>(CursorEnd(doc) - doc.View.TopAddress -
                                          doc.View.CursorRow * doc.View.Cols));
    doc.Display->UpdateStatus();
}

void ScrollRowUp(TDocument& doc) {
    doc.View.TopAddress -= doc.View.Cols;
    ShowAddress(doc, doc.View.TopAddress, false, false);
    doc.Display->UpdateStatus();
}

void ScrollRows(TDocument& doc, int32_t rows) {
    if (!doc.FileOpen || doc.Store.FileSize() == 0) return;
    for (; rows > 0 && RowsBelow(doc); --rows)
        ScrollRowDown(doc);
    for (; rows < 0 && doc.View.TopAddress > doc.View.Cols; ++rows)
        ScrollRowUp(doc);
}

void MoveRight(TDocument& doc) {
    if (CurrentAddress(doc) >= CursorEnd(doc)) return;
    if (doc.View.CursorCol < doc.View.Cols - 1) {
        MoveCursor(doc, doc.View.CursorCol + 1, doc.View.CursorRow);
    } else if (doc.View.CursorRow < doc.View.Rows - 1) {
        MoveCursor(doc, 0, doc.View.CursorRow + 1);
    } else {
        ScrollRowDown(doc);
        SetCursorCol(doc, 0);
    }
}

void MoveLeft(TDocument& doc) {
    if (doc.View.CursorCol > 0) {
        MoveCursor(doc, doc.View.CursorCol - 1, doc.View.CursorRow);
    } else if (doc.View.CursorRow > 0) {
        MoveCursor(doc, doc.View.Cols - 1, doc.View.CursorRow - 1);
    } else if (doc.View.TopAddress > doc.View.Cols) {
        ScrollRowUp(doc);
        SetCursorCol(doc, doc.View.Cols - 1);
    }
}

void ModusText1Click(TDocument& doc) {
    doc.App.TextMode = !doc.App.TextMode;
    doc.Display->TextModeChanged();
}

void ModusOverwrite1Click(TDocument& doc) {
    doc.App.OverwriteMode = !doc.App.OverwriteMode;
    // Overwriting has no cell after the last byte.
    if (doc.FileOpen && CurrentAddress(doc) > CursorEnd(doc)) ShowAddress(doc, CursorEnd(doc), true, true);
    doc.Display->OverwriteModeChanged();
}

void SetPageDimensions(TDocument& doc, int32_t cols, int32_t rows) {
    // The cursor's byte stays under the cursor, and its page stays in view.
    const TView view{doc.View.TopAddress, CurrentAddress(doc)};
    doc.View.Cols = cols;
    doc.View.Rows = rows;
    doc.View.PageBytes = cols * rows;
    if (doc.FileOpen) {
        DropPendingDigit(doc);
        ShowView(doc, view);
    } else {
        doc.View.TopAddress = 1;
        doc.View.CursorCol = 0;
        doc.View.CursorRow = 0;
        doc.Display->SelectCell(0, 0);
    }
}

} // namespace Engine
