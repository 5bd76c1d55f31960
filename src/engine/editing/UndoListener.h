// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"
#include "engine/editing/UndoJournal.h"

#include <cstdint>

namespace Engine {

// Whoever keeps a record of the file's changes besides the undo journal (the crash-recovery journal) hears of
// each change undo records and of the end of each command, undo and redo; undo knows nothing more of it.
class TUndoListener {
  public:
    virtual ~TUndoListener() = default;
    // oldLength bytes at address (the file as it was before the change) became newLength bytes.
    virtual void NoteChange(TAddress address, TCount oldLength, TCount newLength) = 0;
    // Pieces of oldLength bytes becoming newLength bytes each (Replace all), then each piece's address.
    virtual void NotePieces(TCount oldLength, TCount newLength) = 0;
    virtual void NotePiece(TAddress address) = 0;
    // A command's changes are all made. opened: they made a new undo step, else typing went on in the last;
    // stepId: the step's TUndoJournal::Id (-1 when there is none).
    virtual void StepEnds(TStepName name, bool opened, int64_t stepId) = 0;
    // Undo (or redo) exchanged the bytes of step, whose TUndoJournal::Id is stepId.
    virtual void Exchanged(bool undo, TStep& step, int64_t stepId) = 0;
};

} // namespace Engine
