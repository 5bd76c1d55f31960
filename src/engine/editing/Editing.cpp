// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/editing/Editing.h"

#include "engine/document/Blocks.h"
#include "engine/document/EngineState.h"
#include "engine/document/CommandEnabling.h"
#include "engine/document/HostScopes.h"
#include "engine/files/DiskWatch.h"
#include "engine/store/SystemMemory.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace Engine {

namespace {

void KeepBottomAtEnd(TDocument& doc) {
    if (doc.View.TopAddress + doc.View.PageBytes - 1 >= doc.Store.FileSize())
        doc.View.BottomAddress = doc.Store.FileSize();
}

// Deleting every byte. The file counts as changed, so that closing it asks before the edit is lost.
void EmptyWholeFile(TDocument& doc) {
    if (!ConfirmUndoable(doc, doc.Store.FileSize())) return;
    if (!RecordStoreChange(doc, 1, doc.Store.FileSize(), 0)) return;
    ClearFile(doc);
    doc.Modified = true;
}

} // namespace

bool CloseGap(TDocument& doc, TAddress address, TCount n) {
    TBusyScope busy(*doc.App.Host, Texts::DeleteBusy);
    if (n > 0 && n == doc.Store.FileSize() && address == 1) {
        ClearFile(doc);
        return true;
    }
    return doc.Store.RemoveBytes(address, n);
}

void ClearFile(TDocument& doc) {
    doc.Store.Clear();
    UnmarkBlock(doc);
    ShowAddress(doc, 1, true, false);
}

void RefuseReadOnly(TDocument& doc) {
    doc.App.Host->Beep();
    doc.App.Host->ShowStatusNote(Texts::FileIsReadOnly);
}

void ApplyUndoRule(TDocument& doc, TAddress pos) {
    const int64_t lastReplaced = static_cast<int64_t>(doc.Search.LastReplaceAddress) +
                                 static_cast<int64_t>(doc.App.SearchRequest.Replacement.size()) - 1;
    if (doc.Search.ReplaceUndoEnabled && pos <= lastReplaced) EnableReplaceUndo(doc, false);
}

bool InsertByteAtCursor(TDocument& doc, uint8_t value) {
    TBusyScope busy(*doc.App.Host, Texts::InsertBusy);
    const TAddress pos = CurrentAddress(doc);
    if (doc.Store.FileSize() >= MaxFileSize || !doc.Store.Insert(pos, std::span(&value, 1))) {
        doc.App.Host->ShowError(Texts::CantAllocate);
        return false;
    }
    RecordChange(doc, pos, {}, 1);
    KeepBottomAtEnd(doc);
    return true;
}

void DeleteByteAtCursor(TDocument& doc) {
    TUndoStep step(doc, TStepName::Deletion);
    const TAddress pos = CurrentAddress(doc);
    if (doc.Store.FileSize() == 0 || pos > doc.Store.FileSize()) return;
    if (doc.Store.FileSize() == 1) {
        EmptyWholeFile(doc);
        return;
    }
    {
        TBusyScope busy(*doc.App.Host, Texts::DeleteBusy);
        ApplyUndoRule(doc, pos);
        if (!RecordStoreChange(doc, pos, 1, 0)) return;
        doc.Store.RemoveBytes(pos, 1);
        KeepBottomAtEnd(doc);
        doc.Modified = true;
        RefillPanes(doc, doc.View.CursorCol, doc.View.CursorRow);
        if (pos > CursorEnd(doc)) ShowAddress(doc, CursorEnd(doc), true, true);
    }
    DropBlockIfAffected(doc, pos);
}

bool InsertBytesAt(TDocument& doc, TAddress address, std::span<const uint8_t> bytes) {
    if (bytes.size() > static_cast<size_t>(MaxFileSize - doc.Store.FileSize()) ||
        !MemoryFits(static_cast<int64_t>(bytes.size())) || !doc.Store.Insert(address, bytes)) {
        doc.App.Host->ShowError(Texts::CantAllocate);
        return false;
    }
    RecordChange(doc, address, {}, static_cast<TCount>(bytes.size()));
    return true;
}

bool OverwriteBytesAt(TDocument& doc, TAddress address, std::span<const uint8_t> bytes) {
    if (address < 1 || address > doc.Store.FileSize() + 1 ||
        static_cast<TCount>(bytes.size()) > doc.Store.FileSize() - address + 1) {
        doc.App.Host->ShowError(Texts::CantOverwriteBeyondEnd);
        return false;
    }
    if (!RecordStoreChange(doc, address, static_cast<TCount>(bytes.size()), static_cast<TCount>(bytes.size())))
        return false;
    doc.Store.Overwrite(address, bytes);
    return true;
}

bool CopyBlock(TDocument& doc, bool insert) {
    TBusyScope busy(*doc.App.Host, Texts::CopyBusy);
    const TAddress pos = CurrentAddress(doc);
    const TCount length = doc.Block.BlockEnd - doc.Block.BlockBegin + 1;
    // The block's pieces are shared, not copied: a copy of any size costs the same. The snapshot keeps the
    // block's bytes as they were before the target changes.
    const TStoreSnapshot before = doc.Store.Snapshot();
    if (!insert) {
        if (!RecordStoreChange(doc, pos, length, length)) return false;
        doc.Store.RemoveBytes(pos, length);
    }
    if (!doc.Store.InsertFrom(pos, before, doc.Block.BlockBegin, length)) return false;
    if (insert) RecordChange(doc, pos, {}, length);
    doc.Modified = true;
    return true;
}

bool DeleteBlock(TDocument& doc) {
    TUndoStep step(doc, TStepName::BlockDelete);
    if (doc.Block.BlockBegin == 1 && doc.Block.BlockEnd == doc.Store.FileSize()) {
        EmptyWholeFile(doc);
        return false;
    }
    if (!BlockComplete(doc)) {
        doc.App.Host->ShowError(Texts::NoBlockMarked);
        return false;
    }
    if (!ConfirmUndoable(doc, doc.Block.BlockEnd - doc.Block.BlockBegin + 1)) return false;
    EnableReplaceUndo(doc, false);
    {
        TBusyScope busy(*doc.App.Host, Texts::DeleteBusy);
        if (!RecordStoreChange(doc, doc.Block.BlockBegin, doc.Block.BlockEnd - doc.Block.BlockBegin + 1, 0))
            return false;
        CloseGap(doc, doc.Block.BlockBegin,
                 doc.Block.BlockEnd - doc.Block.BlockBegin + 1); // a failed shrink leaves the bytes right
    }
    doc.Modified = true;
    const TAddress begin = doc.Block.BlockBegin;
    UnmarkBlock(doc);
    ShowAddress(doc, begin, true, true);
    return true;
}

void DeleteFromCursor(TDocument& doc) {
    TUndoStep step(doc, TStepName::DeleteFromCursor);
    const TAddress pos = CurrentAddress(doc);
    if (doc.Store.FileSize() == 0 || pos > doc.Store.FileSize()) return;
    if (pos == 1) {
        EmptyWholeFile(doc);
    } else if (pos == doc.Store.FileSize()) {
        DeleteByteAtCursor(doc);
    } else {
        if (!ConfirmUndoable(doc, doc.Store.FileSize() - pos + 1)) return;
        ApplyUndoRule(doc, pos);
        if (!RecordStoreChange(doc, pos, doc.Store.FileSize() - pos + 1, 0)) return;
        doc.Store.RemoveBytes(pos, doc.Store.FileSize() - pos + 1);
        doc.Modified = true;
        GoToEnd(doc);
        DropBlockIfAffected(doc, pos);
    }
}

void DeleteToCursor(TDocument& doc) {
    TUndoStep step(doc, TStepName::DeleteToCursor);
    const TAddress pos = CurrentAddress(doc);
    if (doc.Store.FileSize() == 0 || pos > doc.Store.FileSize()) return;
    if (pos == doc.Store.FileSize()) {
        EmptyWholeFile(doc);
        return;
    }
    if (!ConfirmUndoable(doc, pos)) return;
    EnableReplaceUndo(doc, false);
    {
        TBusyScope busy(*doc.App.Host, Texts::DeleteBusy);
        if (!RecordStoreChange(doc, 1, pos, 0)) return;
        doc.Store.RemoveBytes(1, pos);
    }
    doc.Modified = true;
    GoToStart(doc);
    // Every byte after the cut has moved, so no block can still be right.
    if (BlockComplete(doc)) {
        doc.App.Host->ShowInfo(Texts::BlockNoLongerValid);
        UnmarkBlock(doc);
    }
    ForgetBlockPastEnd(doc);
}

void Blockmark1Click(TDocument& doc) {
    if (doc.FileOpen && doc.Store.FileSize() > 0) MarkBlock(doc, false, true);
}

void Blockunmark1Click(TDocument& doc) {
    UnmarkBlock(doc);
}

void Blockdelete1Click(TDocument& doc) {
    DeleteBlock(doc);
}

void Blockcopy1Click(TDocument& doc, TBlockCopyKind kind) {
    TUndoStep step(doc, kind == TBlockCopyKind::Copy        ? TStepName::BlockCopy
                   : kind == TBlockCopyKind::Overwrite ? TStepName::BlockOverwrite
                                                       : TStepName::BlockMove);
    const TAddress pos = CurrentAddress(doc);
    if (!BlockComplete(doc)) {
        doc.App.Host->ShowError(Texts::NoBlockMarked);
        return;
    }
    if (doc.Block.BlockBegin < pos && pos <= doc.Block.BlockEnd) {
        doc.App.Host->ShowError(Texts::CantCopyWithinBlock);
        return;
    }
    if (kind != TBlockCopyKind::Copy && pos == doc.Block.BlockBegin) {
        doc.App.Host->ShowInfo(Texts::BlockRemains);
        return;
    }
    if (kind == TBlockCopyKind::Move && pos == doc.Block.BlockEnd + 1) {
        doc.App.Host->ShowInfo(Texts::BlockRemains);
        return;
    }
    if (kind == TBlockCopyKind::Overwrite &&
        static_cast<int64_t>(pos) + doc.Block.BlockEnd - doc.Block.BlockBegin > doc.Store.FileSize()) {
        doc.App.Host->ShowError(Texts::CantOverwriteBeyondEnd);
        return;
    }
    if (kind != TBlockCopyKind::Copy && !ConfirmUndoable(doc, doc.Block.BlockEnd - doc.Block.BlockBegin + 1))
        return;
    if (!CopyBlock(doc, kind != TBlockCopyKind::Overwrite)) {
        doc.App.Host->ShowError(Texts::CantAllocate);
        return;
    }
    EnableReplaceUndo(doc, false);
    if (kind != TBlockCopyKind::Move) {
        MoveBlockMarks(doc, pos);
        doc.View.BottomAddress =
            std::min(doc.View.TopAddress + doc.View.PageBytes - 1, doc.Store.FileSize());
        RefillPanes(doc, doc.View.CursorCol, doc.View.CursorRow);
        doc.Display->UpdateStatus();
        return;
    }
    if (pos < doc.Block.BlockBegin) MoveBlockMarks(doc, doc.Block.BlockEnd + 1);
    if (!RecordStoreChange(doc, doc.Block.BlockBegin, doc.Block.BlockEnd - doc.Block.BlockBegin + 1, 0)) return;
    CloseGap(doc, doc.Block.BlockBegin, doc.Block.BlockEnd - doc.Block.BlockBegin + 1);
    if (pos < doc.Block.BlockBegin)
        MoveBlockMarks(doc, pos);
    else
        MoveBlockMarks(doc, pos - (doc.Block.BlockEnd - doc.Block.BlockBegin) - 1);
    ShowAddress(doc, pos, true, true);
}

void Blockcopy1Click(TDocument& doc) {
    Blockcopy1Click(doc, TBlockCopyKind::Copy);
}

void Blockcopyovwr1Click(TDocument& doc) {
    Blockcopy1Click(doc, TBlockCopyKind::Overwrite);
}

void Blockmove1Click(TDocument& doc) {
    Blockcopy1Click(doc, TBlockCopyKind::Move);
}

void Deletefromcursor1Click(TDocument& doc) {
    DeleteFromCursor(doc);
}

void Deletetocursor1Click(TDocument& doc) {
    DeleteToCursor(doc);
}

bool InsertionFits(TDocument& doc, size_t length, int64_t count) {
    if (count < 1 || length == 0) return false;
    // Divided rather than multiplied, so that a huge count can never wrap into something that seems to fit.
    return count <= (MaxFileSize - doc.Store.FileSize()) / static_cast<TCount>(length) &&
           MemoryFits(count * static_cast<TCount>(length));
}

void InsertRepeated(TDocument& doc, std::span<const uint8_t> bytes, TCount count) {
    if (bytes.empty() || count < 1) return;
    if (count > (MaxFileSize - doc.Store.FileSize()) / static_cast<TCount>(bytes.size())) return;
    const TCount total = static_cast<TCount>(bytes.size()) * count;
    const TAddress p = CurrentAddress(doc);
    TUndoStep step(doc, TStepName::InsertString);
    TBusyScope busy(*doc.App.Host, Texts::InsertBusy);
    std::vector<uint8_t> run;
    try {
        run.resize(static_cast<size_t>(total));
    } catch (const std::bad_alloc&) {
        doc.App.Host->ShowError(Texts::CantAllocate);
        return;
    }
    for (size_t at = 0; at < run.size(); at += bytes.size())
        std::memcpy(run.data() + at, bytes.data(), bytes.size());
    if (!doc.Store.Insert(p, run)) return;
    RecordChange(doc, p, {}, total);
    doc.View.BottomAddress =
        std::min(doc.View.TopAddress + doc.View.PageBytes - 1, doc.Store.FileSize());
    DropBlockIfAffected(doc, p);
    RefillPanes(doc, doc.View.CursorCol, doc.View.CursorRow);
    doc.Display->UpdateStatus();
    doc.Modified = true;
}

} // namespace Engine
