// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recovery/RecoveryReplay.h"

#include "engine/files/DiskWatch.h"
#include "engine/document/EngineState.h"
#include "engine/document/HostScopes.h"
#include "engine/text/StringTable.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Engine {

namespace {

// The file's size after the record, when the record fits the file as it is.
bool Fits(TDocument& doc, const TRecordView& record, int64_t& growth) {
    const TRecordHead& head = record.Head;
    const TAddress last = record.PieceAddress(record.PieceCount - 1);
    if (head.Address < 1 || head.OldLength > doc.Store.FileSize() ||
        last > doc.Store.FileSize() - head.OldLength + 1)
        return false;
    if (__builtin_mul_overflow(record.PieceCount, head.NewLength - head.OldLength, &growth)) return false;
    return (!doc.Recovery.ReplayStrict || doc.Store.FileSize() + growth == head.SizeAfter) &&
           SizeFits(doc.Store.FileSize() + growth);
}

// The cursor on address (the view's row from there), without drawing: each step keeps the view it was
// made in, and only the end of the replay is shown.
void PlaceView(TDocument& doc, TAddress address) {
    address = std::clamp<TAddress>(address, 1, CursorEnd(doc));
    const auto col = static_cast<int32_t>((address - 1) % doc.View.Cols);
    doc.View.TopAddress = address - col;
    doc.View.CursorCol = col;
    doc.View.CursorRow = 0;
    doc.View.BottomAddress =
        std::min(doc.View.TopAddress + doc.View.PageBytes - 1, doc.Store.FileSize());
}

bool ApplyPlain(TDocument& doc, const TRecordView& record) {
    const TAddress a = record.Head.Address;
    const TCount o = record.Head.OldLength, n = record.Head.NewLength;
    if (!RecordStoreChange(doc, a, o, n)) return false;
    doc.Store.RemoveBytes(a, o);
    return doc.Store.Insert(a, std::span(record.Bytes.data(), static_cast<size_t>(n)));
}

// Every piece in one pass (as undo exchanges pieces).
bool ApplyPieces(TDocument& doc, const TRecordView& record) {
    const TCount o = record.Head.OldLength, n = record.Head.NewLength;
    const int64_t k = record.PieceCount;
    std::vector<uint8_t> old;
    for (int64_t i = 0; i < k; ++i)
        if (!ReadStore(doc, record.PieceAddress(i), o, old)) return false;
    RecordPiecesBegin(doc, o, n);
    for (int64_t i = 0; i < k; ++i) {
        const TAddress at = record.PieceAddress(i);
        ReadStore(doc, at, o, old);
        RecordPiece(doc, at, old.data());
    }
    RecordPiecesEnd(doc);
    TPieces pieces;
    pieces.Count = k;
    pieces.OldLength = o;
    pieces.NewLength = n;
    pieces.Address = [&](int64_t i) { return record.PieceAddress(i); };
    pieces.Bytes = [&](int64_t i) { return record.PieceBytes(i).data(); };
    return doc.Store.ReplacePieces(pieces);
}

// The record as an undo step of its own, or as more of the typing step before it.
bool ApplyStep(TDocument& doc, const TRecordView& record, TStepName name) {
    int64_t growth = 0;
    if (!Fits(doc, record, growth)) return false;
    PlaceView(doc, record.Head.Address);
    bool done;
    {
        TUndoStep step(doc, name);
        done = record.PieceCount > 1 ? ApplyPieces(doc, record) : ApplyPlain(doc, record);
        if (done) {
            doc.Modified = true;
            const TAddress last = record.PieceAddress(record.PieceCount - 1);
            PlaceView(doc, last + (record.PieceCount - 1) * (record.Head.NewLength - record.Head.OldLength) +
                      record.Head.NewLength);
        }
    }
    return done;
}

// The file holds what the record put in place.
bool Matches(TDocument& doc, const TRecordView& record) {
    if (doc.Recovery.ReplayStrict && doc.Store.FileSize() != record.Head.SizeAfter) return false;
    const TCount n = record.Head.NewLength;
    const int64_t delta = n - record.Head.OldLength;
    std::vector<uint8_t> bytes;
    for (int64_t i = 0; i < record.PieceCount; ++i) {
        const TAddress at = record.PieceAddress(i) + i * delta;
        if (at < 1 || at - 1 + n > doc.Store.FileSize()) return false;
        if (n > 0 && (!doc.Store.Read(at, n, bytes) ||
                      std::memcmp(bytes.data(), record.PieceBytes(i).data(), size_t(n)) != 0))
            return false;
    }
    return true;
}

bool ApplyExchange(TDocument& doc, const TRecordView& record, bool undo) {
    SealUndoStep(doc);
    if (record.Head.Reproducible && (undo ? doc.Undo.Journal.CanUndo() : doc.Undo.Journal.CanRedo())) {
        const int64_t applied = doc.Undo.Journal.Applied;
        undo ? Undo1Click(doc) : Redo1Click(doc);
        if (doc.Undo.Journal.Applied != applied) {
            if (Matches(doc, record)) return true;
            // Not the step the record undid: back, and the bytes go in as they are.
            undo ? Redo1Click(doc) : Undo1Click(doc);
        }
    }
    return ApplyStep(doc, record, TStepName::Change);
}

} // namespace

bool ReplayRecord(TDocument& doc, const TRecordView& record, bool strict) {
    doc.Recovery.ReplayStrict = strict;
    switch (record.Head.Kind) {
    case TRecordKind::Continue:
        if (record.Head.StepName == static_cast<uint8_t>(TStepName::Typing))
            return ApplyStep(doc, record, TStepName::Typing);
        [[fallthrough]];
    case TRecordKind::Change:
        SealUndoStep(doc);
        return ApplyStep(doc, record, static_cast<TStepName>(record.Head.StepName));
    case TRecordKind::Undo:
        return ApplyExchange(doc, record, true);
    case TRecordKind::Redo:
        return ApplyExchange(doc, record, false);
    }
    return false;
}

TReplayOutcome ReplayJournal(TDocument& doc, TJournalReader& reader, int64_t changes, const std::string& name, bool strict) {
    TReplayOutcome outcome;
    outcome.Length = reader.ValidLength();
    {
        TProgressScope progress(*doc.App.Host, Texts::RecoveringCaption, name);
        // Stopped half way, the file would hold neither the changes nor what it held.
        doc.App.Host->EnableCancel(false);
        TRecordView record;
        while (reader.Next(record)) {
            if (!ReplayRecord(doc, record, strict)) {
                outcome.Complete = false;
                break;
            }
            if (record.Head.Kind != TRecordKind::Continue) ++outcome.Changes;
            outcome.Length = reader.ValidLength();
            doc.App.Host->SetProgress(outcome.Changes, changes, 5);
        }
    }
    SealUndoStep(doc);
    doc.Modified = !doc.Undo.Journal.AtSaved();
    ShowAddress(doc, CurrentAddress(doc), true, false);
    doc.Display->UpdateStatus();
    ShowUndoState(doc);
    return outcome;
}

} // namespace Engine
