// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/editing/UndoHistory.h"

#include <cstdint>
#include <span>

// Undo and redo of every change of the bytes. Each command that changes the file opens a TUndoStep for its
// duration and records each change before (or, for insertions, right after) making it.
namespace Engine {

class TDocument;

// One user command: whatever it records is one step. A scope inside another belongs to the outer one.
// Typing goes on in the last step until the user does anything else (see SealUndoStep).
class TUndoStep {
  public:
    TUndoStep(TDocument& doc, TStepName name);
    ~TUndoStep();
    TUndoStep(const TUndoStep&) = delete;
    TUndoStep& operator=(const TUndoStep&) = delete;

  private:
    TDocument& doc;
};

// oldBytes at address (as the file is before the change) become newLength bytes.
void RecordChange(TDocument& doc, TAddress address, std::span<const uint8_t> oldBytes, TCount newLength);
// The oldLength bytes at address (read from the store) become newLength bytes. False, after saying why,
// when those bytes cannot be read: the change must not be made then.
bool RecordStoreChange(TDocument& doc, TAddress address, TCount oldLength, TCount newLength);
// Replace all: every piece of oldLength bytes becomes newLength bytes. Pieces come in ascending or
// descending address order, each with its address as the file was before the command.
void RecordPiecesBegin(TDocument& doc, TCount oldLength, TCount newLength);
void RecordPiece(TDocument& doc, TAddress address, const uint8_t* oldBytes);
void RecordPiecesEnd(TDocument& doc);
// Before a change that keeps this many old bytes: a step the journal could never hold asks first.
// False when the user declined; the change must not be made then.
bool ConfirmUndoable(TDocument& doc, int64_t oldBytes);

// The user did something else than type on: the next typed byte starts a step of its own.
void SealUndoStep(TDocument& doc);
void UndoFileSaved(TDocument& doc);
// New, Open, Close and a load start with nothing to undo.
void ClearUndo(TDocument& doc);
// The caption's modified mark and the Undo and Redo commands as Modified and the journal now stand.
void ShowUndoState(TDocument& doc);
// Back to the start values, without the window (tests, between cases).
void ResetUndo(TDocument& doc);

// The journal's budget in bytes; the default is a quarter of the memory, at least 64 MiB.
int64_t DefaultUndoBudget();
void SetUndoBudget(TDocument& doc, int64_t bytes);

void Undo1Click(TDocument& doc);
void Redo1Click(TDocument& doc);

} // namespace Engine
