// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recovery/RecoveryReplay.h"

#include "engine/store/ByteStore.h"
#include "engine/document/EngineState.h"
#include "engine/document/HostScopes.h"
#include "engine/text/StringTable.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <algorithm>
#include <cstring>

namespace Engine {

namespace {

// The file is the one the journal was written against: each record must leave the size it names.
bool Strict = true;

// The file's size after the record, when the record fits the file as it is.
bool Fits(const TRecordView& record, int64_t& growth) {
    const TRecordHead& head = record.Head;
    const TAddress last = record.PieceAddress(record.PieceCount - 1);
    if (head.Address < 1 || head.OldLength > Doc().Store.FileSize() ||
        last > Doc().Store.FileSize() - head.OldLength + 1)
        return false;
    if (__builtin_mul_overflow(record.PieceCount, head.NewLength - head.OldLength, &growth)) return false;
    return (!Strict || Doc().Store.FileSize() + growth == head.SizeAfter) &&
           SizeFits(Doc().Store.FileSize() + growth);
}

// The cursor on address (the view's row from there), without drawing: each step keeps the view it was
// made in, and only the end of the replay is shown.
void PlaceView(TAddress address) {
    address = std::clamp<TAddress>(address, 1, CursorEnd());
    const auto col = static_cast<int32_t>((address - 1) % Doc().View.Cols);
    Doc().View.TopAddress = address - col;
    Doc().View.CursorCol = col;
    Doc().View.CursorRow = 0;
    Doc().View.BottomAddress =
        std::min(Doc().View.TopAddress + Doc().View.PageBytes - 1, Doc().Store.FileSize());
}

bool ApplyPlain(const TRecordView& record) {
    const TAddress a = record.Head.Address;
    const TCount o = record.Head.OldLength, n = record.Head.NewLength;
    // The room first, after the old bytes, so that they are still in place when the undo journal keeps them.
    if (n > o && !Doc().Store.OpenGap(a + o, n - o)) return false;
    RecordChange(a, Doc().Store.StoreRun(a, o), n);
    if (n > 0) std::memcpy(Doc().Store.StoreRun(a, n).data(), record.Bytes.data(), static_cast<size_t>(n));
    if (n < o) Doc().Store.RemoveBytes(a + n, o - n);
    return true;
}

// Every piece in one sweep, each byte moved once (as undo exchanges pieces).
bool ApplyPieces(const TRecordView& record, int64_t growth) {
    const TCount o = record.Head.OldLength, n = record.Head.NewLength;
    const int64_t k = record.PieceCount;
    if (growth > 0 && !Doc().Store.EnsureRoom(growth)) return false;
    RecordPiecesBegin(o, n);
    for (int64_t i = 0; i < k; ++i) {
        const TAddress at = record.PieceAddress(i);
        RecordPiece(at, Doc().Store.StoreRun(at, o).data());
    }
    RecordPiecesEnd();
    TPieces pieces;
    pieces.Count = k;
    pieces.OldLength = o;
    pieces.NewLength = n;
    pieces.Address = [&](int64_t i) { return record.PieceAddress(i); };
    pieces.Bytes = [&](int64_t i) { return record.PieceBytes(i).data(); };
    Doc().Store.ReplacePieces(pieces);
    if (growth < 0) Doc().Store.ShrinkToFit();
    return true;
}

// The record as an undo step of its own, or as more of the typing step before it.
bool ApplyStep(const TRecordView& record, TStepName name) {
    int64_t growth = 0;
    if (!Fits(record, growth)) return false;
    PlaceView(record.Head.Address);
    bool done;
    {
        TUndoStep step(name);
        done = record.PieceCount > 1 ? ApplyPieces(record, growth) : ApplyPlain(record);
        if (done) {
            Doc().Modified = true;
            const TAddress last = record.PieceAddress(record.PieceCount - 1);
            PlaceView(last + (record.PieceCount - 1) * (record.Head.NewLength - record.Head.OldLength) +
                      record.Head.NewLength);
        }
    }
    return done;
}

// The file holds what the record put in place.
bool Matches(const TRecordView& record) {
    if (Strict && Doc().Store.FileSize() != record.Head.SizeAfter) return false;
    const TCount n = record.Head.NewLength;
    const int64_t delta = n - record.Head.OldLength;
    for (int64_t i = 0; i < record.PieceCount; ++i) {
        const TAddress at = record.PieceAddress(i) + i * delta;
        if (at < 1 || at - 1 + n > Doc().Store.FileSize()) return false;
        if (n > 0 &&
            std::memcmp(Doc().Store.StoreRun(at, n).data(), record.PieceBytes(i).data(), size_t(n)) != 0)
            return false;
    }
    return true;
}

bool ApplyExchange(const TRecordView& record, bool undo) {
    SealUndoStep();
    if (record.Head.Reproducible && (undo ? Doc().Undo.Journal.CanUndo() : Doc().Undo.Journal.CanRedo())) {
        const int64_t applied = Doc().Undo.Journal.Applied;
        undo ? Undo1Click() : Redo1Click();
        if (Doc().Undo.Journal.Applied != applied) {
            if (Matches(record)) return true;
            // Not the step the record undid: back, and the bytes go in as they are.
            undo ? Redo1Click() : Undo1Click();
        }
    }
    return ApplyStep(record, TStepName::Change);
}

} // namespace

bool ReplayRecord(const TRecordView& record, bool strict) {
    Strict = strict;
    switch (record.Head.Kind) {
    case TRecordKind::Continue:
        if (record.Head.StepName == static_cast<uint8_t>(TStepName::Typing))
            return ApplyStep(record, TStepName::Typing);
        [[fallthrough]];
    case TRecordKind::Change:
        SealUndoStep();
        return ApplyStep(record, static_cast<TStepName>(record.Head.StepName));
    case TRecordKind::Undo:
        return ApplyExchange(record, true);
    case TRecordKind::Redo:
        return ApplyExchange(record, false);
    }
    return false;
}

TReplayOutcome ReplayJournal(TJournalReader& reader, int64_t changes, const std::string& name, bool strict) {
    TReplayOutcome outcome;
    outcome.Length = reader.ValidLength();
    {
        TProgressScope progress(Texts::RecoveringCaption, name);
        // Stopped half way, the file would hold neither the changes nor what it held.
        Host->EnableCancel(false);
        TRecordView record;
        while (reader.Next(record)) {
            if (!ReplayRecord(record, strict)) {
                outcome.Complete = false;
                break;
            }
            if (record.Head.Kind != TRecordKind::Continue) ++outcome.Changes;
            outcome.Length = reader.ValidLength();
            Host->SetProgress(outcome.Changes, changes, 5);
        }
    }
    SealUndoStep();
    Doc().Modified = !Doc().Undo.Journal.AtSaved();
    ShowAddress(CurrentAddress(), true, false);
    Host->UpdateStatus();
    ShowUndoState();
    return outcome;
}

} // namespace Engine
