// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/editing/Editing.h"

#include "engine/document/Blocks.h"
#include "engine/store/ByteStore.h"
#include "engine/document/EngineState.h"
#include "engine/document/CommandEnabling.h"
#include "engine/document/HostScopes.h"
#include "engine/store/RoomCheck.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <algorithm>
#include <cstring>

namespace Engine {

namespace {

void KeepBottomAtEnd() {
    if (Doc().View.TopAddress + Doc().View.PageBytes - 1 >= Doc().Store.FileSize())
        Doc().View.BottomAddress = Doc().Store.FileSize();
}

// Deleting every byte. The file counts as changed, so that closing it asks before the edit is lost.
void EmptyWholeFile() {
    if (!ConfirmUndoable(Doc().Store.FileSize())) return;
    RecordChange(1, Doc().Store.StoreRun(1, Doc().Store.FileSize()), 0);
    ClearFile();
    Doc().Modified = true;
}

} // namespace

bool CloseGap(TAddress address, TCount n) {
    TBusyScope busy(Texts::DeleteBusy);
    if (n > 0 && n == Doc().Store.FileSize() && address == 1) {
        ClearFile();
        return true;
    }
    return Doc().Store.RemoveBytes(address, n);
}

void ClearFile() {
    Doc().Store.Clear();
    UnmarkBlock();
    ShowAddress(1, true, false);
}

void RefuseReadOnly() {
    Host->Beep();
    Host->ShowStatusNote(Texts::FileIsReadOnly);
}

void ApplyUndoRule(TAddress pos) {
    const int64_t lastReplaced = static_cast<int64_t>(Doc().Search.LastReplaceAddress) +
                                 static_cast<int64_t>(SearchRequest.Replacement.size()) - 1;
    if (Doc().Search.ReplaceUndoEnabled && pos <= lastReplaced) EnableReplaceUndo(false);
}

bool InsertByteAtCursor(uint8_t value) {
    if (!Doc().Store.EnsureRoom(1)) {
        Host->ShowError(Texts::CantAllocate);
        return false;
    }
    TBusyScope busy(Texts::InsertBusy);
    const TAddress pos = CurrentAddress();
    Doc().Store.OpenGap(pos, 1); // the room is there
    Doc().Store.WriteByte(pos, value);
    RecordChange(pos, {}, 1);
    KeepBottomAtEnd();
    return true;
}

void DeleteByteAtCursor() {
    TUndoStep step(TStepName::Deletion);
    const TAddress pos = CurrentAddress();
    if (Doc().Store.FileSize() == 0 || pos > Doc().Store.FileSize()) return;
    if (Doc().Store.FileSize() == 1) {
        EmptyWholeFile();
        return;
    }
    {
        TBusyScope busy(Texts::DeleteBusy);
        ApplyUndoRule(pos);
        RecordChange(pos, Doc().Store.StoreRun(pos, 1), 0);
        Doc().Store.RemoveBytes(pos, 1);
        KeepBottomAtEnd();
        Doc().Modified = true;
        RefillPanes(Doc().View.CursorCol, Doc().View.CursorRow);
        if (pos > CursorEnd()) ShowAddress(CursorEnd(), true, true);
    }
    DropBlockIfAffected(pos);
}

bool InsertBytesAt(TAddress address, std::span<const uint8_t> bytes) {
    if (bytes.size() > static_cast<size_t>(MaxFileSize) ||
        !Doc().Store.OpenGap(address, static_cast<TCount>(bytes.size()))) {
        Host->ShowError(Texts::CantAllocate);
        return false;
    }
    if (!bytes.empty())
        std::ranges::copy(bytes, Doc().Store.StoreRun(address, static_cast<TCount>(bytes.size())).begin());
    RecordChange(address, {}, static_cast<TCount>(bytes.size()));
    return true;
}

bool OverwriteBytesAt(TAddress address, std::span<const uint8_t> bytes) {
    if (address < 1 || address > Doc().Store.FileSize() + 1 ||
        static_cast<TCount>(bytes.size()) > Doc().Store.FileSize() - address + 1) {
        Host->ShowError(Texts::CantOverwriteBeyondEnd);
        return false;
    }
    RecordChange(address, Doc().Store.StoreRun(address, static_cast<TCount>(bytes.size())),
                 static_cast<TCount>(bytes.size()));
    if (!bytes.empty())
        std::ranges::copy(bytes, Doc().Store.StoreRun(address, static_cast<TCount>(bytes.size())).begin());
    return true;
}

bool CopyBlock(bool insert) {
    TBusyScope busy(Texts::CopyBusy);
    const TAddress pos = CurrentAddress();
    const TCount length = Doc().Block.BlockEnd - Doc().Block.BlockBegin + 1;
    if (insert && !Doc().Store.OpenGap(pos, length)) return false;
    RecordChange(pos, insert ? std::span<const uint8_t>() : Doc().Store.StoreRun(pos, length), length);
    TAddress source = Doc().Block.BlockBegin;
    if (insert && Doc().Block.BlockBegin >= pos)
        source = Doc().Block.BlockEnd + 1; // the gap pushed the block up by its own length
    // The callers' checks keep an overlapping target below its source, where memmove copies ascending.
    // Both runs in place; finding the second may close the gap, which moves the first.
    const uint8_t* from = Doc().Store.StoreRun(source, length).data();
    uint8_t* const to = Doc().Store.StoreRun(pos, length).data();
    from = Doc().Store.StoreRun(source, length).data();
    std::memmove(to, from, static_cast<size_t>(length));
    Doc().Modified = true;
    return true;
}

bool DeleteBlock() {
    TUndoStep step(TStepName::BlockDelete);
    if (Doc().Block.BlockBegin == 1 && Doc().Block.BlockEnd == Doc().Store.FileSize()) {
        EmptyWholeFile();
        return false;
    }
    if (!BlockComplete()) {
        Host->ShowError(Texts::NoBlockMarked);
        return false;
    }
    if (!ConfirmUndoable(Doc().Block.BlockEnd - Doc().Block.BlockBegin + 1)) return false;
    EnableReplaceUndo(false);
    {
        TBusyScope busy(Texts::DeleteBusy);
        RecordChange(
            Doc().Block.BlockBegin,
            Doc().Store.StoreRun(Doc().Block.BlockBegin, Doc().Block.BlockEnd - Doc().Block.BlockBegin + 1),
            0);
        CloseGap(Doc().Block.BlockBegin,
                 Doc().Block.BlockEnd - Doc().Block.BlockBegin + 1); // a failed shrink leaves the bytes right
    }
    Doc().Modified = true;
    const TAddress begin = Doc().Block.BlockBegin;
    UnmarkBlock();
    ShowAddress(begin, true, true);
    return true;
}

void DeleteFromCursor() {
    TUndoStep step(TStepName::DeleteFromCursor);
    const TAddress pos = CurrentAddress();
    if (Doc().Store.FileSize() == 0 || pos > Doc().Store.FileSize()) return;
    if (pos == 1) {
        EmptyWholeFile();
    } else if (pos == Doc().Store.FileSize()) {
        DeleteByteAtCursor();
    } else {
        if (!ConfirmUndoable(Doc().Store.FileSize() - pos + 1)) return;
        ApplyUndoRule(pos);
        RecordChange(pos, Doc().Store.StoreRun(pos, Doc().Store.FileSize() - pos + 1), 0);
        Doc().Store.RemoveBytes(pos, Doc().Store.FileSize() - pos + 1, false);
        Doc().Modified = true;
        GoToEnd();
        DropBlockIfAffected(pos);
    }
}

void DeleteToCursor() {
    TUndoStep step(TStepName::DeleteToCursor);
    const TAddress pos = CurrentAddress();
    if (Doc().Store.FileSize() == 0 || pos > Doc().Store.FileSize()) return;
    if (pos == Doc().Store.FileSize()) {
        EmptyWholeFile();
        return;
    }
    if (!ConfirmUndoable(pos)) return;
    EnableReplaceUndo(false);
    {
        TBusyScope busy(Texts::DeleteBusy);
        RecordChange(1, Doc().Store.StoreRun(1, pos), 0);
        Doc().Store.RemoveBytes(1, pos, false);
    }
    Doc().Modified = true;
    GoToStart();
    // Every byte after the cut has moved, so no block can still be right.
    if (BlockComplete()) {
        Host->ShowInfo(Texts::BlockNoLongerValid);
        UnmarkBlock();
    }
    ForgetBlockPastEnd();
}

void Blockmark1Click() {
    if (Doc().FileOpen && Doc().Store.FileSize() > 0) MarkBlock(false, true);
}

void Blockunmark1Click() {
    UnmarkBlock();
}

void Blockdelete1Click() {
    DeleteBlock();
}

void Blockcopy1Click(TBlockCopyKind kind) {
    TUndoStep step(kind == TBlockCopyKind::Copy        ? TStepName::BlockCopy
                   : kind == TBlockCopyKind::Overwrite ? TStepName::BlockOverwrite
                                                       : TStepName::BlockMove);
    const TAddress pos = CurrentAddress();
    if (!BlockComplete()) {
        Host->ShowError(Texts::NoBlockMarked);
        return;
    }
    if (Doc().Block.BlockBegin < pos && pos <= Doc().Block.BlockEnd) {
        Host->ShowError(Texts::CantCopyWithinBlock);
        return;
    }
    if (kind != TBlockCopyKind::Copy && pos == Doc().Block.BlockBegin) {
        Host->ShowInfo(Texts::BlockRemains);
        return;
    }
    if (kind == TBlockCopyKind::Move && pos == Doc().Block.BlockEnd + 1) {
        Host->ShowInfo(Texts::BlockRemains);
        return;
    }
    if (kind == TBlockCopyKind::Overwrite &&
        static_cast<int64_t>(pos) + Doc().Block.BlockEnd - Doc().Block.BlockBegin > Doc().Store.FileSize()) {
        Host->ShowError(Texts::CantOverwriteBeyondEnd);
        return;
    }
    if (kind != TBlockCopyKind::Copy && !ConfirmUndoable(Doc().Block.BlockEnd - Doc().Block.BlockBegin + 1))
        return;
    if (kind != TBlockCopyKind::Overwrite &&
        !RoomOrRefusal(Doc().Block.BlockEnd - Doc().Block.BlockBegin + 1))
        return;
    if (!CopyBlock(kind != TBlockCopyKind::Overwrite)) {
        Host->ShowError(Texts::CantAllocate);
        return;
    }
    EnableReplaceUndo(false);
    if (kind != TBlockCopyKind::Move) {
        MoveBlockMarks(pos);
        Doc().View.BottomAddress =
            std::min(Doc().View.TopAddress + Doc().View.PageBytes - 1, Doc().Store.FileSize());
        RefillPanes(Doc().View.CursorCol, Doc().View.CursorRow);
        Host->UpdateStatus();
        return;
    }
    if (pos < Doc().Block.BlockBegin) MoveBlockMarks(Doc().Block.BlockEnd + 1);
    RecordChange(
        Doc().Block.BlockBegin,
        Doc().Store.StoreRun(Doc().Block.BlockBegin, Doc().Block.BlockEnd - Doc().Block.BlockBegin + 1), 0);
    CloseGap(Doc().Block.BlockBegin, Doc().Block.BlockEnd - Doc().Block.BlockBegin + 1);
    if (pos < Doc().Block.BlockBegin)
        MoveBlockMarks(pos);
    else
        MoveBlockMarks(pos - (Doc().Block.BlockEnd - Doc().Block.BlockBegin) - 1);
    ShowAddress(pos, true, true);
}

void Blockcopy1Click() {
    Blockcopy1Click(TBlockCopyKind::Copy);
}

void Blockcopyovwr1Click() {
    Blockcopy1Click(TBlockCopyKind::Overwrite);
}

void Blockmove1Click() {
    Blockcopy1Click(TBlockCopyKind::Move);
}

void Deletefromcursor1Click() {
    DeleteFromCursor();
}

void Deletetocursor1Click() {
    DeleteToCursor();
}

bool InsertionFits(size_t length, int64_t count) {
    if (count < 1 || length == 0) return false;
    // Divided rather than multiplied, so that a huge count can never wrap into something that seems to fit.
    return count <= (Doc().Store.Capacity() - Doc().Store.FileSize()) / static_cast<TCount>(length);
}

void InsertRepeated(std::span<const uint8_t> bytes, TCount count) {
    if (bytes.empty() || count < 1) return;
    if (count > MaxFileSize / static_cast<TCount>(bytes.size())) return;
    const TCount total = static_cast<TCount>(bytes.size()) * count;
    const TAddress p = CurrentAddress();
    TUndoStep step(TStepName::InsertString);
    TBusyScope busy(Texts::InsertBusy);
    if (!Doc().Store.OpenGap(p, total)) return;
    RecordChange(p, {}, total);
    uint8_t* target = Doc().Store.StoreRun(p, total).data();
    for (TCount i = 0; i < count; ++i, target += bytes.size())
        std::memcpy(target, bytes.data(), bytes.size());
    Doc().View.BottomAddress =
        std::min(Doc().View.TopAddress + Doc().View.PageBytes - 1, Doc().Store.FileSize());
    DropBlockIfAffected(p);
    RefillPanes(Doc().View.CursorCol, Doc().View.CursorRow);
    Host->UpdateStatus();
    Doc().Modified = true;
}

} // namespace Engine
