// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/View.h"

#include "engine/store/ByteStore.h"
#include "engine/document/EngineState.h"

#include <algorithm>

namespace Engine {

TAddress CurrentAddress() {
    return Doc().View.CursorRow * Doc().View.Cols + Doc().View.TopAddress + Doc().View.CursorCol;
}

TAddress CursorEnd() {
    return OverwriteMode ? std::max<TAddress>(Doc().Store.FileSize(), 1) : Doc().Store.FileSize() + 1;
}

namespace {

// The top address of the last page that shows address end, its rows aligned to whole rows.
TAddress LastPageTop(TAddress end) {
    if (end <= Doc().View.PageBytes) return 1;
    TAddress top = end - Doc().View.PageBytes + 1;
    const auto r = static_cast<int32_t>(end % Doc().View.Cols);
    if (r != 0) top += Doc().View.Cols - r;
    return top;
}

} // namespace

void ShowAddress(TAddress address, bool placeCursor, bool onlyIfOutside) {
    if (!Doc().FileOpen || !Doc().Store.HasBuffer()) return;
    address = std::clamp<TAddress>(address, 1, CursorEnd());
    // Recomputed, not only lowered: a file that grew on a partial page must show its new bytes.
    Doc().View.BottomAddress =
        std::min(Doc().View.TopAddress + Doc().View.PageBytes - 1, Doc().Store.FileSize());
    if (!onlyIfOutside || address < Doc().View.TopAddress ||
        address > Doc().View.TopAddress + Doc().View.PageBytes - 1) {
        // The last page only when the address lies on it; otherwise its row becomes the top row. The empty
        // cell after the last byte may need a row of its own below it.
        const TAddress end = std::max(address, Doc().Store.FileSize());
        if (address >= LastPageTop(end)) {
            Doc().View.TopAddress = LastPageTop(end);
            Doc().View.BottomAddress = Doc().Store.FileSize();
        } else {
            Doc().View.TopAddress = ((address - 1) / Doc().View.Cols) * Doc().View.Cols + 1;
            Doc().View.BottomAddress =
                std::min(Doc().View.TopAddress + Doc().View.PageBytes - 1, Doc().Store.FileSize());
        }
    }
    if (placeCursor) {
        TCell cell = AddressToCell(address);
        SetCursorCell(cell.Col, cell.Row);
    }
    RefillPanes(0, 0);
}

void ShowView(TView view) {
    if (!Doc().FileOpen || !Doc().Store.HasBuffer()) return;
    if (Doc().Store.FileSize() == 0) {
        ShowAddress(1, true, false);
        return;
    }
    const TAddress cursor = std::clamp<TAddress>(view.Cursor, 1, CursorEnd());
    // The top on a whole row of the present width.
    const TAddress top = (std::max<TAddress>(view.Top, 1) - 1) / Doc().View.Cols * Doc().View.Cols + 1;
    if (top <= cursor && cursor - top < Doc().View.PageBytes) {
        Doc().View.TopAddress = top;
        Doc().View.BottomAddress = std::min<TAddress>(top + Doc().View.PageBytes - 1, Doc().Store.FileSize());
        SetCursorCell(static_cast<int32_t>((cursor - top) % Doc().View.Cols),
                      static_cast<int32_t>((cursor - top) / Doc().View.Cols));
        RefillPanes(0, 0);
    } else {
        ShowAddress(cursor, true, false);
    }
}

void ScrollToEnd() {
    Doc().View.BottomAddress = Doc().Store.FileSize();
    Doc().View.TopAddress = LastPageTop(Doc().Store.FileSize());
}

void GoToStart() {
    ShowAddress(1, true, false);
    SetCursorCell(0, 0);
}

void GoToEnd() {
    ScrollToEnd();
    ShowAddress(Doc().View.BottomAddress, true, false);
    TCell cell = AddressToCell(Doc().View.BottomAddress);
    SetCursorCell(cell.Col, cell.Row);
}

TCell AddressToCell(TAddress address) {
    if (Doc().View.TopAddress < address && address - Doc().View.TopAddress < Doc().View.PageBytes)
        // On the page, so the offset is below PageBytes and fits a cell's int32_t.
        return {static_cast<int32_t>((address - Doc().View.TopAddress) % Doc().View.Cols),
                static_cast<int32_t>((address - Doc().View.TopAddress) / Doc().View.Cols)};
    return {0, 0};
}

void SetCursorCell(int32_t col, int32_t row) {
    // A pending hex digit belongs to the cell it was typed in.
    if (col != Doc().View.CursorCol || row != Doc().View.CursorRow) DropPendingDigit();
    Host->SelectCell(col, row);
    Doc().View.CursorCol = col;
    Doc().View.CursorRow = row;
    Host->UpdateStatus();
}

void RefillPanes(int32_t col, int32_t row) {
    if (Doc().View.PendingDigit >= 0 &&
        int64_t(Doc().View.CursorRow) * Doc().View.Cols + Doc().View.CursorCol >=
            int64_t(row) * Doc().View.Cols + col)
        Doc().View.PendingDigit = -1;
    Host->RefreshPanes(col, row);
}

void DropPendingDigit() {
    if (Doc().View.PendingDigit < 0) return;
    Doc().View.PendingDigit = -1;
    Host->RefreshCell(Doc().View.CursorCol, Doc().View.CursorRow);
}

} // namespace Engine
