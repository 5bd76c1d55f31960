// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/recovery/RecoveryFormat.h"
#include "engine/document/Types.h"
#include "engine/recovery/RecoveryJournal.h"

#include <cstdint>
#include <string>
#include <vector>

// The recovery journal of the open file: while it has unsaved changes, every change goes to a journal in
// RecoveryFolder as it is made, so that a crash, a kill or a power cut loses nothing a later start cannot
// offer back. The records are built on the undo journal's steps: the undo journal reports each change it
// records and the end of each command, undo and redo; the record holds the bytes the change put in place.
namespace Engine {

class TDocument;

// Loading and saving compute the hash of the contents while they run, when a journal could need it.
bool RecoveryWantsHash(TDocument& doc);
// LoadFile read a whole file whose contents have this hash.
void RecoveryLoaded(TDocument& doc, uint64_t hash);
// The hash the last whole load reported (valid: one was reported since).
bool RecoveryLoadedHash(TDocument& doc, uint64_t& hash);
// The open file as it now stands is what the next journal starts from (after a load, New); a journal of
// the file before is removed.
void RecoveryNewBase(TDocument& doc);
// What the open file's journal starts from; false when it has none.
bool RecoveryBase(TDocument& doc, TJournalHeader& header);
// The user was told that another program has unsaved changes to the open file: the journal's first
// record does not tell it again.
void RecoveryOthersTold(TDocument& doc);
// The file was saved whole under name, its contents having hash: the journal starts again from them.
void RecoverySaved(TDocument& doc, const std::string& name, uint64_t hash);
// The file was closed, saved or its changes given up: the journal is removed.
void RecoveryClosed(TDocument& doc);
// Waits until the journal is on the disk (tests, the end of the program).
void RecoveryDrain(TDocument& doc);
// The journal file being written ("" when none), and the bytes written to journals so far.
std::string RecoveryJournalPath(TDocument& doc);
int64_t RecoveryBytesWritten(TDocument& doc);
// Back to the start values, without a journal (tests, between cases).
void ResetRecovery(TDocument& doc);

// A journal in the recovery folder, read and checked.
class TFoundJournal {
  public:
    TFoundJournal() = default;
    ~TFoundJournal();
    TFoundJournal(TFoundJournal&& other) noexcept;
    TFoundJournal& operator=(TFoundJournal&& other) noexcept;

    std::string Path;
    bool Running = false; // another program holds it: that program has unsaved changes
    TJournalHeader Header;
    int64_t Changes = 0;  // records that made, undid or redid a step
    int64_t LastTime = 0; // of the last record, nanoseconds since the epoch
    int64_t ValidLength = 0;
    int Fd = -1; // held open and locked while nobody else holds it

    // The journal's bytes (empty when they cannot be read).
    std::vector<uint8_t> Read() const;
    // Removes the file.
    void Remove();
};

// The journals in the recovery folder other than this program's own; with name, only those of that file.
// A journal left by a program that ended is held (locked) by the result until it is dropped.
std::vector<TFoundJournal> FindJournals(TDocument& doc, const std::string* name = nullptr);

// Replay of a journal is made with the reports off; afterwards the journal goes on as the open file's.
class TRecoveryPause {
  public:
    explicit TRecoveryPause(TDocument& doc);
    ~TRecoveryPause();
    TRecoveryPause(const TRecoveryPause&) = delete;
    TRecoveryPause& operator=(const TRecoveryPause&) = delete;

  private:
    TDocument& doc;
    bool Was;
};
// The open file holds the journal's changes up to length bytes: the journal is written on from there.
// Takes over the journal's file and lock. The undo journal's steps and applied count, as the replay left
// them, are what later undo and redo records are measured against.
void RecoveryAdopt(TDocument& doc, TFoundJournal&& journal, int64_t length, std::span<const int64_t> stepIds,
                   int64_t applied);
// The open file starts a journal of its own whose first record holds all of its bytes (after a recovery
// into an untitled file, whose contents no header can name).
void RecoverySnapshot(TDocument& doc);

} // namespace Engine
