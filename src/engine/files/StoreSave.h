// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/files/FileReplace.h"
#include "engine/files/FileSource.h"
#include "engine/files/RollbackJournal.h"
#include "engine/store/PieceStore.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

// Saving the store's contents: only the changed ranges in place when the size stayed and only overwrites
// happened, else the whole contents streamed into a new file that replaces the old one. Either way the
// pieces of earlier snapshots (undo, redo) still read the file as it was opened.
namespace FileAccess {

struct TInPlaceResult {
    int Code = 0;                              // a DOS error number
    TJournalStep Step = TJournalStep::FileWrite; // where it failed
    bool FileIntact = false;                   // after a failure, the file holds its old bytes (untouched or put back)
    std::string JournalLeft;                   // a journal still holding bytes: the next start repairs from it
    bool Ok() const { return Code == 0; }
};

// The ranges grown to whole sectors of sectorSize bytes inside size, merged: a device is written in sectors.
std::vector<Engine::TRange> WholeSectors(const std::vector<Engine::TRange>& ranges, int sectorSize, int64_t size);

// Writes the changed ranges of current (its size the file's: current.ChangedSince(the snapshot last saved))
// over file's file in place: their old bytes first go to journal, flushed; then the file is written and
// flushed; then the journal is emptied. A failure puts the old bytes back. A device is written in whole
// sectors. file keeps the old bytes it reads for earlier snapshots.
TInPlaceResult SaveChangedInPlace(TFileSource& file, const Engine::TStoreSnapshot& current,
                                  const std::vector<Engine::TRange>& changed, TRollbackJournal& journal,
                                  const TJournalFaults& faults = {});

// What SaveByStreaming's result carries as Code when written cancelled the save.
inline constexpr int SaveCancelled = -1;

// Gets each span as it is written; false cancels the save (not while a file is overwritten in place).
using TWrittenSpan = std::function<bool(std::span<const uint8_t> bytes)>;

// Streams current into a new file beside path that replaces it (ReplaceFile: free space, owner,
// permissions, time, backup; request.Size and WriteContents are filled in here). opened: the file the
// contents' pieces are read from, or null; where path is that file and must be overwritten in place, it
// is read from the safety copy from then on (and without a copy nothing is written). A piece that cannot be
// read fails the save with GeneralFailure before the old file is replaced.
TReplaceResult SaveByStreaming(const std::string& path, const Engine::TStoreSnapshot& current,
                               TReplaceRequest request, const std::shared_ptr<TFileSource>& opened,
                               const TWrittenSpan& written = {});

} // namespace FileAccess
