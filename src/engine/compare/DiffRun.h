// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// What a comparison of two files reports: the runs where they differ, in order on both sides. Between two
// runs (and before the first, after the last) the files are equal, byte for byte, over the same length.
// Addresses are 1-based, as everywhere in the engine.
namespace Compare {

enum class TDiffKind : uint8_t {
    Changed, // Length bytes at A stand where Length other bytes stand at B
    Deleted, // Length bytes at A only (only on the left); B is where they would be
    Inserted // Length bytes at B only (only on the right); A is where they would be
};

struct TDiffRun {
    TDiffKind Kind = TDiffKind::Changed;
    TAddress A = 1;
    TAddress B = 1;
    TCount Length = 0;
    TCount LengthA() const { return Kind == TDiffKind::Inserted ? 0 : Length; }
    TCount LengthB() const { return Kind == TDiffKind::Deleted ? 0 : Length; }
    friend bool operator==(const TDiffRun&, const TDiffRun&) = default;
};

enum class TCompareStatus : uint8_t {
    Done,
    Cancelled, // the progress callback asked to stop
    Unreadable // a side could not be read to its end
};

struct TCompareResult {
    std::vector<TDiffRun> Runs;
    // Counted even past MaxRuns: every differing range and the bytes in them (Length summed).
    TCount Ranges = 0;
    TCount Bytes = 0;
    bool RunsCut = false; // more runs than MaxRuns were found; only the first are kept
    TCompareStatus Status = TCompareStatus::Done;
    // Everything before these addresses has been compared: the runs up to there are final, also when the
    // comparison was cancelled. When done, both are one past their side's end.
    TAddress ReachedA = 1;
    TAddress ReachedB = 1;
};

// Called now and then from the comparing thread with the bytes compared on both sides so far and in all;
// false cancels, and the comparison returns what it has.
using TCompareProgress = std::function<bool(TCount done, TCount total)>;

struct TCompareOptions {
    TCompareProgress Progress;
    size_t MaxRuns = size_t{1} << 22;
    TCount ProgressStride = TCount{16} << 20; // bytes compared between two calls of Progress
};

enum class TSide : uint8_t { A, B };

// F6 and Shift+F6: the first run that starts after address on that side, and the last that starts before
// it (so that from inside a run, previous goes to its start).
std::optional<size_t> NextDifference(const std::vector<TDiffRun>& runs, TSide side, TAddress address);
std::optional<size_t> PreviousDifference(const std::vector<TDiffRun>& runs, TSide side, TAddress address);

// Gathers runs as a comparison finds them: joins a run to the one before when they touch and are of the
// same kind, counts them, and keeps the first MaxRuns.
class TRunList {
  public:
    TRunList(TCompareResult& result, size_t maxRuns) : Result(result), MaxRuns(maxRuns) {}
    void Add(TDiffKind kind, TAddress a, TAddress b, TCount length);

  private:
    TCompareResult& Result;
    size_t MaxRuns;
    std::optional<TDiffRun> Last; // the last run, kept or not, for joining
};

} // namespace Compare
