// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/compare/AlignCompare.h"

#include "engine/compare/ByteCompare.h"
#include "engine/compare/Chunker.h"
#include "engine/compare/GapAligner.h"
#include "engine/compare/Spans.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace Compare {

using Engine::TStoreSnapshot;

namespace {

constexpr TCount FirstWindow = TCount{64} << 10;
// Stretches up to this long on both sides are aligned byte by byte; longer ones are reported as changed.
constexpr TCount GapBytes = TCount{64} << 10;
// How many chunks of each side's last windows are searched again at the next parting before new ones are cut.
constexpr size_t CachedChunks = 64;

struct TPlace {
    TAddress A = 0, B = 0;
};

// The chunks of one side's window, and whether the window ends the file.
struct TWindow {
    std::vector<TChunk> Chunks;
    bool End = false;
};

// The usable chunks of a window after from, at most limit of them. A chunk that starts at or before from
// (the first of a fresh window starts where the files parted) and a last one cut short by the window's end
// were placed by where the window lies, not by the content, so neither can anchor.
std::pair<size_t, size_t> Usable(const TWindow& window, TAddress from, size_t limit) {
    const auto& chunks = window.Chunks;
    const auto first =
        static_cast<size_t>(std::partition_point(chunks.begin(), chunks.end(),
                                                 [from](const TChunk& c) { return c.First <= from; }) -
                            chunks.begin());
    const size_t last = chunks.size() - (window.End || chunks.empty() ? 0 : 1);
    if (last <= first) return {first, first};
    return {first, first + std::min(limit, last - first)};
}

// The nearest chunk the two windows share after from (least bytes skipped on both sides together).
std::optional<TPlace> NearestAnchor(const TWindow& windowA, const TWindow& windowB, TPlace from,
                                    size_t limit) {
    const auto [firstA, lastA] = Usable(windowA, from.A, limit);
    const auto [firstB, lastB] = Usable(windowB, from.B, limit);
    std::unordered_map<uint64_t, TAddress> inA;
    for (size_t i = firstA; i < lastA; ++i)
        inA.try_emplace(windowA.Chunks[i].Hash, windowA.Chunks[i].First);
    std::optional<TPlace> best;
    TCount bestSkip = 0;
    for (size_t i = firstB; i < lastB; ++i) {
        const TChunk& chunk = windowB.Chunks[i];
        const TCount skipB = chunk.First - from.B;
        if (best && skipB >= bestSkip) break;
        const auto found = inA.find(chunk.Hash);
        if (found == inA.end()) continue;
        const TCount skip = skipB + found->second - from.A;
        if (!best || skip < bestSkip) {
            best = TPlace{found->second, chunk.First};
            bestSkip = skip;
        }
    }
    return best;
}

// How many bytes before a and b are equal, up to limit, read backwards a block at a time.
TCount EqualBefore(const TStoreSnapshot& A, TAddress a, const TStoreSnapshot& B, TAddress b, TCount limit) {
    std::vector<uint8_t> x, y;
    TCount equal = 0;
    while (equal < limit) {
        const TCount block = std::min(limit - equal, GapBytes);
        x.resize(static_cast<size_t>(block));
        y.resize(static_cast<size_t>(block));
        if (!A.CopyOut(a - equal - block, x).Readable() || !B.CopyOut(b - equal - block, y).Readable()) break;
        const size_t same = CommonSuffix(x.data(), y.data(), x.size());
        equal += static_cast<TCount>(same);
        if (same < x.size()) break;
    }
    return equal;
}

class TAligner {
  public:
    TAligner(const TStoreSnapshot& a, const TStoreSnapshot& b, const TCompareOptions& options)
        : A(a), B(b), Runs(Result, options.MaxRuns), Gate(options, a.Size() + b.Size()) {}

    TCompareResult Run() {
        const TAddress endA = A.Size() + 1, endB = B.Size() + 1;
        while (Going()) {
            const TCount equal =
                EqualRun(A, At.A, B, At.B, std::min(endA - At.A, endB - At.B), Gate, Result.Status);
            At = {At.A + equal, At.B + equal};
            if (!Going()) break;
            if (At.A == endA || At.B == endB) {
                Runs.Add(TDiffKind::Deleted, At.A, At.B, endA - At.A);
                Runs.Add(TDiffKind::Inserted, At.A, At.B, endB - At.B);
                At = {endA, endB};
                break;
            }
            const auto anchor = Resync(endA, endB);
            if (!anchor) break;
            Gap(*anchor);
            if (Going()) At = *anchor;
        }
        Result.ReachedA = At.A;
        Result.ReachedB = At.B;
        return std::move(Result);
    }

  private:
    bool Going() const { return Result.Status == TCompareStatus::Done; }

    // Where the files agree again after they parted at At: both ends when nothing is shared.
    std::optional<TPlace> Resync(TAddress endA, TAddress endB) {
        // The windows cut at an earlier parting often reach past this one: their chunks after it still
        // anchor, so where edits lie close together each window is cut once, not once per edit.
        if (const auto anchor = NearestAnchor(WindowA, WindowB, At, CachedChunks)) return anchor;
        for (TCount window = FirstWindow;; window *= 4) {
            if (!Gate.Go(At.A + At.B - 2)) {
                Result.Status = TCompareStatus::Cancelled;
                return std::nullopt;
            }
            const TCount countA = std::min(window, endA - At.A), countB = std::min(window, endB - At.B);
            WindowA = {{}, At.A + countA == endA};
            WindowB = {{}, At.B + countB == endB};
            if (!Chunks(A, At.A, countA, WindowA.Chunks) || !Chunks(B, At.B, countB, WindowB.Chunks)) {
                Result.Status = TCompareStatus::Unreadable;
                return std::nullopt;
            }
            if (const auto anchor = NearestAnchor(WindowA, WindowB, At, SIZE_MAX)) return anchor;
            if (WindowA.End && WindowB.End) return TPlace{endA, endB};
        }
    }

    // The stretch from At to the anchor, where the files differ at its start.
    void Gap(TPlace anchor) {
        TCount lengthA = anchor.A - At.A, lengthB = anchor.B - At.B;
        const TCount suffix = EqualBefore(A, anchor.A, B, anchor.B, std::min(lengthA, lengthB));
        lengthA -= suffix;
        lengthB -= suffix;
        std::vector<TDiffRun> runs;
        if (lengthA > 0 && lengthB > 0 && lengthA <= GapBytes && lengthB <= GapBytes) {
            std::vector<uint8_t> x(static_cast<size_t>(lengthA)), y(static_cast<size_t>(lengthB));
            if (!A.CopyOut(At.A, x).Readable() || !B.CopyOut(At.B, y).Readable()) {
                Result.Status = TCompareStatus::Unreadable;
                return;
            }
            runs = AlignGap(x, y);
        } else {
            AddUnaligned(runs, 0, 0, lengthA, lengthB);
        }
        for (const TDiffRun& run : runs)
            Runs.Add(run.Kind, At.A + run.A, At.B + run.B, run.Length);
    }

    const TStoreSnapshot& A;
    const TStoreSnapshot& B;
    TCompareResult Result;
    TRunList Runs;
    TProgressGate Gate;
    TPlace At{1, 1};
    TWindow WindowA, WindowB;
};

} // namespace

TCompareResult CompareAligned(const TStoreSnapshot& A, const TStoreSnapshot& B,
                              const TCompareOptions& options) {
    return TAligner(A, B, options).Run();
}

} // namespace Compare
