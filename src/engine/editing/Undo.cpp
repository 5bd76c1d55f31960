// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/editing/Undo.h"

#include "engine/document/Blocks.h"
#include "engine/document/EngineState.h"
#include "engine/document/CommandEnabling.h"
#include "engine/files/DiskWatch.h"
#include "engine/document/HostScopes.h"
#include "engine/text/StringTable.h"
#include "engine/store/SystemMemory.h"
#include "engine/text/TextFormat.h"
#include "engine/document/View.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace Engine {

namespace {

// The hints' names of the steps, in the order of TStepName.
constexpr auto StepNames = std::to_array<const char*>(
    {"change", "typing", "deletion", "Insert string", "Insert file", "Block delete", "Block copy",
     "Block copy/overwrite", "Block move", "Cut", "Paste", "Delete from cursor", "Delete to cursor",
     "Replace", "Replace all", "Replace undo", "Patch", "Encode integer", "Data inspector"});
// A step name added without its hint, or past StepNameCount, fails here.
static_assert(StepNames.size() == StepNameCount);

TView CurrentView(TDocument& doc) {
    return {doc.View.TopAddress, CurrentAddress(doc)};
}

void PublishUndoState(TDocument& doc) {
    // Every change, undo, redo, save and load ends here: the mark follows Modified without a call per byte.
    if (doc.Modified != doc.Undo.ShownModified) {
        doc.Undo.ShownModified = doc.Modified;
        doc.Display->ModifiedChanged(doc.Modified);
    }
    if (doc.Undo.Shown.Valid && doc.Undo.Shown.Version == doc.Undo.Journal.Version &&
        doc.Undo.Shown.FileOpen == doc.FileOpen)
        return;
    TUndo::TShown now;
    now.Valid = true;
    now.FileOpen = doc.FileOpen;
    now.Version = doc.Undo.Journal.Version;
    now.CanUndo = doc.FileOpen && doc.Undo.Journal.CanUndo();
    now.CanRedo = doc.FileOpen && doc.Undo.Journal.CanRedo();
    if (now.CanUndo) now.UndoName = doc.Undo.Journal.NameAt(doc.Undo.Journal.Applied - 1);
    if (now.CanRedo) now.RedoName = doc.Undo.Journal.NameAt(doc.Undo.Journal.Applied);
    if (now == doc.Undo.Shown) return;
    doc.Undo.Shown = now;
    SetCommandEnabled(doc, TCommand::Undo1, now.CanUndo);
    SetCommandEnabled(doc, TCommand::Redo1, now.CanRedo);
    doc.App.Host->SetCommandHint(TCommand::Undo1, now.CanUndo
                                              ? FormatText(Texts::UndoHint, {StepNames[size_t(now.UndoName)]})
                                              : std::string());
    doc.App.Host->SetCommandHint(TCommand::Redo1, now.CanRedo
                                              ? FormatText(Texts::RedoHint, {StepNames[size_t(now.RedoName)]})
                                              : std::string());
}

void GiveUpScope(TDocument& doc) {
    doc.Undo.Unrecorded = true;
    doc.Undo.ScopeOpened = false;
}

// A change that cannot be recorded is being made: neither the steps nor the saved state can be reached.
void ForgetBeforeChange(TDocument& doc) {
    doc.Undo.Journal.Forget();
    doc.Undo.Journal.SavedAt = -1;
    GiveUpScope(doc);
}

void OpenScopeStep(TDocument& doc) {
    if (doc.Undo.ScopeOpened) return;
    doc.Undo.Journal.Open(doc.Undo.ScopeName, doc.Undo.ScopeBefore);
    doc.Undo.ScopeOpened = true;
    doc.Undo.ScopeOpenedNew = true;
}

// The listener learns that the scope's changes are all made.
void TellListener(TDocument& doc, bool opened) {
    if (!doc.Undo.Listener) return;
    doc.Undo.Listener->StepEnds(
        doc.Undo.ScopeName, opened,
        doc.Undo.Journal.CanUndo() ? doc.Undo.Journal.Id(doc.Undo.Journal.Applied - 1) : -1);
}

// How many pieces change i of the step has.
int64_t PieceCount(const TStep& step, int32_t i) {
    return i == 0 && step.Extra ? 1 + static_cast<int64_t>(step.Extra->FirstPieces.size()) : 1;
}

// Room for the largest size the step passes through, so that no change of it can fail half-way.
bool RoomForStep(TDocument& doc, TStep& step, bool undo) {
    int64_t size = doc.Store.FileSize(), peak = doc.Store.FileSize();
    const int32_t count = step.ChangeCount();
    for (int32_t n = 0; n < count; ++n) {
        const int32_t i = undo ? count - 1 - n : n;
        const TChange& change = step.Change(i);
        const int64_t growth = change.NewLength - change.OldLength;
        size += PieceCount(step, i) * (undo ? -growth : growth);
        peak = std::max(peak, size);
    }
    return SizeFits(peak);
}

// Puts the kept bytes of a change in place of those in the file, and keeps those instead: undo and redo
// are the same exchange. Pieces are exchanged in one sweep, each byte moved once.
bool ExchangeChange(TDocument& doc, TChange& change, std::span<const TAddress> rest, bool undo, TByteRun& captured) {
    const TCount cur = undo ? change.NewLength : change.OldLength;
    const TCount oth = undo ? change.OldLength : change.NewLength;
    if (rest.empty()) {
        if (cur > 0 && !ReadWentWell(doc, doc.Store.CopyOut(change.Address, std::span(captured.Data(), size_t(cur)))))
            return false;
        doc.Store.RemoveBytes(change.Address, cur);
        doc.Store.Insert(change.Address, std::span<const uint8_t>(change.Stored.Data(), size_t(oth)));
        change.Stored = std::move(captured);
        return true;
    }
    // The pieces as the file holds them now, each one cur bytes long.
    auto address = [&](int64_t i) -> TAddress { return i == 0 ? change.Address : rest[size_t(i - 1)]; };
    TPieces pieces;
    pieces.Count = 1 + static_cast<int64_t>(rest.size());
    pieces.OldLength = cur;
    pieces.NewLength = oth;
    pieces.Address = [&](int64_t i) { return address(i) + i * (cur - change.OldLength); };
    pieces.Bytes = [&](int64_t i) { return change.Stored.Data() + i * oth; };
    pieces.Before = [&](int64_t i, const uint8_t* old, TAddress) {
        if (cur > 0) std::memcpy(captured.Data() + i * cur, old, size_t(cur));
    };
    if (!doc.Store.ReplacePieces(pieces)) return ReadWentWell(doc, {TReadStatus::Unreadable, change.Address, cur});
    change.Stored = std::move(captured);
    return true;
}

// The lowest address a step changed, and whether it changed the file's size.
TAddress LowestChange(TStep& step, bool& resized) {
    TAddress lowest = INT64_MAX;
    resized = false;
    for (int32_t i = 0; i < step.ChangeCount(); ++i) {
        const TChange& change = step.Change(i);
        lowest = std::min(lowest, change.Address);
        resized = resized || change.OldLength != change.NewLength;
    }
    return lowest;
}

bool ExchangeStep(TDocument& doc, TStep& step, bool undo) {
    const int32_t count = step.ChangeCount();
    std::vector<TByteRun> captured(static_cast<size_t>(count));
    try {
        for (int32_t i = 0; i < count; ++i) {
            const TChange& change = step.Change(i);
            const int64_t bytes = PieceCount(step, i) * (undo ? change.NewLength : change.OldLength);
            captured[size_t(i)].Resize(bytes);
        }
    } catch (const std::bad_alloc&) {
        doc.App.Host->ShowError(Texts::CantAllocate);
        return false;
    }
    if (!RoomForStep(doc, step, undo)) {
        doc.App.Host->ShowError(Texts::CantAllocate);
        return false;
    }
    TBusyScope busy(*doc.App.Host, undo ? Texts::UndoBusy : Texts::RedoBusy);
    for (int32_t n = 0; n < count; ++n) {
        const int32_t i = undo ? count - 1 - n : n;
        std::span<const TAddress> rest;
        if (i == 0 && step.Extra) rest = step.Extra->FirstPieces;
        // A step whose bytes can no longer be read stops there; what it changed so far stays changed.
        if (!ExchangeChange(doc, step.Change(i), rest, undo, captured[size_t(i)])) break;
    }
    doc.Undo.Journal.Recount();
    return true;
}

void AfterExchange(TDocument& doc, TStep& step, bool undo) {
    if (step.BlockTouched) {
        if (undo || !step.Extra)
            UnmarkBlock(doc);
        else
            SetBlock(doc, step.Extra->BlockBegin, step.Extra->BlockEnd);
    } else {
        // A block marked since is kept only while its bytes did not move.
        bool resized = false;
        const TAddress lowest = LowestChange(step, resized);
        if (resized && (doc.Block.BlockBegin != 0 || doc.Block.BlockEnd != 0) &&
            std::max(doc.Block.BlockBegin, doc.Block.BlockEnd) >= lowest)
            UnmarkBlock(doc);
        ForgetBlockPastEnd(doc);
    }
    // The last replacement may no longer stand where Replace undo would look for it.
    EnableReplaceUndo(doc, false);
    doc.Modified = !doc.Undo.Journal.AtSaved();
    ShowView(doc, undo ? step.Before : step.After);
    doc.Display->UpdateStatus();
    PublishUndoState(doc);
}

void TrimAfterExchange(TDocument& doc) {
    if (doc.Undo.Journal.Bytes <= doc.Undo.Journal.Budget) return;
    doc.Undo.Journal.Trim();
    PublishUndoState(doc);
}

} // namespace

TUndoStep::TUndoStep(TDocument& document, TStepName name) : doc(document) {
    if (doc.Undo.Depth++ > 0) return;
    // Typing on: the least work possible, since it runs for every byte.
    if (name == TStepName::Typing && doc.Undo.TypingGoesOn && doc.Undo.TypingStep &&
        doc.Undo.TypingVersion == doc.Undo.Journal.Version) {
        doc.Undo.ScopeName = name;
        doc.Undo.ScopeBlockBegin = doc.Block.BlockBegin;
        doc.Undo.ScopeBlockEnd = doc.Block.BlockEnd;
        doc.Undo.ScopeOpened = true;
        doc.Undo.ScopeOpenedNew = false;
        doc.Undo.Unrecorded = false;
        doc.Undo.TypingScope = true;
        return;
    }
    doc.Undo.TypingScope = false;
    const bool typingOn = name == TStepName::Typing && doc.Undo.TypingGoesOn &&
                          !doc.Undo.Journal.CanRedo() && doc.Undo.Journal.CanUndo() &&
                          doc.Undo.Journal.NameAt(doc.Undo.Journal.Applied - 1) == TStepName::Typing;
    doc.Undo.TypingGoesOn = false;
    doc.Undo.ScopeName = name;
    doc.Undo.ScopeBefore = CurrentView(doc);
    doc.Undo.ScopeBlockBegin = doc.Block.BlockBegin;
    doc.Undo.ScopeBlockEnd = doc.Block.BlockEnd;
    doc.Undo.ScopeOpened = typingOn;
    doc.Undo.ScopeOpenedNew = false;
    doc.Undo.Unrecorded = false;
}

TUndoStep::~TUndoStep() {
    if (--doc.Undo.Depth > 0) return;
    if (doc.Undo.TypingScope && doc.Undo.TypingVersion == doc.Undo.Journal.Version &&
        doc.Block.BlockBegin == doc.Undo.ScopeBlockBegin &&
        doc.Block.BlockEnd == doc.Undo.ScopeBlockEnd &&
        doc.Undo.Journal.Bytes <= doc.Undo.Journal.Budget) {
        doc.Undo.TypingStep->After = CurrentView(doc);
        doc.Undo.ScopeOpened = false;
        doc.Undo.TypingScope = false;
        TellListener(doc, false);
        return;
    }
    doc.Undo.TypingScope = false;
    if (doc.Undo.ScopeOpened && doc.Undo.Journal.CanUndo()) {
        TStep& step = doc.Undo.Journal.Last();
        step.After = CurrentView(doc);
        if (doc.Block.BlockBegin != doc.Undo.ScopeBlockBegin ||
            doc.Block.BlockEnd != doc.Undo.ScopeBlockEnd) {
            // The block the step left, for redo.
            doc.Undo.Journal.Bytes -= step.Cost();
            step.BlockTouched = true;
            if (doc.Block.BlockBegin != 0 || doc.Block.BlockEnd != 0) {
                step.GetExtra().BlockBegin = doc.Block.BlockBegin;
                step.GetExtra().BlockEnd = doc.Block.BlockEnd;
            } else if (step.Extra) {
                step.Extra->BlockBegin = step.Extra->BlockEnd = 0;
            }
            doc.Undo.Journal.Bytes += step.Cost();
        }
        doc.Undo.TypingGoesOn = doc.Undo.ScopeName == TStepName::Typing;
        if (doc.Undo.Journal.Bytes > doc.Undo.Journal.Budget && !doc.Undo.Journal.Trim())
            doc.Undo.TypingGoesOn = false;
        doc.Undo.TypingStep = doc.Undo.TypingGoesOn ? &doc.Undo.Journal.Last() : nullptr;
        doc.Undo.TypingVersion = doc.Undo.Journal.Version;
    }
    // A change the journal did not record (it gave up, or is off) is a step of its own for recovery.
    const bool opened = doc.Undo.ScopeOpenedNew || !doc.Undo.ScopeOpened;
    doc.Undo.ScopeOpened = false;
    doc.Undo.Unrecorded = false;
    PublishUndoState(doc);
    TellListener(doc, opened);
}

void RecordChange(TDocument& doc, TAddress address, std::span<const uint8_t> oldBytes, TCount newLength) {
    if (doc.Undo.Depth == 0) {
        // A change outside any command is a step of its own.
        TUndoStep step(doc, TStepName::Change);
        RecordChange(doc, address, oldBytes, newLength);
        return;
    }
    if (oldBytes.empty() && newLength == 0) return;
    if (doc.Undo.Listener)
        doc.Undo.Listener->NoteChange(address, static_cast<TCount>(oldBytes.size()), newLength);
    if (doc.Undo.Unrecorded || !doc.Undo.Journal.Enabled) return;
    try {
        if (doc.Undo.TypingScope &&
            doc.Undo.Journal.AddTypedOn(*doc.Undo.TypingStep, address, oldBytes, newLength)) {
            if (doc.Undo.Journal.Bytes > doc.Undo.Journal.Budget && !doc.Undo.Journal.Trim())
                GiveUpScope(doc);
            return;
        }
        OpenScopeStep(doc);
        doc.Undo.Journal.Add(address, oldBytes, newLength);
    } catch (const std::bad_alloc&) {
        // Without memory for the old bytes the change cannot be undone; nothing before it can be reached.
        ForgetBeforeChange(doc);
        return;
    }
    if (!doc.Undo.Journal.Trim()) GiveUpScope(doc);
}

bool RecordStoreChange(TDocument& doc, TAddress address, TCount oldLength, TCount newLength) {
    std::vector<uint8_t> old;
    if (oldLength > 0 && !ReadStore(doc, address, oldLength, old)) return false;
    RecordChange(doc, address, old, newLength);
    return true;
}

void RecordPiecesBegin(TDocument& doc, TCount oldLength, TCount newLength) {
    if (doc.Undo.Listener) doc.Undo.Listener->NotePieces(oldLength, newLength);
    doc.Undo.PieceOld = oldLength;
    doc.Undo.PieceNew = newLength;
    // The pieces make a step of their own, opened with the first of them.
    doc.Undo.ScopeOpened = false;
}

void RecordPiece(TDocument& doc, TAddress address, const uint8_t* oldBytes) {
    if (doc.Undo.Listener && doc.Undo.Depth > 0) doc.Undo.Listener->NotePiece(address);
    if (doc.Undo.Unrecorded || !doc.Undo.Journal.Enabled || doc.Undo.Depth == 0) return;
    try {
        if (!doc.Undo.ScopeOpened) {
            OpenScopeStep(doc);
            doc.Undo.Journal.BeginPieces(doc.Undo.PieceOld, doc.Undo.PieceNew);
        }
        doc.Undo.Journal.AddPiece(address, oldBytes);
    } catch (const std::bad_alloc&) {
        ForgetBeforeChange(doc);
        return;
    }
    if (!doc.Undo.Journal.Trim()) GiveUpScope(doc);
}

void RecordPiecesEnd(TDocument& doc) {
    if (doc.Undo.Unrecorded || !doc.Undo.ScopeOpened) return;
    doc.Undo.Journal.EndPieces();
    doc.Undo.Journal.CloseLast();
}

bool ConfirmUndoable(TDocument& doc, int64_t oldBytes) {
    if (doc.Undo.Unrecorded || !doc.Undo.Journal.Enabled ||
        oldBytes + static_cast<int64_t>(sizeof(TStep)) <= doc.Undo.Journal.Budget)
        return true;
    if (doc.App.Host->AskYesNo(Texts::CannotBeUndone) != mrYes) return false;
    ForgetBeforeChange(doc);
    PublishUndoState(doc);
    return true;
}

void SealUndoStep(TDocument& doc) {
    // A run of typing is over: what it kept gives back its spare room.
    if (doc.Undo.TypingGoesOn && doc.Undo.Journal.CanUndo() && !doc.Undo.Journal.CanRedo())
        doc.Undo.Journal.CloseLast();
    doc.Undo.TypingGoesOn = false;
}

void UndoFileSaved(TDocument& doc) {
    // Typing after a save is a step of its own: one that straddled the save point could be undone to a
    // state that looks saved but is not.
    SealUndoStep(doc);
    doc.Undo.Journal.MarkSaved();
    PublishUndoState(doc);
}

void ClearUndo(TDocument& doc) {
    doc.Undo.Journal.Clear();
    doc.Undo.TypingGoesOn = false;
    doc.Undo.Shown.Valid = false;
    PublishUndoState(doc);
}

void ShowUndoState(TDocument& doc) {
    PublishUndoState(doc);
}

void ResetUndo(TDocument& doc) {
    doc.Undo.Journal.Clear();
    doc.Undo.Journal.Budget = DefaultUndoBudget();
    doc.Undo.Depth = 0;
    doc.Undo.Journal.Enabled = true;
    doc.Undo.ScopeOpened = doc.Undo.ScopeOpenedNew = doc.Undo.Unrecorded = doc.Undo.TypingGoesOn =
        doc.Undo.TypingScope = false;
    doc.Undo.TypingStep = nullptr;
    doc.Undo.Shown = TUndo::TShown();
    doc.Undo.ShownModified = false;
}

int64_t DefaultUndoBudget() {
    const int64_t floor = int64_t{64} << 20;
    const int64_t memory = PhysicalMemory();
    return std::max(floor, memory > 0 ? memory / 4 : floor);
}

void SetUndoBudget(TDocument& doc, int64_t bytes) {
    doc.Undo.Journal.Budget = std::max<int64_t>(bytes, 0);
    doc.Undo.Journal.Trim();
    PublishUndoState(doc);
}

void Undo1Click(TDocument& doc) {
    SealUndoStep(doc);
    if (!doc.FileOpen || !doc.Undo.Journal.CanUndo()) return;
    const int64_t at = doc.Undo.Journal.Applied - 1;
    TStep& step = doc.Undo.Journal.At(at);
    const bool done = ExchangeStep(doc, step, true);
    if (done) {
        --doc.Undo.Journal.Applied;
        ++doc.Undo.Journal.Version;
        if (doc.Undo.Listener) doc.Undo.Listener->Exchanged(true, step, doc.Undo.Journal.Id(at));
        AfterExchange(doc, step, true);
    }
    doc.Undo.Journal.PackAt(at);
    if (!done) return;
    TrimAfterExchange(doc); // the undone step now keeps the bytes it had inserted
}

void Redo1Click(TDocument& doc) {
    SealUndoStep(doc);
    if (!doc.FileOpen || !doc.Undo.Journal.CanRedo()) return;
    const int64_t at = doc.Undo.Journal.Applied;
    TStep& step = doc.Undo.Journal.At(at);
    const bool done = ExchangeStep(doc, step, false);
    if (done) {
        ++doc.Undo.Journal.Applied;
        ++doc.Undo.Journal.Version;
        if (doc.Undo.Listener) doc.Undo.Listener->Exchanged(false, step, doc.Undo.Journal.Id(at));
        AfterExchange(doc, step, false);
    }
    doc.Undo.Journal.PackAt(at);
    if (!done) return;
    TrimAfterExchange(doc); // the redone step keeps the bytes it deleted again
}

} // namespace Engine
