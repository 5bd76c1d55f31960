// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/View.h"

#include "engine/store/ByteStore.h"
#include "engine/document/EngineState.h"

#include <algorithm>

namespace Engine {

TAddress CurrentAddress() {
    return CursorRow * Cols + TopAddress + CursorCol;
}

TAddress CursorEnd() {
    return OverwriteMode ? std::max<TAddress>(Store.FileSize(), 1) : Store.FileSize() + 1;
}

namespace {

// The top address of the last page that shows address end, its rows aligned to whole rows.
TAddress LastPageTop(TAddress end) {
    if (end <= PageBytes) return 1;
    TAddress top = end - PageBytes + 1;
    const auto r = static_cast<int32_t>(end % Cols);
    if (r != 0) top += Cols - r;
    return top;
}

} // namespace

void ShowAddress(TAddress address, bool placeCursor, bool onlyIfOutside) {
    if (!FileOpen || !Store.HasBuffer()) return;
    address = std::clamp<TAddress>(address, 1, CursorEnd());
    // Recomputed, not only lowered: a file that grew on a partial page must show its new bytes.
    BottomAddress = std::min(TopAddress + PageBytes - 1, Store.FileSize());
    if (!onlyIfOutside || address < TopAddress || address > TopAddress + PageBytes - 1) {
        // The last page only when the address lies on it; otherwise its row becomes the top row. The empty
        // cell after the last byte may need a row of its own below it.
        const TAddress end = std::max(address, Store.FileSize());
        if (address >= LastPageTop(end)) {
            TopAddress = LastPageTop(end);
            BottomAddress = Store.FileSize();
        } else {
            TopAddress = ((address - 1) / Cols) * Cols + 1;
            BottomAddress = std::min(TopAddress + PageBytes - 1, Store.FileSize());
        }
    }
    if (placeCursor) {
        TCell cell = AddressToCell(address);
        SetCursorCell(cell.Col, cell.Row);
    }
    RefillPanes(0, 0);
}

void ShowView(TView view) {
    if (!FileOpen || !Store.HasBuffer()) return;
    if (Store.FileSize() == 0) {
        ShowAddress(1, true, false);
        return;
    }
    const TAddress cursor = std::clamp<TAddress>(view.Cursor, 1, CursorEnd());
    // The top on a whole row of the present width.
    const TAddress top = (std::max<TAddress>(view.Top, 1) - 1) / Cols * Cols + 1;
    if (top <= cursor && cursor - top < PageBytes) {
        TopAddress = top;
        BottomAddress = std::min<TAddress>(top + PageBytes - 1, Store.FileSize());
        SetCursorCell(static_cast<int32_t>((cursor - top) % Cols), static_cast<int32_t>((cursor - top) / Cols));
        RefillPanes(0, 0);
    } else {
        ShowAddress(cursor, true, false);
    }
}

void ScrollToEnd() {
    BottomAddress = Store.FileSize();
    TopAddress = LastPageTop(Store.FileSize());
}

void GoToStart() {
    ShowAddress(1, true, false);
    SetCursorCell(0, 0);
}

void GoToEnd() {
    ScrollToEnd();
    ShowAddress(BottomAddress, true, false);
    TCell cell = AddressToCell(BottomAddress);
    SetCursorCell(cell.Col, cell.Row);
}

TCell AddressToCell(TAddress address) {
    if (TopAddress < address && address - TopAddress < PageBytes)
        // On the page, so the offset is below PageBytes and fits a cell's int32_t.
        return {static_cast<int32_t>((address - TopAddress) % Cols),
                static_cast<int32_t>((address - TopAddress) / Cols)};
    return {0, 0};
}

void SetCursorCell(int32_t col, int32_t row) {
    // A pending hex digit belongs to the cell it was typed in.
    if (col != CursorCol || row != CursorRow) DropPendingDigit();
    Host->SelectCell(col, row);
    CursorCol = col;
    CursorRow = row;
    Host->UpdateStatus();
}

void RefillPanes(int32_t col, int32_t row) {
    if (PendingDigit >= 0 && int64_t(CursorRow) * Cols + CursorCol >= int64_t(row) * Cols + col)
        PendingDigit = -1;
    Host->RefreshPanes(col, row);
}

void DropPendingDigit() {
    if (PendingDigit < 0) return;
    PendingDigit = -1;
    Host->RefreshCell(CursorCol, CursorRow);
}

} // namespace Engine
