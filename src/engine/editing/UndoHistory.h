// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"
#include "engine/editing/UndoJournal.h"
#include "engine/editing/UndoListener.h"

#include <cstdint>

namespace Engine {

// The undo history of the open file: the journal and the command scope being recorded.
class TUndo {
  public:
    TUndoJournal Journal;
    // Hears of every change recorded (null: nobody listens).
    TUndoListener* Listener = nullptr;

    // The command scope in force.
    int Depth = 0;
    TStepName ScopeName = TStepName::Change;
    TView ScopeBefore;
    TAddress ScopeBlockBegin = 0;
    TAddress ScopeBlockEnd = 0;
    bool ScopeOpened = false;    // the scope's step stands last in the journal
    bool ScopeOpenedNew = false; // the scope opened a step of its own (the listener asks)
    bool Unrecorded = false; // the user let a change go that cannot be undone; the scope records nothing more
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
    // What the caption's modified mark shows.
    bool ShownModified = false;
};

} // namespace Engine
