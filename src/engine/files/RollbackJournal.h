// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/files/FileAccess.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// The rollback journal of a save in place: the old bytes of the ranges about to be overwritten, flushed before
// the file is touched and removed once the file's new bytes are flushed. A journal left behind by a crash
// puts the old bytes back at the next start, unless the file already holds all the new ones.
namespace FileAccess {

// The writes and flushes of a save in place and of a repair, each of which a test can make fail.
enum class TJournalStep {
    JournalCreate,
    JournalWrite,
    JournalSync,
    FileWrite,
    FileSync,
    JournalRemove,
    RestoreWrite,
    RestoreSync
};
// Tests only: asked before each step; a nonzero errno fails it (a write then puts half its bytes first, as a
// full disk does). A test may also throw from it to stop everything there, as a power cut would.
using TJournalFaults = std::function<int(TJournalStep)>;

// Calls faults for step: 0 or a DOS error number.
int JournalFault(const TJournalFaults& faults, TJournalStep step);

// Old bytes at an offset of the file.
struct TOldBytes {
    int64_t Offset = 0;
    std::vector<uint8_t> Bytes;
};

// One journal file, kept (wiped, locked) from one save to the next so that a save pays no new file.
class TRollbackJournal {
  public:
    explicit TRollbackJournal(std::string folder);
    // A wiped journal goes with it; one that still holds old bytes stays for the repair.
    ~TRollbackJournal();
    TRollbackJournal(const TRollbackJournal&) = delete;
    TRollbackJournal& operator=(const TRollbackJournal&) = delete;

    // Writes the old bytes for target, whose identity is stamp, and the hash of the new bytes that will
    // take their place, and flushes them. The file is made in the folder (created when missing) at the first
    // use. 0 or a DOS error number; a failed journal is wiped again.
    int Write(const std::string& target, const TFileStamp& stamp, const std::vector<TOldBytes>& old,
              uint64_t newHash, const TJournalFaults& faults);
    // Wipes the journal once the file's new bytes are flushed. 0, or the error that left it in force.
    int Remove(const TJournalFaults& faults);
    const std::string& Path() const { return JournalPath; }
    bool Holding() const { return HoldsBytes; }

  private:
    int Open(const TJournalFaults& faults);
    // The journal no longer counts: its magic wiped.
    int Invalidate();

    std::string Folder;
    std::string JournalPath;
    bool HoldsBytes = false;
    // Held open and locked while the journal lives, so that the repair of another instance of the program
    // starting meanwhile leaves it alone.
    TFile File;
};

// Writes old over file at their offsets and flushes it.
int PutBack(TFile& file, const std::vector<TOldBytes>& old, const TJournalFaults& faults);
// The hash of the bytes a journal's ranges name, one range after another; the contents of a store or a file.
uint64_t RangesHash(const std::vector<TOldBytes>& ranges, const std::function<bool(int64_t offset, std::span<uint8_t> into)>& read);

enum class TRepairOutcome {
    Discarded,  // the journal was never complete: the file was not touched
    Completed,  // the file already held every new byte: the save had finished
    RolledBack, // the old bytes were put back
    InUse,      // a save that is still running holds it: left alone
    Failed      // the file could not be repaired (Code says why), or is no longer the file; the journal stays
};

struct TRepair {
    std::string Journal;
    std::string Target; // empty when the journal could not be read
    TRepairOutcome Outcome = TRepairOutcome::Discarded;
    int Code = 0;
};

// Repairs every file a journal left in folder names (the start, or the open of that file), and removes the
// journals that are done with.
std::vector<TRepair> RepairFromJournals(const std::string& folder, const TJournalFaults& faults = {});
TRepair RepairFromJournal(const std::string& journal, const TJournalFaults& faults = {});

} // namespace FileAccess
