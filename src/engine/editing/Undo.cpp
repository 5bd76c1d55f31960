// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/editing/Undo.h"

#include "engine/document/Blocks.h"
#include "engine/store/ByteStore.h"
#include "engine/document/EngineState.h"
#include "engine/document/CommandEnabling.h"
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

TUndo Undo;

namespace {

// The hints' names of the steps, in the order of TStepName.
constexpr auto StepNames = std::to_array<const char*>(
    {"change", "typing", "deletion", "Insert string", "Insert file", "Block delete", "Block copy",
     "Block copy/overwrite", "Block move", "Cut", "Paste", "Delete from cursor", "Delete to cursor",
     "Replace", "Replace all", "Replace undo", "Patch", "Encode integer", "Data inspector"});
// A step name added without its hint, or past StepNameCount, fails here.
static_assert(StepNames.size() == StepNameCount);

TView CurrentView() {
    return {TopAddress, CurrentAddress()};
}

void PublishUndoState() {
    // Every change, undo, redo, save and load ends here: the mark follows Modified without a call per byte.
    if (Modified != Undo.ShownModified) {
        Undo.ShownModified = Modified;
        Host->ModifiedChanged(Modified);
    }
    if (Undo.Shown.Valid && Undo.Shown.Version == Undo.Journal.Version && Undo.Shown.FileOpen == FileOpen)
        return;
    TUndo::TShown now;
    now.Valid = true;
    now.FileOpen = FileOpen;
    now.Version = Undo.Journal.Version;
    now.CanUndo = FileOpen && Undo.Journal.CanUndo();
    now.CanRedo = FileOpen && Undo.Journal.CanRedo();
    if (now.CanUndo) now.UndoName = Undo.Journal.NameAt(Undo.Journal.Applied - 1);
    if (now.CanRedo) now.RedoName = Undo.Journal.NameAt(Undo.Journal.Applied);
    if (now == Undo.Shown) return;
    Undo.Shown = now;
    SetCommandEnabled(TCommand::Undo1, now.CanUndo);
    SetCommandEnabled(TCommand::Redo1, now.CanRedo);
    Host->SetCommandHint(TCommand::Undo1, now.CanUndo
                                              ? FormatText(Texts::UndoHint, {StepNames[size_t(now.UndoName)]})
                                              : std::string());
    Host->SetCommandHint(TCommand::Redo1, now.CanRedo
                                              ? FormatText(Texts::RedoHint, {StepNames[size_t(now.RedoName)]})
                                              : std::string());
}

void GiveUpScope() {
    Undo.Unrecorded = true;
    Undo.ScopeOpened = false;
}

// A change that cannot be recorded is being made: neither the steps nor the saved state can be reached.
void ForgetBeforeChange() {
    Undo.Journal.Forget();
    Undo.Journal.SavedAt = -1;
    GiveUpScope();
}

void OpenScopeStep() {
    if (Undo.ScopeOpened) return;
    Undo.Journal.Open(Undo.ScopeName, Undo.ScopeBefore);
    Undo.ScopeOpened = true;
    Undo.ScopeOpenedNew = true;
}

// The listener learns that the scope's changes are all made.
void TellListener(bool opened) {
    if (!Undo.Listener) return;
    Undo.Listener->StepEnds(Undo.ScopeName, opened,
                            Undo.Journal.CanUndo() ? Undo.Journal.Id(Undo.Journal.Applied - 1) : -1);
}

// How many pieces change i of the step has.
int64_t PieceCount(const TStep& step, int32_t i) {
    return i == 0 && step.Extra ? 1 + static_cast<int64_t>(step.Extra->FirstPieces.size()) : 1;
}

// Room for the largest size the step passes through, so that no change of it can fail half-way.
bool RoomForStep(TStep& step, bool undo) {
    int64_t size = Store.FileSize(), peak = Store.FileSize();
    const int32_t count = step.ChangeCount();
    for (int32_t n = 0; n < count; ++n) {
        const int32_t i = undo ? count - 1 - n : n;
        const TChange& change = step.Change(i);
        const int64_t growth = change.NewLength - change.OldLength;
        size += PieceCount(step, i) * (undo ? -growth : growth);
        peak = std::max(peak, size);
    }
    return peak <= Store.FileSize() || Store.EnsureRoom(peak - Store.FileSize());
}

// Puts the kept bytes of a change in place of those in the file, and keeps those instead: undo and redo
// are the same exchange. Pieces are exchanged in one sweep, each byte moved once.
void ExchangeChange(TChange& change, std::span<const TAddress> rest, bool undo, TByteRun& captured) {
    const TCount cur = undo ? change.NewLength : change.OldLength;
    const TCount oth = undo ? change.OldLength : change.NewLength;
    if (rest.empty()) {
        // One piece goes through the store, so that undoing and redoing keys leave its gap where they were
        // typed. The room is already there.
        if (cur > 0) std::ranges::copy(Store.StoreRun(change.Address, cur), captured.Data());
        if (oth > cur) Store.OpenGap(change.Address + cur, oth - cur);
        if (oth < cur) Store.RemoveBytes(change.Address + oth, cur - oth, false);
        if (oth > 0) std::copy_n(change.Stored.Data(), oth, Store.StoreRun(change.Address, oth).begin());
        change.Stored = std::move(captured);
        return;
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
    Store.ReplacePieces(pieces); // the room is already there
    change.Stored = std::move(captured);
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

bool ExchangeStep(TStep& step, bool undo) {
    const int32_t count = step.ChangeCount();
    std::vector<TByteRun> captured(static_cast<size_t>(count));
    try {
        for (int32_t i = 0; i < count; ++i) {
            const TChange& change = step.Change(i);
            const int64_t bytes = PieceCount(step, i) * (undo ? change.NewLength : change.OldLength);
            captured[size_t(i)].Resize(bytes);
        }
    } catch (const std::bad_alloc&) {
        Host->ShowError(Texts::CantAllocate);
        return false;
    }
    if (!RoomForStep(step, undo)) {
        Host->ShowError(Texts::CantAllocate);
        return false;
    }
    TBusyScope busy(undo ? Texts::UndoBusy : Texts::RedoBusy);
    for (int32_t n = 0; n < count; ++n) {
        const int32_t i = undo ? count - 1 - n : n;
        std::span<const TAddress> rest;
        if (i == 0 && step.Extra) rest = step.Extra->FirstPieces;
        ExchangeChange(step.Change(i), rest, undo, captured[size_t(i)]);
    }
    Store.ShrinkToFit();
    Undo.Journal.Recount();
    return true;
}

void AfterExchange(TStep& step, bool undo) {
    if (step.BlockTouched) {
        if (undo || !step.Extra)
            UnmarkBlock();
        else
            SetBlock(step.Extra->BlockBegin, step.Extra->BlockEnd);
    } else {
        // A block marked since is kept only while its bytes did not move.
        bool resized = false;
        const TAddress lowest = LowestChange(step, resized);
        if (resized && (BlockBegin != 0 || BlockEnd != 0) && std::max(BlockBegin, BlockEnd) >= lowest)
            UnmarkBlock();
        ForgetBlockPastEnd();
    }
    // The last replacement may no longer stand where Replace undo would look for it.
    EnableReplaceUndo(false);
    Modified = !Undo.Journal.AtSaved();
    ShowView(undo ? step.Before : step.After);
    Host->UpdateStatus();
    PublishUndoState();
}

void TrimAfterExchange() {
    if (Undo.Journal.Bytes <= Undo.Journal.Budget) return;
    Undo.Journal.Trim();
    PublishUndoState();
}

} // namespace

TUndoStep::TUndoStep(TStepName name) {
    if (Undo.Depth++ > 0) return;
    // Typing on: the least work possible, since it runs for every byte.
    if (name == TStepName::Typing && Undo.TypingGoesOn && Undo.TypingStep &&
        Undo.TypingVersion == Undo.Journal.Version) {
        Undo.ScopeName = name;
        Undo.ScopeBlockBegin = BlockBegin;
        Undo.ScopeBlockEnd = BlockEnd;
        Undo.ScopeOpened = true;
        Undo.ScopeOpenedNew = false;
        Undo.Unrecorded = false;
        Undo.TypingScope = true;
        return;
    }
    Undo.TypingScope = false;
    const bool typingOn = name == TStepName::Typing && Undo.TypingGoesOn && !Undo.Journal.CanRedo() &&
                          Undo.Journal.CanUndo() &&
                          Undo.Journal.NameAt(Undo.Journal.Applied - 1) == TStepName::Typing;
    Undo.TypingGoesOn = false;
    Undo.ScopeName = name;
    Undo.ScopeBefore = CurrentView();
    Undo.ScopeBlockBegin = BlockBegin;
    Undo.ScopeBlockEnd = BlockEnd;
    Undo.ScopeOpened = typingOn;
    Undo.ScopeOpenedNew = false;
    Undo.Unrecorded = false;
}

TUndoStep::~TUndoStep() {
    if (--Undo.Depth > 0) return;
    if (Undo.TypingScope && Undo.TypingVersion == Undo.Journal.Version &&
        BlockBegin == Undo.ScopeBlockBegin && BlockEnd == Undo.ScopeBlockEnd &&
        Undo.Journal.Bytes <= Undo.Journal.Budget) {
        Undo.TypingStep->After = CurrentView();
        Undo.ScopeOpened = false;
        Undo.TypingScope = false;
        TellListener(false);
        return;
    }
    Undo.TypingScope = false;
    if (Undo.ScopeOpened && Undo.Journal.CanUndo()) {
        TStep& step = Undo.Journal.Last();
        step.After = CurrentView();
        if (BlockBegin != Undo.ScopeBlockBegin || BlockEnd != Undo.ScopeBlockEnd) {
            // The block the step left, for redo.
            Undo.Journal.Bytes -= step.Cost();
            step.BlockTouched = true;
            if (BlockBegin != 0 || BlockEnd != 0) {
                step.GetExtra().BlockBegin = BlockBegin;
                step.GetExtra().BlockEnd = BlockEnd;
            } else if (step.Extra) {
                step.Extra->BlockBegin = step.Extra->BlockEnd = 0;
            }
            Undo.Journal.Bytes += step.Cost();
        }
        Undo.TypingGoesOn = Undo.ScopeName == TStepName::Typing;
        if (Undo.Journal.Bytes > Undo.Journal.Budget && !Undo.Journal.Trim()) Undo.TypingGoesOn = false;
        Undo.TypingStep = Undo.TypingGoesOn ? &Undo.Journal.Last() : nullptr;
        Undo.TypingVersion = Undo.Journal.Version;
    }
    // A change the journal did not record (it gave up, or is off) is a step of its own for recovery.
    const bool opened = Undo.ScopeOpenedNew || !Undo.ScopeOpened;
    Undo.ScopeOpened = false;
    Undo.Unrecorded = false;
    PublishUndoState();
    TellListener(opened);
}

void RecordChange(TAddress address, std::span<const uint8_t> oldBytes, TCount newLength) {
    if (Undo.Depth == 0) {
        // A change outside any command is a step of its own.
        TUndoStep step(TStepName::Change);
        RecordChange(address, oldBytes, newLength);
        return;
    }
    if (oldBytes.empty() && newLength == 0) return;
    if (Undo.Listener) Undo.Listener->NoteChange(address, static_cast<TCount>(oldBytes.size()), newLength);
    if (Undo.Unrecorded || !Undo.Journal.Enabled) return;
    try {
        if (Undo.TypingScope && Undo.Journal.AddTypedOn(*Undo.TypingStep, address, oldBytes, newLength)) {
            if (Undo.Journal.Bytes > Undo.Journal.Budget && !Undo.Journal.Trim()) GiveUpScope();
            return;
        }
        OpenScopeStep();
        Undo.Journal.Add(address, oldBytes, newLength);
    } catch (const std::bad_alloc&) {
        // Without memory for the old bytes the change cannot be undone; nothing before it can be reached.
        ForgetBeforeChange();
        return;
    }
    if (!Undo.Journal.Trim()) GiveUpScope();
}

void RecordPiecesBegin(TCount oldLength, TCount newLength) {
    if (Undo.Listener) Undo.Listener->NotePieces(oldLength, newLength);
    Undo.PieceOld = oldLength;
    Undo.PieceNew = newLength;
    // The pieces make a step of their own, opened with the first of them.
    Undo.ScopeOpened = false;
}

void RecordPiece(TAddress address, const uint8_t* oldBytes) {
    if (Undo.Listener && Undo.Depth > 0) Undo.Listener->NotePiece(address);
    if (Undo.Unrecorded || !Undo.Journal.Enabled || Undo.Depth == 0) return;
    try {
        if (!Undo.ScopeOpened) {
            OpenScopeStep();
            Undo.Journal.BeginPieces(Undo.PieceOld, Undo.PieceNew);
        }
        Undo.Journal.AddPiece(address, oldBytes);
    } catch (const std::bad_alloc&) {
        ForgetBeforeChange();
        return;
    }
    if (!Undo.Journal.Trim()) GiveUpScope();
}

void RecordPiecesEnd() {
    if (Undo.Unrecorded || !Undo.ScopeOpened) return;
    Undo.Journal.EndPieces();
    Undo.Journal.CloseLast();
}

bool ConfirmUndoable(int64_t oldBytes) {
    if (Undo.Unrecorded || !Undo.Journal.Enabled ||
        oldBytes + static_cast<int64_t>(sizeof(TStep)) <= Undo.Journal.Budget)
        return true;
    if (Host->AskYesNo(Texts::CannotBeUndone) != mrYes) return false;
    ForgetBeforeChange();
    PublishUndoState();
    return true;
}

void SealUndoStep() {
    // A run of typing is over: what it kept gives back its spare room.
    if (Undo.TypingGoesOn && Undo.Journal.CanUndo() && !Undo.Journal.CanRedo()) Undo.Journal.CloseLast();
    Undo.TypingGoesOn = false;
}

void UndoFileSaved() {
    // Typing after a save is a step of its own: one that straddled the save point could be undone to a
    // state that looks saved but is not.
    SealUndoStep();
    Undo.Journal.MarkSaved();
    PublishUndoState();
}

void ClearUndo() {
    Undo.Journal.Clear();
    Undo.TypingGoesOn = false;
    Undo.Shown.Valid = false;
    PublishUndoState();
}

void ShowUndoState() {
    PublishUndoState();
}

void ResetUndo() {
    Undo.Journal.Clear();
    Undo.Journal.Budget = DefaultUndoBudget();
    Undo.Depth = 0;
    Undo.Journal.Enabled = true;
    Undo.ScopeOpened = Undo.ScopeOpenedNew = Undo.Unrecorded = Undo.TypingGoesOn = Undo.TypingScope = false;
    Undo.TypingStep = nullptr;
    Undo.Shown = TUndo::TShown();
    Undo.ShownModified = false;
}

int64_t DefaultUndoBudget() {
    const int64_t floor = int64_t{64} << 20;
    const int64_t memory = PhysicalMemory();
    return std::max(floor, memory > 0 ? memory / 4 : floor);
}

void SetUndoBudget(int64_t bytes) {
    Undo.Journal.Budget = std::max<int64_t>(bytes, 0);
    Undo.Journal.Trim();
    PublishUndoState();
}

void Undo1Click() {
    SealUndoStep();
    if (!FileOpen || !Undo.Journal.CanUndo()) return;
    const int64_t at = Undo.Journal.Applied - 1;
    TStep& step = Undo.Journal.At(at);
    const bool done = ExchangeStep(step, true);
    if (done) {
        --Undo.Journal.Applied;
        ++Undo.Journal.Version;
        if (Undo.Listener) Undo.Listener->Exchanged(true, step, Undo.Journal.Id(at));
        AfterExchange(step, true);
    }
    Undo.Journal.PackAt(at);
    if (!done) return;
    TrimAfterExchange(); // the undone step now keeps the bytes it had inserted
}

void Redo1Click() {
    SealUndoStep();
    if (!FileOpen || !Undo.Journal.CanRedo()) return;
    const int64_t at = Undo.Journal.Applied;
    TStep& step = Undo.Journal.At(at);
    const bool done = ExchangeStep(step, false);
    if (done) {
        ++Undo.Journal.Applied;
        ++Undo.Journal.Version;
        if (Undo.Listener) Undo.Listener->Exchanged(false, step, Undo.Journal.Id(at));
        AfterExchange(step, false);
    }
    Undo.Journal.PackAt(at);
    if (!done) return;
    TrimAfterExchange(); // the redone step keeps the bytes it deleted again
}

} // namespace Engine
