// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/search/FindPattern.h"
#include "engine/store/PieceStore.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

// Find all: every hit of a pattern in a snapshot of the store, for a worker thread. Hits do not overlap:
// after a hit the search goes on behind it, as Find again steps from hit to hit.
namespace Engine {

struct TFoundHit {
    TAddress Address = 0;
    TCount Length = 0;
    friend bool operator==(const TFoundHit&, const TFoundHit&) = default;
};

// Called now and then with the bytes searched so far and in all; false cancels, and Find all returns what it
// has found.
using TFindProgress = std::function<bool(TCount done, TCount total)>;
// The rows kept since the last call and the hits counted so far, once per stride and at the end.
using TFoundRows = std::function<void(std::span<const TFoundHit> rows, TCount count)>;

struct TFindAllOptions {
    TFindProgress Progress;
    TFoundRows Rows;
    size_t MaxRows = 100000;
    TCount ProgressStride = TCount{16} << 20; // bytes searched between two calls of Progress
};

enum class TFindAllStatus {
    Done,
    Cancelled,
    Unreadable, // a piece of the file could not be read (Read says where)
    Failed      // the pattern needed too much work (Failure says where)
};

struct TFindAllResult {
    std::vector<TFoundHit> Rows; // the first MaxRows hits
    TCount Count = 0;            // every hit, also past MaxRows
    bool RowsCut = false;
    TFindAllStatus Status = TFindAllStatus::Done;
    TAddress Reached = 1; // every hit that starts before it has been found
    TReadResult Read;
    std::string Failure;
};

TFindAllResult FindAll(const TStoreSnapshot& snapshot, const TFindPattern& pattern,
                       const TFindAllOptions& options = {});

// The hits that cover any of first .. first + count - 1, for marking what the panes show: the search starts
// a longest hit before first, so the cost follows count and not the file. Where hits could overlap, the hits
// of Find all may differ from these, which begin from another place.
std::vector<TFoundHit> HitsInRange(const TStoreSnapshot& snapshot, const TFindPattern& pattern,
                                   TAddress first, TCount count);

} // namespace Engine
