// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/compare/GapAligner.h"

#include "engine/compare/Spans.h"

#include <algorithm>

namespace Compare {

namespace {

// A stretch where the files differ: lengthA bytes of A against lengthB of B, from a and b.
struct TRegion {
    TCount A = 0, B = 0, LengthA = 0, LengthB = 0;
    TCount Size() const { return std::max(LengthA, LengthB); }
};

// Myers' furthest reaching points, with offset added to diagonal k; -1 where a diagonal is out of reach.
struct TFront {
    std::vector<int64_t> X;
    int64_t Offset;
    int64_t At(int64_t k) const { return X[static_cast<size_t>(k + Offset)]; }
};

// How diagonal k is reached at cost d from the front of cost d - 1: down (one byte of b inserted) or right
// (one byte of a deleted), whichever gets further; x -1 when neither stays inside the n x m grid.
struct TStep {
    bool Down = false;
    int64_t X = -1;
};
TStep Step(const TFront& front, int64_t k, int64_t d, int64_t n, int64_t m) {
    TStep step;
    if (k != d && front.At(k + 1) >= 0 && front.At(k + 1) - k <= m) step = {true, front.At(k + 1)};
    if (k != -d && front.At(k - 1) >= 0 && front.At(k - 1) + 1 <= n && front.At(k - 1) + 1 > step.X)
        step = {false, front.At(k - 1) + 1};
    return step;
}

// The regions of the shortest script from a to b, in order; false when it costs more than maxCost.
bool Myers(std::span<const uint8_t> a, std::span<const uint8_t> b, int maxCost,
           std::vector<TRegion>& regions) {
    const int64_t n = static_cast<int64_t>(a.size()), m = static_cast<int64_t>(b.size());
    TFront front{std::vector<int64_t>(static_cast<size_t>(2 * maxCost + 3), -1), maxCost + 1};
    std::vector<TFront> trace; // the front as it stood before each cost d
    int64_t found = -1;
    for (int64_t d = 0; d <= maxCost && found < 0; ++d) {
        trace.push_back(front);
        for (int64_t k = -d; k <= d && found < 0; k += 2) {
            int64_t x = d == 0 ? 0 : Step(trace.back(), k, d, n, m).X;
            if (x >= 0) {
                const int64_t y = x - k;
                x += static_cast<int64_t>(
                    FirstDifference(a.data() + x, b.data() + y, static_cast<size_t>(std::min(n - x, m - y))));
                if (x == n && x - k == m) found = d;
            }
            front.X[static_cast<size_t>(k + front.Offset)] = x;
        }
    }
    if (found < 0) return false;

    // Back from the end, one edit at a time; edits that touch gather into one region.
    std::vector<TRegion> reversed;
    int64_t x = n, y = m;
    for (int64_t d = found; d > 0; --d) {
        const int64_t k = x - y;
        const TStep step = Step(trace[static_cast<size_t>(d)], k, d, n, m);
        const int64_t pk = step.Down ? k + 1 : k - 1;
        const int64_t px = trace[static_cast<size_t>(d)].At(pk), py = px - pk;
        const int64_t sx = step.Down ? px : px + 1,
                      sy = step.Down ? py + 1 : py; // where the equal slide began
        if (reversed.empty() || reversed.back().A != sx || reversed.back().B != sy)
            reversed.push_back({sx, sy, 0, 0});
        TRegion& region = reversed.back();
        region.A = px;
        region.B = py;
        (step.Down ? region.LengthB : region.LengthA) += 1;
        x = px;
        y = py;
    }
    regions.assign(reversed.rbegin(), reversed.rend());
    return true;
}

} // namespace

void AddUnaligned(std::vector<TDiffRun>& runs, TCount a, TCount b, TCount lengthA, TCount lengthB) {
    const TCount common = std::min(lengthA, lengthB);
    if (common > 0) runs.push_back({TDiffKind::Changed, a, b, common});
    if (lengthA > common) runs.push_back({TDiffKind::Deleted, a + common, b + common, lengthA - common});
    if (lengthB > common) runs.push_back({TDiffKind::Inserted, a + common, b + common, lengthB - common});
}

std::vector<TDiffRun> AlignGap(std::span<const uint8_t> a, std::span<const uint8_t> b, int maxCost) {
    // The equal ends need no search.
    const size_t prefix = FirstDifference(a.data(), b.data(), std::min(a.size(), b.size()));
    const size_t rest = std::min(a.size(), b.size()) - prefix;
    const size_t suffix = CommonSuffix(a.data() + a.size() - rest, b.data() + b.size() - rest, rest);
    a = a.subspan(prefix, a.size() - prefix - suffix);
    b = b.subspan(prefix, b.size() - prefix - suffix);
    const auto at = static_cast<TCount>(prefix);
    std::vector<TDiffRun> runs;
    std::vector<TRegion> regions;
    if (a.empty() || b.empty() || !Myers(a, b, maxCost, regions)) {
        AddUnaligned(runs, at, at, static_cast<TCount>(a.size()), static_cast<TCount>(b.size()));
        return runs;
    }
    // Equal stretches between regions may join them into one changed region: the joins that make the script
    // smallest, by dynamic programming over where each joined region starts (regions are few: at most
    // maxCost).
    const size_t n = regions.size();
    auto joinedSpan = [&](size_t first, size_t last) {
        return TRegion{regions[first].A, regions[first].B,
                       regions[last].A + regions[last].LengthA - regions[first].A,
                       regions[last].B + regions[last].LengthB - regions[first].B};
    };
    std::vector<TCount> best(n + 1, 0);  // best[j]: the smallest script for the first j regions
    std::vector<size_t> start(n + 1, 0); // where the last joined region of that script starts
    for (size_t j = 1; j <= n; ++j) {
        best[j] = -1;
        for (size_t i = 0; i < j; ++i)
            if (const TCount size = best[i] + joinedSpan(i, j - 1).Size(); best[j] < 0 || size < best[j]) {
                best[j] = size;
                start[j] = i;
            }
    }
    std::vector<TRegion> joined;
    for (size_t j = n; j > 0; j = start[j])
        joined.push_back(joinedSpan(start[j], j - 1));
    std::reverse(joined.begin(), joined.end());
    for (const TRegion& region : joined)
        AddUnaligned(runs, at + region.A, at + region.B, region.LengthA, region.LengthB);
    return runs;
}

} // namespace Compare
