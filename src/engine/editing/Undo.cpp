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

namespace {

// The hints' names of the steps, in the order of TStepName.
constexpr auto StepNames = std::to_array<const char*>(
    {"change", "typing", "deletion", "Insert string", "Insert file", "Block delete", "Block copy",
     "Block copy/overwrite", "Block move", "Cut", "Paste", "Delete from cursor", "Delete to cursor",
     "Replace", "Replace all", "Replace undo", "Patch", "Encode integer", "Data inspector"});
// A step name added without its hint, or past StepNameCount, fails here.
static_assert(StepNames.size() == StepNameCount);

TView CurrentView() {
    return {Doc().View.TopAddress, CurrentAddress()};
}

void PublishUndoState() {
    // Every change, undo, redo, save and load ends here: the mark follows Modified without a call per byte.
    if (Doc().Modified != Doc().Undo.ShownModified) {
        Doc().Undo.ShownModified = Doc().Modified;
        Host->ModifiedChanged(Doc().Modified);
    }
    if (Doc().Undo.Shown.Valid && Doc().Undo.Shown.Version == Doc().Undo.Journal.Version &&
        Doc().Undo.Shown.FileOpen == Doc().FileOpen)
        return;
    TUndo::TShown now;
    now.Valid = true;
    now.FileOpen = Doc().FileOpen;
    now.Version = Doc().Undo.Journal.Version;
    now.CanUndo = Doc().FileOpen && Doc().Undo.Journal.CanUndo();
    now.CanRedo = Doc().FileOpen && Doc().Undo.Journal.CanRedo();
    if (now.CanUndo) now.UndoName = Doc().Undo.Journal.NameAt(Doc().Undo.Journal.Applied - 1);
    if (now.CanRedo) now.RedoName = Doc().Undo.Journal.NameAt(Doc().Undo.Journal.Applied);
    if (now == Doc().Undo.Shown) return;
    Doc().Undo.Shown = now;
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
    Doc().Undo.Unrecorded = true;
    Doc().Undo.ScopeOpened = false;
}

// A change that cannot be recorded is being made: neither the steps nor the saved state can be reached.
void ForgetBeforeChange() {
    Doc().Undo.Journal.Forget();
    Doc().Undo.Journal.SavedAt = -1;
    GiveUpScope();
}

void OpenScopeStep() {
    if (Doc().Undo.ScopeOpened) return;
    Doc().Undo.Journal.Open(Doc().Undo.ScopeName, Doc().Undo.ScopeBefore);
    Doc().Undo.ScopeOpened = true;
    Doc().Undo.ScopeOpenedNew = true;
}

// The listener learns that the scope's changes are all made.
void TellListener(bool opened) {
    if (!Doc().Undo.Listener) return;
    Doc().Undo.Listener->StepEnds(
        Doc().Undo.ScopeName, opened,
        Doc().Undo.Journal.CanUndo() ? Doc().Undo.Journal.Id(Doc().Undo.Journal.Applied - 1) : -1);
}

// How many pieces change i of the step has.
int64_t PieceCount(const TStep& step, int32_t i) {
    return i == 0 && step.Extra ? 1 + static_cast<int64_t>(step.Extra->FirstPieces.size()) : 1;
}

// Room for the largest size the step passes through, so that no change of it can fail half-way.
bool RoomForStep(TStep& step, bool undo) {
    int64_t size = Doc().Store.FileSize(), peak = Doc().Store.FileSize();
    const int32_t count = step.ChangeCount();
    for (int32_t n = 0; n < count; ++n) {
        const int32_t i = undo ? count - 1 - n : n;
        const TChange& change = step.Change(i);
        const int64_t growth = change.NewLength - change.OldLength;
        size += PieceCount(step, i) * (undo ? -growth : growth);
        peak = std::max(peak, size);
    }
    return peak <= Doc().Store.FileSize() || Doc().Store.EnsureRoom(peak - Doc().Store.FileSize());
}

// Puts the kept bytes of a change in place of those in the file, and keeps those instead: undo and redo
// are the same exchange. Pieces are exchanged in one sweep, each byte moved once.
void ExchangeChange(TChange& change, std::span<const TAddress> rest, bool undo, TByteRun& captured) {
    const TCount cur = undo ? change.NewLength : change.OldLength;
    const TCount oth = undo ? change.OldLength : change.NewLength;
    if (rest.empty()) {
        // One piece goes through the store, so that undoing and redoing keys leave its gap where they were
        // typed. The room is already there.
        if (cur > 0) std::ranges::copy(Doc().Store.StoreRun(change.Address, cur), captured.Data());
        if (oth > cur) Doc().Store.OpenGap(change.Address + cur, oth - cur);
        if (oth < cur) Doc().Store.RemoveBytes(change.Address + oth, cur - oth, false);
        if (oth > 0)
            std::copy_n(change.Stored.Data(), oth, Doc().Store.StoreRun(change.Address, oth).begin());
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
    Doc().Store.ReplacePieces(pieces); // the room is already there
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
    Doc().Store.ShrinkToFit();
    Doc().Undo.Journal.Recount();
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
        if (resized && (Doc().Block.BlockBegin != 0 || Doc().Block.BlockEnd != 0) &&
            std::max(Doc().Block.BlockBegin, Doc().Block.BlockEnd) >= lowest)
            UnmarkBlock();
        ForgetBlockPastEnd();
    }
    // The last replacement may no longer stand where Replace undo would look for it.
    EnableReplaceUndo(false);
    Doc().Modified = !Doc().Undo.Journal.AtSaved();
    ShowView(undo ? step.Before : step.After);
    Host->UpdateStatus();
    PublishUndoState();
}

void TrimAfterExchange() {
    if (Doc().Undo.Journal.Bytes <= Doc().Undo.Journal.Budget) return;
    Doc().Undo.Journal.Trim();
    PublishUndoState();
}

} // namespace

TUndoStep::TUndoStep(TStepName name) {
    if (Doc().Undo.Depth++ > 0) return;
    // Typing on: the least work possible, since it runs for every byte.
    if (name == TStepName::Typing && Doc().Undo.TypingGoesOn && Doc().Undo.TypingStep &&
        Doc().Undo.TypingVersion == Doc().Undo.Journal.Version) {
        Doc().Undo.ScopeName = name;
        Doc().Undo.ScopeBlockBegin = Doc().Block.BlockBegin;
        Doc().Undo.ScopeBlockEnd = Doc().Block.BlockEnd;
        Doc().Undo.ScopeOpened = true;
        Doc().Undo.ScopeOpenedNew = false;
        Doc().Undo.Unrecorded = false;
        Doc().Undo.TypingScope = true;
        return;
    }
    Doc().Undo.TypingScope = false;
    const bool typingOn = name == TStepName::Typing && Doc().Undo.TypingGoesOn &&
                          !Doc().Undo.Journal.CanRedo() && Doc().Undo.Journal.CanUndo() &&
                          Doc().Undo.Journal.NameAt(Doc().Undo.Journal.Applied - 1) == TStepName::Typing;
    Doc().Undo.TypingGoesOn = false;
    Doc().Undo.ScopeName = name;
    Doc().Undo.ScopeBefore = CurrentView();
    Doc().Undo.ScopeBlockBegin = Doc().Block.BlockBegin;
    Doc().Undo.ScopeBlockEnd = Doc().Block.BlockEnd;
    Doc().Undo.ScopeOpened = typingOn;
    Doc().Undo.ScopeOpenedNew = false;
    Doc().Undo.Unrecorded = false;
}

TUndoStep::~TUndoStep() {
    if (--Doc().Undo.Depth > 0) return;
    if (Doc().Undo.TypingScope && Doc().Undo.TypingVersion == Doc().Undo.Journal.Version &&
        Doc().Block.BlockBegin == Doc().Undo.ScopeBlockBegin &&
        Doc().Block.BlockEnd == Doc().Undo.ScopeBlockEnd &&
        Doc().Undo.Journal.Bytes <= Doc().Undo.Journal.Budget) {
        Doc().Undo.TypingStep->After = CurrentView();
        Doc().Undo.ScopeOpened = false;
        Doc().Undo.TypingScope = false;
        TellListener(false);
        return;
    }
    Doc().Undo.TypingScope = false;
    if (Doc().Undo.ScopeOpened && Doc().Undo.Journal.CanUndo()) {
        TStep& step = Doc().Undo.Journal.Last();
        step.After = CurrentView();
        if (Doc().Block.BlockBegin != Doc().Undo.ScopeBlockBegin ||
            Doc().Block.BlockEnd != Doc().Undo.ScopeBlockEnd) {
            // The block the step left, for redo.
            Doc().Undo.Journal.Bytes -= step.Cost();
            step.BlockTouched = true;
            if (Doc().Block.BlockBegin != 0 || Doc().Block.BlockEnd != 0) {
                step.GetExtra().BlockBegin = Doc().Block.BlockBegin;
                step.GetExtra().BlockEnd = Doc().Block.BlockEnd;
            } else if (step.Extra) {
                step.Extra->BlockBegin = step.Extra->BlockEnd = 0;
            }
            Doc().Undo.Journal.Bytes += step.Cost();
        }
        Doc().Undo.TypingGoesOn = Doc().Undo.ScopeName == TStepName::Typing;
        if (Doc().Undo.Journal.Bytes > Doc().Undo.Journal.Budget && !Doc().Undo.Journal.Trim())
            Doc().Undo.TypingGoesOn = false;
        Doc().Undo.TypingStep = Doc().Undo.TypingGoesOn ? &Doc().Undo.Journal.Last() : nullptr;
        Doc().Undo.TypingVersion = Doc().Undo.Journal.Version;
    }
    // A change the journal did not record (it gave up, or is off) is a step of its own for recovery.
    const bool opened = Doc().Undo.ScopeOpenedNew || !Doc().Undo.ScopeOpened;
    Doc().Undo.ScopeOpened = false;
    Doc().Undo.Unrecorded = false;
    PublishUndoState();
    TellListener(opened);
}

void RecordChange(TAddress address, std::span<const uint8_t> oldBytes, TCount newLength) {
    if (Doc().Undo.Depth == 0) {
        // A change outside any command is a step of its own.
        TUndoStep step(TStepName::Change);
        RecordChange(address, oldBytes, newLength);
        return;
    }
    if (oldBytes.empty() && newLength == 0) return;
    if (Doc().Undo.Listener)
        Doc().Undo.Listener->NoteChange(address, static_cast<TCount>(oldBytes.size()), newLength);
    if (Doc().Undo.Unrecorded || !Doc().Undo.Journal.Enabled) return;
    try {
        if (Doc().Undo.TypingScope &&
            Doc().Undo.Journal.AddTypedOn(*Doc().Undo.TypingStep, address, oldBytes, newLength)) {
            if (Doc().Undo.Journal.Bytes > Doc().Undo.Journal.Budget && !Doc().Undo.Journal.Trim())
                GiveUpScope();
            return;
        }
        OpenScopeStep();
        Doc().Undo.Journal.Add(address, oldBytes, newLength);
    } catch (const std::bad_alloc&) {
        // Without memory for the old bytes the change cannot be undone; nothing before it can be reached.
        ForgetBeforeChange();
        return;
    }
    if (!Doc().Undo.Journal.Trim()) GiveUpScope();
}

void RecordPiecesBegin(TCount oldLength, TCount newLength) {
    if (Doc().Undo.Listener) Doc().Undo.Listener->NotePieces(oldLength, newLength);
    Doc().Undo.PieceOld = oldLength;
    Doc().Undo.PieceNew = newLength;
    // The pieces make a step of their own, opened with the first of them.
    Doc().Undo.ScopeOpened = false;
}

void RecordPiece(TAddress address, const uint8_t* oldBytes) {
    if (Doc().Undo.Listener && Doc().Undo.Depth > 0) Doc().Undo.Listener->NotePiece(address);
    if (Doc().Undo.Unrecorded || !Doc().Undo.Journal.Enabled || Doc().Undo.Depth == 0) return;
    try {
        if (!Doc().Undo.ScopeOpened) {
            OpenScopeStep();
            Doc().Undo.Journal.BeginPieces(Doc().Undo.PieceOld, Doc().Undo.PieceNew);
        }
        Doc().Undo.Journal.AddPiece(address, oldBytes);
    } catch (const std::bad_alloc&) {
        ForgetBeforeChange();
        return;
    }
    if (!Doc().Undo.Journal.Trim()) GiveUpScope();
}

void RecordPiecesEnd() {
    if (Doc().Undo.Unrecorded || !Doc().Undo.ScopeOpened) return;
    Doc().Undo.Journal.EndPieces();
    Doc().Undo.Journal.CloseLast();
}

bool ConfirmUndoable(int64_t oldBytes) {
    if (Doc().Undo.Unrecorded || !Doc().Undo.Journal.Enabled ||
        oldBytes + static_cast<int64_t>(sizeof(TStep)) <= Doc().Undo.Journal.Budget)
        return true;
    if (Host->AskYesNo(Texts::CannotBeUndone) != mrYes) return false;
    ForgetBeforeChange();
    PublishUndoState();
    return true;
}

void SealUndoStep() {
    // A run of typing is over: what it kept gives back its spare room.
    if (Doc().Undo.TypingGoesOn && Doc().Undo.Journal.CanUndo() && !Doc().Undo.Journal.CanRedo())
        Doc().Undo.Journal.CloseLast();
    Doc().Undo.TypingGoesOn = false;
}

void UndoFileSaved() {
    // Typing after a save is a step of its own: one that straddled the save point could be undone to a
    // state that looks saved but is not.
    SealUndoStep();
    Doc().Undo.Journal.MarkSaved();
    PublishUndoState();
}

void ClearUndo() {
    Doc().Undo.Journal.Clear();
    Doc().Undo.TypingGoesOn = false;
    Doc().Undo.Shown.Valid = false;
    PublishUndoState();
}

void ShowUndoState() {
    PublishUndoState();
}

void ResetUndo() {
    Doc().Undo.Journal.Clear();
    Doc().Undo.Journal.Budget = DefaultUndoBudget();
    Doc().Undo.Depth = 0;
    Doc().Undo.Journal.Enabled = true;
    Doc().Undo.ScopeOpened = Doc().Undo.ScopeOpenedNew = Doc().Undo.Unrecorded = Doc().Undo.TypingGoesOn =
        Doc().Undo.TypingScope = false;
    Doc().Undo.TypingStep = nullptr;
    Doc().Undo.Shown = TUndo::TShown();
    Doc().Undo.ShownModified = false;
}

int64_t DefaultUndoBudget() {
    const int64_t floor = int64_t{64} << 20;
    const int64_t memory = PhysicalMemory();
    return std::max(floor, memory > 0 ? memory / 4 : floor);
}

void SetUndoBudget(int64_t bytes) {
    Doc().Undo.Journal.Budget = std::max<int64_t>(bytes, 0);
    Doc().Undo.Journal.Trim();
    PublishUndoState();
}

void Undo1Click() {
    SealUndoStep();
    if (!Doc().FileOpen || !Doc().Undo.Journal.CanUndo()) return;
    const int64_t at = Doc().Undo.Journal.Applied - 1;
    TStep& step = Doc().Undo.Journal.At(at);
    const bool done = ExchangeStep(step, true);
    if (done) {
        --Doc().Undo.Journal.Applied;
        ++Doc().Undo.Journal.Version;
        if (Doc().Undo.Listener) Doc().Undo.Listener->Exchanged(true, step, Doc().Undo.Journal.Id(at));
        AfterExchange(step, true);
    }
    Doc().Undo.Journal.PackAt(at);
    if (!done) return;
    TrimAfterExchange(); // the undone step now keeps the bytes it had inserted
}

void Redo1Click() {
    SealUndoStep();
    if (!Doc().FileOpen || !Doc().Undo.Journal.CanRedo()) return;
    const int64_t at = Doc().Undo.Journal.Applied;
    TStep& step = Doc().Undo.Journal.At(at);
    const bool done = ExchangeStep(step, false);
    if (done) {
        ++Doc().Undo.Journal.Applied;
        ++Doc().Undo.Journal.Version;
        if (Doc().Undo.Listener) Doc().Undo.Listener->Exchanged(false, step, Doc().Undo.Journal.Id(at));
        AfterExchange(step, false);
    }
    Doc().Undo.Journal.PackAt(at);
    if (!done) return;
    TrimAfterExchange(); // the redone step keeps the bytes it deleted again
}

} // namespace Engine
