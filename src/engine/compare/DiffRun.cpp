// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/compare/DiffRun.h"

#include <algorithm>

namespace Compare {

namespace {

TAddress Start(const TDiffRun& run, TSide side) {
    return side == TSide::A ? run.A : run.B;
}

} // namespace

std::optional<size_t> NextDifference(const std::vector<TDiffRun>& runs, TSide side, TAddress address) {
    const auto it =
        std::upper_bound(runs.begin(), runs.end(), address,
                         [side](TAddress at, const TDiffRun& run) { return at < Start(run, side); });
    if (it == runs.end()) return std::nullopt;
    return static_cast<size_t>(it - runs.begin());
}

std::optional<size_t> PreviousDifference(const std::vector<TDiffRun>& runs, TSide side, TAddress address) {
    const auto it =
        std::lower_bound(runs.begin(), runs.end(), address,
                         [side](const TDiffRun& run, TAddress at) { return Start(run, side) < at; });
    if (it == runs.begin()) return std::nullopt;
    return static_cast<size_t>(it - runs.begin()) - 1;
}

void TRunList::Add(TDiffKind kind, TAddress a, TAddress b, TCount length) {
    if (length <= 0) return;
    Result.Bytes += length;
    if (Last && Last->Kind == kind && Last->A + Last->LengthA() == a && Last->B + Last->LengthB() == b) {
        Last->Length += length;
        if (!Result.RunsCut) Result.Runs.back().Length += length;
        return;
    }
    Last = TDiffRun{kind, a, b, length};
    ++Result.Ranges;
    if (Result.Runs.size() < MaxRuns)
        Result.Runs.push_back(*Last);
    else
        Result.RunsCut = true;
}

} // namespace Compare
