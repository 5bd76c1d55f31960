#include "engine/PaneEditing.h"

#include "engine/Blocks.h"
#include "engine/ByteStore.h"
#include "engine/Editing.h"
#include "engine/EngineState.h"
#include "engine/HexText.h"
#include "engine/Undo.h"

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

// What a grid does with a key nobody consumed: one cell, a row end or a page of rows, within the page;
// Left at a row start and Right at a row end continue on the neighbouring row.
void PaneOwnMove(int key, unsigned shift) {
    const bool ctrl = shift & ssCtrl;
    const int32_t oldCol = CursorCol;
    const int32_t oldRow = CursorRow;
    int32_t col = CursorCol;
    int32_t row = CursorRow;
    switch (key) {
    case PaneKey::Left:
        --col;
        break;
    case PaneKey::Right:
        ++col;
        break;
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
        col = Cols - 1;
        if (ctrl) row = Rows - 1;
        break;
    case PaneKey::PageUp:
        row -= Rows;
        break;
    case PaneKey::PageDown:
        row += Rows;
        break;
    default:
        return;
    }
    col = std::clamp(col, 0, std::max(0, Cols - 1));
    row = std::clamp(row, 0, std::max(0, Rows - 1));
    if (col != CursorCol || row != CursorRow) MoveCursor(col, row);
    if (key == PaneKey::Left && oldCol == 0 && oldRow > 0)
        MoveCursor(Cols - 1, oldRow - 1);
    else if (key == PaneKey::Right && oldCol == Cols - 1 && oldRow < Rows - 1)
        MoveCursor(0, oldRow + 1);
}

// An empty file (or none) has no cell to move to and no byte to mark or delete.
void EmptyFileKeyDown(int& key) {
    if (key == PaneKey::Escape && !TextMode) {
        DropPendingDigit();
    } else if (key == PaneKey::Tab) {
        ModusText1Click();
        key = 0;
    } else if (key == PaneKey::Insert) {
        ModusOverwrite1Click();
    }
}

// Rows of the file (or its empty cell for appending) lie below the page.
bool RowsBelow() {
    return int64_t(TopAddress) + PageBytes <= CursorEnd();
}

// The cursor's last cell, for moves that would otherwise land past the end.
void CursorToEnd() {
    const TCell last = AddressToCell(CursorEnd());
    SetCursorCell(last.Col, last.Row);
}

// The rules that act before the pane's own move; a consumed key is set to 0.
void DispatchKey(int& key, bool ctrl) {
    switch (key) {
    case PaneKey::Insert:
        ModusOverwrite1Click();
        break;
    case PaneKey::Tab:
        ModusText1Click();
        key = 0;
        break;
    case PaneKey::Down:
        if (CursorRow == Rows - 1 && RowsBelow()) {
            ScrollRowDown();
        } else if (!RowsBelow()) {
            // The next row may end left of the cursor's column: go to the last cell instead.
            const TCell last = AddressToCell(CursorEnd());
            if (last.Row == CursorRow + 1 && CursorCol > last.Col) SetCursorCell(last.Col, last.Row);
        }
        break;
    case PaneKey::Up:
        if (CursorRow == 0 && TopAddress > Cols) ScrollRowUp();
        break;
    case PaneKey::Right:
        if (CursorCol == Cols - 1 && CursorRow == Rows - 1 && RowsBelow()) {
            ScrollRowDown();
            SetCursorCol(0);
            key = 0;
        } else if (CurrentAddress() >= CursorEnd()) {
            key = 0;
        }
        break;
    case PaneKey::Left:
        if (CursorCol == 0 && CursorRow == 0 && TopAddress > Cols) {
            ScrollRowUp();
            SetCursorCol(Cols - 1);
            key = 0;
        }
        break;
    case PaneKey::PageDown:
        if (ctrl) {
            GoToEnd();
            key = 0;
        } else if (RowsBelow()) {
            ShowAddress(TopAddress + PageBytes, false, false);
            if (CurrentAddress() > CursorEnd()) CursorToEnd();
            Host->UpdateStatus();
            key = 0;
        }
        break;
    case PaneKey::PageUp:
        if (ctrl && TopAddress >= 1) {
            GoToStart();
            key = 0;
        } else if (TopAddress > 1) {
            ShowAddress(std::max(1, TopAddress - PageBytes), false, false);
            Host->UpdateStatus();
            key = 0;
        }
        break;
    case PaneKey::End:
        if (!RowsBelow()) {
            // The pane's own End follows and is refused past the end, so the cursor ends on the last cell.
            const TCell last = AddressToCell(CursorEnd());
            if (ctrl)
                SetCursorCell(last.Col, last.Row);
            else if (CursorRow == last.Row)
                SetCursorCol(last.Col);
        }
        break;
    case PaneKey::Escape:
        DropPendingDigit();
        break;
    // The deletion leaves the cursor where it is; its panels must show the byte that moved under it.
    case PaneKey::Delete:
        DeleteByteAtCursor();
        Host->UpdateStatus();
        break;
    case PaneKey::Backspace:
        if (CurrentAddress() > 1) {
            TUndoStep step(TStepName::Deletion); // before the cursor moves, so that undo puts it back
            SendPaneKey(PaneKey::Left);
            DeleteByteAtCursor();
            Host->UpdateStatus();
        }
        break;
    default:
        break;
    }
}

} // namespace

void PaneKeyDown(int& key, unsigned shift) {
    HeldShift = shift;
    if (!SyntheticKey && EndsTyping(key)) SealUndoStep();
    if (!FileOpen || FileSize == 0) {
        EmptyFileKeyDown(key);
        return;
    }
    // Shift selection; the program's own keys never mark.
    if ((shift & ssShift) && !SyntheticKey) {
        if (key == PaneKey::Shift && BlockComplete())
            UnmarkBlock();
        else if (IsNavigationKey(key))
            MarkBlock(true, IsForwardKey(key));
    }
    DispatchKey(key, shift & ssCtrl);
    SyntheticKey = false;
    if (key != 0) PaneOwnMove(key, shift);
}

void PaneKeyUp(int key, unsigned shift) {
    HeldShift = shift;
    if (!FileOpen || FileSize == 0 || !(shift & ssShift)) return;
    // After the move: the block grows or shrinks to the cursor's new byte.
    if (IsNavigationKey(key)) MarkBlock(true, IsForwardKey(key));
}

void PaneKeyPress(uint8_t character) {
    if (!FileOpen) return;
    if (TextMode) {
        // Control characters act through their keys in key-down.
        if (character >= 32) TypeByte(character);
        return;
    }
    if (!IsHexDigit(char(character))) return;
    const int digit = HexDigitValue(char(character));
    if (PendingDigit >= 0) {
        TypeByte(uint8_t(16 * PendingDigit + digit));
    } else {
        // The first digit waits in the cell for its second.
        PendingDigit = digit;
        Host->RefreshCell(CursorCol, CursorRow);
    }
}

bool PaneSelectCell(int32_t col, int32_t row) {
    // Cells past the end of the file are never selected (in an empty file none is).
    if (!FileOpen || int64_t(TopAddress) + int64_t(row) * Cols + col > CursorEnd()) return false;
    DropPendingDigit();
    CursorCol = col;
    CursorRow = row;
    Host->UpdateStatus();
    return true;
}

bool PaneClickCell(int32_t col, int32_t row) {
    if (!PaneSelectCell(col, row)) return false;
    Host->SelectCell(col, row);
    return true;
}

void DropPendingDigit() {
    if (PendingDigit < 0) return;
    PendingDigit = -1;
    Host->RefreshCell(CursorCol, CursorRow);
}

void TypeByte(uint8_t b) {
    TUndoStep step(TStepName::Typing);
    const int32_t a = CurrentAddress();
    PendingDigit = -1;
    if (FileSize == 0) {
        WriteByte(1, b);
        FileSize = 1;
        RecordChange(1, {}, 1);
        BottomAddress = 1;
        Host->RefreshCell(CursorCol, CursorRow);
    } else if (OverwriteMode) {
        RecordChange(a, {FileBuffer + a - 1, 1}, 1);
        WriteByte(a, b);
        Host->RefreshCell(CursorCol, CursorRow);
    } else {
        const bool inserted = InsertByteAtCursor(b);
        RefillPanes(CursorCol, CursorRow);
        // Without memory the file, the cursor, the block and Modified all stay as they were.
        if (!inserted) return;
    }
    // The character panel and the scroll range show the new byte even where the cursor cannot move on.
    Host->UpdateStatus();
    Modified = true;
    if (!OverwriteMode) DropBlockIfAffected(a);
    // The cursor moves on by the Right rules (at the last byte it stays). This runs before any key that
    // is already queued, so fast typing never writes two bytes into one cell.
    SendPaneKey(PaneKey::Right);
}

void SetCursorCol(int32_t col) {
    MoveCursor(col, CursorRow);
    Host->UpdateStatus();
}

void ScrollRowDown() {
    // Callers check RowsBelow(), so the new top row exists; it may hold only the cell for appending.
    TopAddress += Cols;
    BottomAddress = std::min(TopAddress + PageBytes - 1, FileSize);
    RefillPanes(0, 0);
    if (CurrentAddress() > CursorEnd()) SetCursorCol(CursorEnd() - TopAddress - CursorRow * Cols);
    Host->UpdateStatus();
}

void ScrollRowUp() {
    TopAddress -= Cols;
    ShowAddress(TopAddress, false, false);
    Host->UpdateStatus();
}

void ScrollRows(int32_t rows) {
    if (!FileOpen || FileSize == 0) return;
    for (; rows > 0 && RowsBelow(); --rows)
        ScrollRowDown();
    for (; rows < 0 && TopAddress > Cols; ++rows)
        ScrollRowUp();
}

void SendPaneKey(int key) {
    SyntheticKey = true;
    PaneKeyDown(key, HeldShift);
}

void ModusText1Click() {
    TextMode = !TextMode;
    Host->TextModeChanged();
}

void ModusOverwrite1Click() {
    OverwriteMode = !OverwriteMode;
    // Overwriting has no cell after the last byte.
    if (FileOpen && CurrentAddress() > CursorEnd()) ShowAddress(CursorEnd(), true, true);
    Host->OverwriteModeChanged();
}

void SetPageDimensions(int32_t cols, int32_t rows) {
    Cols = cols;
    Rows = rows;
    PageBytes = cols * rows;
    if (FileOpen) {
        GoToStart();
    } else {
        TopAddress = 1;
        CursorCol = 0;
        CursorRow = 0;
        Host->SelectCell(0, 0);
    }
}

} // namespace Engine
