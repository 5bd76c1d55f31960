// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/recovery/RecoveryFormat.h"

#include <cstdint>
#include <string>

// Puts the changes of a recovery journal back into the open file, each an undo step as it was made.
namespace Engine {

class TDocument;

struct TReplayOutcome {
    int64_t Changes = 0;  // records that made, undid or redid a step, replayed
    bool Complete = true; // no sound record was left because it did not fit the file
    int64_t Length = 0;   // the journal's bytes up to the end of the last record replayed
};

// Replays the records after reader's header, with the progress box (changes: how many the journal holds,
// name: what the box shows). Typing goes on in the step it continued; an undo or redo that the undo journal
// can make itself is made so, else its bytes go in as a step of their own. Stops at the first record that
// does not fit the file. strict: the file is the one the journal was written against, and every record
// must leave the size it names; else (a file changed since) the records go in where they fit. The
// recovery journal's reports must be off (TRecoveryPause).
TReplayOutcome ReplayJournal(TDocument& doc, TJournalReader& reader, int64_t changes, const std::string& name,
                             bool strict = true);
// One record onto the open file; false when it does not fit (nothing changed then).
bool ReplayRecord(TDocument& doc, const TRecordView& record, bool strict = true);

} // namespace Engine
