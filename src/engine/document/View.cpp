// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/View.h"

#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"

#include <algorithm>

namespace Engine {

TAddress CurrentAddress(TDocument& doc) {
    return doc.View.CursorRow * doc.View.Cols + doc.View.TopAddress + doc.View.CursorCol;
}

TAddress CursorEnd(TDocument& doc) {
    return doc.App.OverwriteMode ? std::max<TAddress>(doc.Store.FileSize(), 1) : doc.Store.FileSize() + 1;
}

namespace {

// The top address of the last page that shows address end, its rows aligned to whole rows.
TAddress LastPageTop(TDocument& doc, TAddress end) {
    if (end <= doc.View.PageBytes) return 1;
    TAddress top = end - doc.View.PageBytes + 1;
    const auto r = static_cast<int32_t>(end % doc.View.Cols);
    if (r != 0) top += doc.View.Cols - r;
    return top;
}

} // namespace

void ShowAddress(TDocument& doc, TAddress address, bool placeCursor, bool onlyIfOutside) {
    if (!doc.FileOpen) return;
    address = std::clamp<TAddress>(address, 1, CursorEnd(doc));
    // Recomputed, not only lowered: a file that grew on a partial page must show its new bytes.
    doc.View.BottomAddress =
        std::min(doc.View.TopAddress + doc.View.PageBytes - 1, doc.Store.FileSize());
    if (!onlyIfOutside || address < doc.View.TopAddress ||
        address > doc.View.TopAddress + doc.View.PageBytes - 1) {
        // The last page only when the address lies on it; otherwise its row becomes the top row. The empty
        // cell after the last byte may need a row of its own below it.
        const TAddress end = std::max(address, doc.Store.FileSize());
        if (address >= LastPageTop(doc, end)) {
            doc.View.TopAddress = LastPageTop(doc, end);
            doc.View.BottomAddress = doc.Store.FileSize();
        } else {
            doc.View.TopAddress = ((address - 1) / doc.View.Cols) * doc.View.Cols + 1;
            doc.View.BottomAddress =
                std::min(doc.View.TopAddress + doc.View.PageBytes - 1, doc.Store.FileSize());
        }
    }
    if (placeCursor) {
        TCell cell = AddressToCell(doc, address);
        SetCursorCell(doc, cell.Col, cell.Row);
    }
    RefillPanes(doc, 0, 0);
}

void ShowView(TDocument& doc, TView view) {
    if (!doc.FileOpen) return;
    if (doc.Store.FileSize() == 0) {
        ShowAddress(doc, 1, true, false);
        return;
    }
    const TAddress cursor = std::clamp<TAddress>(view.Cursor, 1, CursorEnd(doc));
    // The top on a whole row of the present width.
    const TAddress top = (std::max<TAddress>(view.Top, 1) - 1) / doc.View.Cols * doc.View.Cols + 1;
    if (top <= cursor && cursor - top < doc.View.PageBytes) {
        doc.View.TopAddress = top;
        doc.View.BottomAddress = std::min<TAddress>(top + doc.View.PageBytes - 1, doc.Store.FileSize());
        SetCursorCell(doc, static_cast<int32_t>((cursor - top) % doc.View.Cols),
                      static_cast<int32_t>((cursor - top) / doc.View.Cols));
        RefillPanes(doc, 0, 0);
    } else {
        ShowAddress(doc, cursor, true, false);
    }
}

void ScrollToEnd(TDocument& doc) {
    doc.View.BottomAddress = doc.Store.FileSize();
    doc.View.TopAddress = LastPageTop(doc, doc.Store.FileSize());
}

void GoToStart(TDocument& doc) {
    ShowAddress(doc, 1, true, false);
    SetCursorCell(doc, 0, 0);
}

void GoToEnd(TDocument& doc) {
    ScrollToEnd(doc);
    ShowAddress(doc, doc.View.BottomAddress, true, false);
    TCell cell = AddressToCell(doc, doc.View.BottomAddress);
    SetCursorCell(doc, cell.Col, cell.Row);
}

TCell AddressToCell(TDocument& doc, TAddress address) {
    if (doc.View.TopAddress < address && address - doc.View.TopAddress < doc.View.PageBytes)
        // On the page, so the offset is below PageBytes and fits a cell's int32_t.
        return {static_cast<int32_t>((address - doc.View.TopAddress) % doc.View.Cols),
                static_cast<int32_t>((address - doc.View.TopAddress) / doc.View.Cols)};
    return {0, 0};
}

void SetCursorCell(TDocument& doc, int32_t col, int32_t row) {
    // A pending hex digit belongs to the cell it was typed in.
    if (col != doc.View.CursorCol || row != doc.View.CursorRow) DropPendingDigit(doc);
    doc.Display->SelectCell(col, row);
    doc.View.CursorCol = col;
    doc.View.CursorRow = row;
    doc.Display->UpdateStatus();
}

void RefillPanes(TDocument& doc, int32_t col, int32_t row) {
    if (doc.View.PendingDigit >= 0 &&
        int64_t(doc.View.CursorRow) * doc.View.Cols + doc.View.CursorCol >=
            int64_t(row) * doc.View.Cols + col)
        doc.View.PendingDigit = -1;
    doc.Display->RefreshPanes(col, row);
}

void DropPendingDigit(TDocument& doc) {
    if (doc.View.PendingDigit < 0) return;
    doc.View.PendingDigit = -1;
    doc.Display->RefreshCell(doc.View.CursorCol, doc.View.CursorRow);
}

} // namespace Engine
