// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/editing/Undo.h"

#include "engine/document/Blocks.h"
#include "engine/store/ByteStore.h"
#include "engine/document/EngineState.h"
#include "engine/document/CommandEnabling.h"
#include "engine/document/HostScopes.h"
#include "engine/recovery/Recovery.h"
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

TUndoJournal Journal;

namespace {

// The hints' names of the steps, in the order of TStepName.
constexpr std::array<const char*, 19> StepNames{"change",
                                                "typing",
                                                "deletion",
                                                "Insert string",
                                                "Insert file",
                                                "Block delete",
                                                "Block copy",
                                                "Block copy/overwrite",
                                                "Block move",
                                                "Cut",
                                                "Paste",
                                                "Delete from cursor",
                                                "Delete to cursor",
                                                "Replace",
                                                "Replace all",
                                                "Replace undo",
                                                "Patch",
                                                "Encode integer",
                                                "Data inspector"};
static_assert(StepNames.size() == size_t(TStepName::InspectorEdit) + 1);

// The command scope in force.
int Depth = 0;
TStepName ScopeName = TStepName::Change;
TView ScopeBefore;
TAddress ScopeBlockBegin = 0;
TAddress ScopeBlockEnd = 0;
bool ScopeOpened = false; // the scope's step stands last in the journal
bool ScopeOpenedNew = false; // the scope opened a step of its own (the recovery journal asks)
bool Unrecorded = false;  // the user let a change go that cannot be undone; the scope records nothing more
bool TypingGoesOn = false;
// The step a run of typing goes on in, valid while the journal's steps stay as they were (Version).
TStep* TypingStep = nullptr;
uint64_t TypingVersion = 0;
bool TypingScope = false; // the scope in force goes on in TypingStep
TCount PieceOld = 0, PieceNew = 0;

// What the menu shows, so that typing does not touch the menu with every byte.
struct TShown {
    bool Valid = false;
    bool FileOpen = false;
    uint64_t Version = 0;
    bool CanUndo = false;
    bool CanRedo = false;
    TStepName UndoName{};
    TStepName RedoName{};
    bool operator==(const TShown&) const = default;
};
TShown Shown;

TView CurrentView() {
    return {TopAddress, CurrentAddress()};
}

// What the caption's modified mark shows.
bool ShownModified = false;

void PublishUndoState() {
    // Every change, undo, redo, save and load ends here: the mark follows Modified without a call per byte.
    if (Modified != ShownModified) {
        ShownModified = Modified;
        Host->ModifiedChanged(Modified);
    }
    if (Shown.Valid && Shown.Version == Journal.Version && Shown.FileOpen == FileOpen) return;
    TShown now;
    now.Valid = true;
    now.FileOpen = FileOpen;
    now.Version = Journal.Version;
    now.CanUndo = FileOpen && Journal.CanUndo();
    now.CanRedo = FileOpen && Journal.CanRedo();
    if (now.CanUndo) now.UndoName = Journal.NameAt(Journal.Applied - 1);
    if (now.CanRedo) now.RedoName = Journal.NameAt(Journal.Applied);
    if (now == Shown) return;
    Shown = now;
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
    Unrecorded = true;
    ScopeOpened = false;
}

// A change that cannot be recorded is being made: neither the steps nor the saved state can be reached.
void ForgetBeforeChange() {
    Journal.Forget();
    Journal.SavedAt = -1;
    GiveUpScope();
}

void OpenScopeStep() {
    if (ScopeOpened) return;
    Journal.Open(ScopeName, ScopeBefore);
    ScopeOpened = true;
    ScopeOpenedNew = true;
}

// The recovery journal learns that the scope's changes are all made.
void TellRecovery(bool opened) {
    if (!RecoveryListening) return;
    RecoveryStepEnds(ScopeName, opened, Journal.CanUndo() ? Journal.Id(Journal.Applied - 1) : -1);
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
    Journal.Recount();
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
    Modified = !Journal.AtSaved();
    ShowView(undo ? step.Before : step.After);
    Host->UpdateStatus();
    PublishUndoState();
}

void TrimAfterExchange() {
    if (Journal.Bytes <= Journal.Budget) return;
    Journal.Trim();
    PublishUndoState();
}

} // namespace

TUndoStep::TUndoStep(TStepName name) {
    if (Depth++ > 0) return;
    // Typing on: the least work possible, since it runs for every byte.
    if (name == TStepName::Typing && TypingGoesOn && TypingStep && TypingVersion == Journal.Version) {
        ScopeName = name;
        ScopeBlockBegin = BlockBegin;
        ScopeBlockEnd = BlockEnd;
        ScopeOpened = true;
        ScopeOpenedNew = false;
        Unrecorded = false;
        TypingScope = true;
        return;
    }
    TypingScope = false;
    const bool typingOn = name == TStepName::Typing && TypingGoesOn && !Journal.CanRedo() &&
                          Journal.CanUndo() && Journal.NameAt(Journal.Applied - 1) == TStepName::Typing;
    TypingGoesOn = false;
    ScopeName = name;
    ScopeBefore = CurrentView();
    ScopeBlockBegin = BlockBegin;
    ScopeBlockEnd = BlockEnd;
    ScopeOpened = typingOn;
    ScopeOpenedNew = false;
    Unrecorded = false;
}

TUndoStep::~TUndoStep() {
    if (--Depth > 0) return;
    if (TypingScope && TypingVersion == Journal.Version && BlockBegin == ScopeBlockBegin &&
        BlockEnd == ScopeBlockEnd && Journal.Bytes <= Journal.Budget) {
        TypingStep->After = CurrentView();
        ScopeOpened = false;
        TypingScope = false;
        TellRecovery(false);
        return;
    }
    TypingScope = false;
    if (ScopeOpened && Journal.CanUndo()) {
        TStep& step = Journal.Last();
        step.After = CurrentView();
        if (BlockBegin != ScopeBlockBegin || BlockEnd != ScopeBlockEnd) {
            // The block the step left, for redo.
            Journal.Bytes -= step.Cost();
            step.BlockTouched = true;
            if (BlockBegin != 0 || BlockEnd != 0) {
                step.GetExtra().BlockBegin = BlockBegin;
                step.GetExtra().BlockEnd = BlockEnd;
            } else if (step.Extra) {
                step.Extra->BlockBegin = step.Extra->BlockEnd = 0;
            }
            Journal.Bytes += step.Cost();
        }
        TypingGoesOn = ScopeName == TStepName::Typing;
        if (Journal.Bytes > Journal.Budget && !Journal.Trim()) TypingGoesOn = false;
        TypingStep = TypingGoesOn ? &Journal.Last() : nullptr;
        TypingVersion = Journal.Version;
    }
    // A change the journal did not record (it gave up, or is off) is a step of its own for recovery.
    const bool opened = ScopeOpenedNew || !ScopeOpened;
    ScopeOpened = false;
    Unrecorded = false;
    PublishUndoState();
    TellRecovery(opened);
}

void RecordChange(TAddress address, std::span<const uint8_t> oldBytes, TCount newLength) {
    if (Depth == 0) {
        // A change outside any command is a step of its own.
        TUndoStep step(TStepName::Change);
        RecordChange(address, oldBytes, newLength);
        return;
    }
    if (oldBytes.empty() && newLength == 0) return;
    if (RecoveryListening) RecoveryNoteChange(address, static_cast<TCount>(oldBytes.size()), newLength);
    if (Unrecorded || !Journal.Enabled) return;
    try {
        if (TypingScope && Journal.AddTypedOn(*TypingStep, address, oldBytes, newLength)) {
            if (Journal.Bytes > Journal.Budget && !Journal.Trim()) GiveUpScope();
            return;
        }
        OpenScopeStep();
        Journal.Add(address, oldBytes, newLength);
    } catch (const std::bad_alloc&) {
        // Without memory for the old bytes the change cannot be undone; nothing before it can be reached.
        ForgetBeforeChange();
        return;
    }
    if (!Journal.Trim()) GiveUpScope();
}

void RecordPiecesBegin(TCount oldLength, TCount newLength) {
    if (RecoveryListening) RecoveryNotePieces(oldLength, newLength);
    PieceOld = oldLength;
    PieceNew = newLength;
    // The pieces make a step of their own, opened with the first of them.
    ScopeOpened = false;
}

void RecordPiece(TAddress address, const uint8_t* oldBytes) {
    if (RecoveryListening && Depth > 0) RecoveryNotePiece(address);
    if (Unrecorded || !Journal.Enabled || Depth == 0) return;
    try {
        if (!ScopeOpened) {
            OpenScopeStep();
            Journal.BeginPieces(PieceOld, PieceNew);
        }
        Journal.AddPiece(address, oldBytes);
    } catch (const std::bad_alloc&) {
        ForgetBeforeChange();
        return;
    }
    if (!Journal.Trim()) GiveUpScope();
}

void RecordPiecesEnd() {
    if (Unrecorded || !ScopeOpened) return;
    Journal.EndPieces();
    Journal.CloseLast();
}

bool ConfirmUndoable(int64_t oldBytes) {
    if (Unrecorded || !Journal.Enabled || oldBytes + static_cast<int64_t>(sizeof(TStep)) <= Journal.Budget)
        return true;
    if (Host->AskYesNo(Texts::CannotBeUndone) != mrYes) return false;
    ForgetBeforeChange();
    PublishUndoState();
    return true;
}

void SealUndoStep() {
    // A run of typing is over: what it kept gives back its spare room.
    if (TypingGoesOn && Journal.CanUndo() && !Journal.CanRedo()) Journal.CloseLast();
    TypingGoesOn = false;
}

void UndoFileSaved() {
    // Typing after a save is a step of its own: one that straddled the save point could be undone to a
    // state that looks saved but is not.
    SealUndoStep();
    Journal.MarkSaved();
    PublishUndoState();
}

void ClearUndo() {
    Journal.Clear();
    TypingGoesOn = false;
    Shown.Valid = false;
    PublishUndoState();
}

void ShowUndoState() {
    PublishUndoState();
}

void ResetUndo() {
    Journal.Clear();
    Journal.Budget = DefaultUndoBudget();
    Depth = 0;
    Journal.Enabled = true;
    ScopeOpened = ScopeOpenedNew = Unrecorded = TypingGoesOn = TypingScope = false;
    TypingStep = nullptr;
    Shown = TShown();
    ShownModified = false;
}

int64_t DefaultUndoBudget() {
    const int64_t floor = int64_t{64} << 20;
    const int64_t memory = PhysicalMemory();
    return std::max(floor, memory > 0 ? memory / 4 : floor);
}

void SetUndoBudget(int64_t bytes) {
    Journal.Budget = std::max<int64_t>(bytes, 0);
    Journal.Trim();
    PublishUndoState();
}

void Undo1Click() {
    SealUndoStep();
    if (!FileOpen || !Journal.CanUndo()) return;
    const int64_t at = Journal.Applied - 1;
    TStep& step = Journal.At(at);
    const bool done = ExchangeStep(step, true);
    if (done) {
        --Journal.Applied;
        ++Journal.Version;
        if (RecoveryListening) RecoveryExchanged(true, step, Journal.Id(at));
        AfterExchange(step, true);
    }
    Journal.PackAt(at);
    if (!done) return;
    TrimAfterExchange(); // the undone step now keeps the bytes it had inserted
}

void Redo1Click() {
    SealUndoStep();
    if (!FileOpen || !Journal.CanRedo()) return;
    const int64_t at = Journal.Applied;
    TStep& step = Journal.At(at);
    const bool done = ExchangeStep(step, false);
    if (done) {
        ++Journal.Applied;
        ++Journal.Version;
        if (RecoveryListening) RecoveryExchanged(false, step, Journal.Id(at));
        AfterExchange(step, false);
    }
    Journal.PackAt(at);
    if (!done) return;
    TrimAfterExchange(); // the redone step keeps the bytes it deleted again
}

} // namespace Engine
