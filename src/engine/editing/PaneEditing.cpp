// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/editing/PaneEditing.h"

#include "engine/document/Blocks.h"
#include "engine/store/ByteStore.h"
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
void MoveCursor(int32_t col, int32_t row) {
    if (PaneSelectCell(col, row)) Host->SelectCell(col, row);
}

// Rows of the file (or its empty cell for appending) lie below the page.
bool RowsBelow() {
    return int64_t(Doc().View.TopAddress) + Doc().View.PageBytes <= CursorEnd();
}

// The cursor's last cell, for moves that would otherwise land past the end.
void CursorToEnd() {
    const TCell last = AddressToCell(CursorEnd());
    SetCursorCell(last.Col, last.Row);
}

// What a grid does with a key no rule took: a row, a row end or a page of rows, within the page.
void PaneOwnMove(int key, bool ctrl) {
    int32_t col = Doc().View.CursorCol;
    int32_t row = Doc().View.CursorRow;
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
        col = Doc().View.Cols - 1;
        if (ctrl) row = Doc().View.Rows - 1;
        break;
    case PaneKey::PageUp:
        row -= Doc().View.Rows;
        break;
    case PaneKey::PageDown:
        row += Doc().View.Rows;
        break;
    default:
        return;
    }
    col = std::clamp(col, 0, std::max(0, Doc().View.Cols - 1));
    row = std::clamp(row, 0, std::max(0, Doc().View.Rows - 1));
    if (col != Doc().View.CursorCol || row != Doc().View.CursorRow) MoveCursor(col, row);
}

// Each of the key rules below says whether it took the key; a key none takes gets the pane's own move.

bool ModeKey(int key) {
    switch (key) {
    case PaneKey::Insert:
        ModusOverwrite1Click();
        return true;
    case PaneKey::Tab:
        ModusText1Click();
        return true;
    case PaneKey::Escape:
        DropPendingDigit();
        return true;
    default:
        return false;
    }
}

bool EditingKey(int key) {
    if (Doc().File.ReadOnly && (key == PaneKey::Delete || key == PaneKey::Backspace)) {
        RefuseReadOnly();
        return true;
    }
    switch (key) {
    // The deletion leaves the cursor where it is; its panels must show the byte that moved under it.
    case PaneKey::Delete:
        DeleteByteAtCursor();
        Host->UpdateStatus();
        return true;
    case PaneKey::Backspace:
        if (CurrentAddress() > 1) {
            TUndoStep step(TStepName::Deletion); // before the cursor moves, so that undo puts it back
            MoveLeft();
            DeleteByteAtCursor();
            Host->UpdateStatus();
        }
        return true;
    default:
        return false;
    }
}

// The moves at the edges of the page and of the file; inside the page the pane's own move does it.
bool NavigationKey(int key, bool ctrl) {
    switch (key) {
    case PaneKey::Right:
        MoveRight();
        return true;
    case PaneKey::Left:
        MoveLeft();
        return true;
    case PaneKey::Down:
        if (Doc().View.CursorRow == Doc().View.Rows - 1 && RowsBelow()) {
            ScrollRowDown();
        } else if (!RowsBelow()) {
            // The next row may end left of the cursor's column: go to the last cell instead.
            const TCell last = AddressToCell(CursorEnd());
            if (last.Row == Doc().View.CursorRow + 1 && Doc().View.CursorCol > last.Col)
                SetCursorCell(last.Col, last.Row);
        }
        return false;
    case PaneKey::Up:
        if (Doc().View.CursorRow == 0 && Doc().View.TopAddress > Doc().View.Cols) ScrollRowUp();
        return false;
    case PaneKey::PageDown:
        if (ctrl) {
            GoToEnd();
            return true;
        }
        if (!RowsBelow()) return false;
        ShowAddress(Doc().View.TopAddress + Doc().View.PageBytes, false, false);
        if (CurrentAddress() > CursorEnd()) CursorToEnd();
        Host->UpdateStatus();
        return true;
    case PaneKey::PageUp:
        if (ctrl) {
            GoToStart();
            return true;
        }
        if (Doc().View.TopAddress <= 1) return false;
        ShowAddress(std::max<TAddress>(1, Doc().View.TopAddress - Doc().View.PageBytes), false, false);
        Host->UpdateStatus();
        return true;
    case PaneKey::End:
        if (!RowsBelow()) {
            // The pane's own End follows and is refused past the end, so the cursor ends on the last cell.
            const TCell last = AddressToCell(CursorEnd());
            if (ctrl)
                SetCursorCell(last.Col, last.Row);
            else if (Doc().View.CursorRow == last.Row)
                SetCursorCol(last.Col);
        }
        return false;
    default:
        return false;
    }
}

} // namespace

void PaneKeyDown(int& key, unsigned shift) {
    if (EndsTyping(key)) SealUndoStep();
    if (!Doc().FileOpen || Doc().Store.FileSize() == 0) {
        // An empty file (or none) has no cell to move to and no byte to mark or delete: only the modes act.
        if (ModeKey(key)) key = 0;
        return;
    }
    if (shift & ssShift) {
        if (key == PaneKey::Shift && BlockComplete())
            UnmarkBlock();
        else if (IsNavigationKey(key))
            MarkBlock(true, IsForwardKey(key));
    }
    const bool ctrl = shift & ssCtrl;
    if (ModeKey(key) || EditingKey(key) || NavigationKey(key, ctrl))
        key = 0;
    else
        PaneOwnMove(key, ctrl);
}

void PaneKeyUp(int key, unsigned shift) {
    if (!Doc().FileOpen || Doc().Store.FileSize() == 0 || !(shift & ssShift)) return;
    // After the move: the block grows or shrinks to the cursor's new byte.
    if (IsNavigationKey(key)) MarkBlock(true, IsForwardKey(key));
}

void PaneKeyPress(uint8_t character) {
    if (!Doc().FileOpen) return;
    // A read-only file answers a key that would type with a beep and a note.
    if (Doc().File.ReadOnly && (TextMode ? character >= 32 : IsHexDigit(char(character)))) {
        RefuseReadOnly();
        return;
    }
    if (TextMode) {
        // Control characters act through their keys in key-down.
        if (character >= 32) TypeByte(character);
        return;
    }
    if (!IsHexDigit(char(character))) return;
    const int digit = HexDigitValue(char(character));
    if (Doc().View.PendingDigit >= 0) {
        TypeByte(uint8_t(16 * Doc().View.PendingDigit + digit));
    } else {
        // The first digit waits in the cell for its second.
        Doc().View.PendingDigit = digit;
        Host->RefreshCell(Doc().View.CursorCol, Doc().View.CursorRow);
    }
}

bool PaneSelectCell(int32_t col, int32_t row) {
    // Cells past the end of the file are never selected (in an empty file none is).
    if (!Doc().FileOpen ||
        int64_t(Doc().View.TopAddress) + int64_t(row) * Doc().View.Cols + col > CursorEnd())
        return false;
    DropPendingDigit();
    Doc().View.CursorCol = col;
    Doc().View.CursorRow = row;
    Host->UpdateStatus();
    return true;
}

bool PaneClickCell(int32_t col, int32_t row) {
    if (!PaneSelectCell(col, row)) return false;
    Host->SelectCell(col, row);
    return true;
}

void TypeByte(uint8_t b) {
    TUndoStep step(TStepName::Typing);
    const TAddress a = CurrentAddress();
    Doc().View.PendingDigit = -1;
    if (Doc().Store.FileSize() == 0) {
        Doc().Store.OpenGap(1, 1);
        Doc().Store.WriteByte(1, b);
        RecordChange(1, {}, 1);
        Doc().View.BottomAddress = 1;
        Host->RefreshCell(Doc().View.CursorCol, Doc().View.CursorRow);
    } else if (OverwriteMode) {
        RecordChange(a, Doc().Store.StoreRun(a, 1), 1);
        Doc().Store.WriteByte(a, b);
        Host->RefreshCell(Doc().View.CursorCol, Doc().View.CursorRow);
    } else {
        const bool inserted = InsertByteAtCursor(b);
        RefillPanes(Doc().View.CursorCol, Doc().View.CursorRow);
        // Without memory the file, the cursor, the block and Modified all stay as they were.
        if (!inserted) return;
    }
    // The character panel and the scroll range show the new byte even where the cursor cannot move on.
    Host->UpdateStatus();
    Doc().Modified = true;
    if (!OverwriteMode) DropBlockIfAffected(a);
    // The cursor moves on as Right moves it (at its last cell it stays). This runs before any key that is
    // already queued, so fast typing never writes two bytes into one cell.
    MoveRight();
}

void SetCursorCol(int32_t col) {
    MoveCursor(col, Doc().View.CursorRow);
    Host->UpdateStatus();
}

void ScrollRowDown() {
    // Callers check RowsBelow(), so the new top row exists; it may hold only the cell for appending.
    Doc().View.TopAddress += Doc().View.Cols;
    Doc().View.BottomAddress =
        std::min(Doc().View.TopAddress + Doc().View.PageBytes - 1, Doc().Store.FileSize());
    RefillPanes(0, 0);
    // The end lies on the page here, so its column fits a cell's int32_t.
    if (CurrentAddress() > CursorEnd())
        SetCursorCol(static_cast<int32_t>(CursorEnd() - Doc().View.TopAddress -
                                          Doc().View.CursorRow * Doc().View.Cols));
    Host->UpdateStatus();
}

void ScrollRowUp() {
    Doc().View.TopAddress -= Doc().View.Cols;
    ShowAddress(Doc().View.TopAddress, false, false);
    Host->UpdateStatus();
}

void ScrollRows(int32_t rows) {
    if (!Doc().FileOpen || Doc().Store.FileSize() == 0) return;
    for (; rows > 0 && RowsBelow(); --rows)
        ScrollRowDown();
    for (; rows < 0 && Doc().View.TopAddress > Doc().View.Cols; ++rows)
        ScrollRowUp();
}

void MoveRight() {
    if (CurrentAddress() >= CursorEnd()) return;
    if (Doc().View.CursorCol < Doc().View.Cols - 1) {
        MoveCursor(Doc().View.CursorCol + 1, Doc().View.CursorRow);
    } else if (Doc().View.CursorRow < Doc().View.Rows - 1) {
        MoveCursor(0, Doc().View.CursorRow + 1);
    } else {
        ScrollRowDown();
        SetCursorCol(0);
    }
}

void MoveLeft() {
    if (Doc().View.CursorCol > 0) {
        MoveCursor(Doc().View.CursorCol - 1, Doc().View.CursorRow);
    } else if (Doc().View.CursorRow > 0) {
        MoveCursor(Doc().View.Cols - 1, Doc().View.CursorRow - 1);
    } else if (Doc().View.TopAddress > Doc().View.Cols) {
        ScrollRowUp();
        SetCursorCol(Doc().View.Cols - 1);
    }
}

void ModusText1Click() {
    TextMode = !TextMode;
    Host->TextModeChanged();
}

void ModusOverwrite1Click() {
    OverwriteMode = !OverwriteMode;
    // Overwriting has no cell after the last byte.
    if (Doc().FileOpen && CurrentAddress() > CursorEnd()) ShowAddress(CursorEnd(), true, true);
    Host->OverwriteModeChanged();
}

void SetPageDimensions(int32_t cols, int32_t rows) {
    // The cursor's byte stays under the cursor, and its page stays in view.
    const TView view{Doc().View.TopAddress, CurrentAddress()};
    Doc().View.Cols = cols;
    Doc().View.Rows = rows;
    Doc().View.PageBytes = cols * rows;
    if (Doc().FileOpen) {
        DropPendingDigit();
        ShowView(view);
    } else {
        Doc().View.TopAddress = 1;
        Doc().View.CursorCol = 0;
        Doc().View.CursorRow = 0;
        Host->SelectCell(0, 0);
    }
}

} // namespace Engine
