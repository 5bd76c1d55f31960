// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/PlannedScan.h"

#include <algorithm>

namespace Engine {

namespace {

// Starts per turn of the lanes: the block's bytes stay in the second-level cache between lanes.
constexpr int64_t Block = int64_t{64} << 10;

} // namespace

int32_t ByteCommonness(uint8_t value) {
    if (value == 0x00) return 4;
    if (value == 0xFF) return 3;
    if (value == ' ' || (value >= 'a' && value <= 'z')) return 2;
    return value < 0x20 || value >= 0x80 ? 1 : 0;
}

void TPlannedScan::AddLane(int32_t alternative, int32_t minLength, std::vector<TAnchorChoice> choices) {
    auto lane = std::make_unique<TLane>();
    lane->Scan = this;
    lane->Alternative = alternative;
    TScanPlan& plan = lane->Plan;
    plan.Owner = lane.get();
    plan.Check = [](const void* owner, const uint8_t* window) {
        const auto* self = static_cast<const TLane*>(owner);
        const TPlannedScan& scan = *self->Scan;
        return scan.Check(scan.Owner, self->Alternative, window, scan.Window);
    };
    plan.Length = minLength;
    plan.RowsComplete = false; // every candidate goes to Check
    lane->Filtered = !choices.empty();
    if (lane->Filtered) {
        // The rarest first and last anchors, and the rarest between them.
        const auto score = [](const TAnchorChoice& a, const TAnchorChoice& b) { return a.Score < b.Score; };
        std::stable_sort(choices.begin(), choices.end(),
                         [](const TAnchorChoice& a, const TAnchorChoice& b) { return a.Offset < b.Offset; });
        const int32_t best = std::min_element(choices.begin(), choices.end(), score)->Score;
        std::vector<TAnchorChoice> rarest;
        for (const TAnchorChoice& choice : choices)
            if (choice.Score == best) rarest.push_back(choice);
        const TAnchorChoice picked[3] = {rarest.front(), rarest.back(), rarest[rarest.size() / 2]};
        plan.Anchors = rarest.size() >= 3 ? 3 : 2;
        for (int a = 0; a < plan.Anchors; ++a) {
            plan.Anchor[a] = picked[a].Offset;
            plan.Values[a][0] = picked[a].Values[0];
            plan.Values[a][1] = picked[a].Values[1];
        }
    }
    Lanes.push_back(std::move(lane));
}

int64_t TPlannedScan::LaneFirst(TLane& lane, int64_t from, int64_t limit) {
    if (lane.ScannedFrom > from || (lane.Hit >= 0 && lane.Hit < from)) {
        lane.ScannedFrom = lane.Scanned = from;
        lane.Hit = -1;
    }
    if (lane.Hit >= 0) return lane.Hit < limit ? lane.Hit : -1;
    const int64_t lo = std::max(from, lane.Scanned);
    const int64_t hi = std::min(limit, Window.Size - lane.Plan.Length + 1) - 1;
    int64_t hit = -1;
    if (lo <= hi) {
        if (lane.Filtered) {
            hit = FilterFirst(lane.Plan, Window.Base, lo, hi);
        } else {
            for (int64_t at = lo; at <= hi && hit < 0; ++at)
                if (Check(Owner, lane.Alternative, Window.Base + at, Window)) hit = at;
        }
    }
    if (hit >= 0) {
        lane.Hit = hit;
        lane.Scanned = hit + 1;
        return hit;
    }
    lane.Scanned = std::max(lane.Scanned, limit);
    return -1;
}

int64_t TPlannedScan::First(const TScanBytes& window, int64_t from, int64_t to) {
    if (window.Base != Window.Base || window.Size != Window.Size || window.First != Window.First) {
        Window = window;
        for (auto& lane : Lanes) {
            lane->ScannedFrom = lane->Scanned = 0;
            lane->Hit = -1;
        }
    }
    for (int64_t start = from; start < to;) {
        int64_t limit = std::min(to, start + Block);
        const int64_t end = limit;
        int64_t best = -1;
        for (auto& lane : Lanes) {
            const int64_t hit = LaneFirst(*lane, from, limit);
            if (hit >= 0) best = limit = hit;
        }
        if (best >= 0) return best;
        start = end;
    }
    return -1;
}

} // namespace Engine
