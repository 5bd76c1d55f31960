// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/PlannedScan.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace Engine {

namespace {

// Starts per turn of the lanes: the block's bytes stay in the second-level cache between lanes.
constexpr int64_t Block = int64_t{32} << 10;

} // namespace

int32_t ByteCommonness(uint8_t value) {
    if (value == 0x00) return 4;
    if (value == 0xFF) return 3;
    if (value == ' ' || (value >= 'a' && value <= 'z')) return 2;
    return value < 0x20 || value >= 0x80 ? 1 : 0;
}

void TPlannedScan::AddLane(int32_t alternative, int32_t minLength, std::vector<TAnchorChoice> choices,
                           int32_t anchors) {
    const bool filtered = !choices.empty();
    TScanPlan plan;
    plan.Length = minLength;
    plan.RowsComplete = false; // every candidate goes to Check
    if (!choices.empty()) {
        // The rarest byte, the rarest as far from it as can be, and the rarest of the rest.
        std::stable_sort(choices.begin(), choices.end(),
                         [](const TAnchorChoice& a, const TAnchorChoice& b) { return a.Score < b.Score; });
        std::vector<TAnchorChoice> picked = {choices.front()};
        choices.erase(choices.begin());
        const auto apart = [&](const TAnchorChoice& c) { return std::abs(c.Offset - picked[0].Offset); };
        if (!choices.empty()) {
            auto far = choices.begin();
            for (auto c = choices.begin(); c != choices.end(); ++c)
                if (c->Score < far->Score || (c->Score == far->Score && apart(*c) > apart(*far))) far = c;
            picked.push_back(*far);
            choices.erase(far);
        }
        if (!choices.empty() && anchors == 3) picked.push_back(choices.front());
        plan.Anchors = picked.size() == 3 ? 3 : 2;
        for (size_t a = 0; a < static_cast<size_t>(plan.Anchors); ++a) {
            const TAnchorChoice& choice = picked[std::min(a, picked.size() - 1)];
            plan.Anchor[a] = choice.Offset;
            plan.Values[a][0] = choice.Values[0];
            plan.Values[a][1] = choice.Values[1];
        }
    }
    for (auto& lane : Lanes) {
        const TScanPlan& other = lane->Plan;
        if (lane->Filtered == filtered && other.Anchors == plan.Anchors &&
            std::equal(other.Anchor, other.Anchor + 3, plan.Anchor) &&
            std::memcmp(other.Values, plan.Values, sizeof plan.Values) == 0) {
            lane->Alternatives.push_back(alternative);
            lane->Plan.Length = std::min(other.Length, minLength);
            return;
        }
    }
    auto lane = std::make_unique<TLane>();
    lane->Scan = this;
    lane->Alternatives = {alternative};
    lane->Plan = plan;
    lane->Plan.Owner = lane.get();
    lane->Plan.Check = [](const void* owner, const uint8_t* window) {
        const auto* self = static_cast<const TLane*>(owner);
        const TPlannedScan& scan = *self->Scan;
        for (const int32_t alternative : self->Alternatives)
            if (scan.Check(scan.Owner, alternative, window, scan.Window)) return true;
        return false;
    };
    lane->Filtered = filtered;
    Lanes.push_back(std::move(lane));
}

int64_t TPlannedScan::LaneFirst(TLane& lane, int64_t from, int64_t limit) {
    if (lane.ScannedFrom > from || (lane.Hit >= 0 && lane.Hit < from)) {
        lane.ScannedFrom = lane.Scanned = from;
        lane.Hit = -1;
    }
    if (lane.Hit >= 0) return lane.Hit < limit ? lane.Hit : -1;
    const int64_t lo = std::max(from, lane.Scanned);
    const int64_t last = Window.Size - lane.Plan.Length; // the last start with room for a hit
    // Whole steps of 64 starts where the window has room: the filter checks the starts of a last part step
    // one by one. A hit past limit is kept for the next call.
    const int64_t hi = std::min(lo + (std::max<int64_t>(limit - lo, 0) + 63) / 64 * 64, last + 1) - 1;
    int64_t hit = -1;
    if (lo <= hi) {
        if (lane.Filtered) {
            hit = FilterFirst(lane.Plan, Window.Base, lo, hi);
        } else {
            for (int64_t at = lo; at <= hi && hit < 0; ++at)
                if (lane.Plan.Check(&lane, Window.Base + at)) hit = at;
        }
    }
    if (hit >= 0) {
        lane.Hit = hit;
        lane.Scanned = hit + 1;
        return hit < limit ? hit : -1;
    }
    lane.Scanned = std::max({lane.Scanned, limit, hi + 1});
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
        // One lane needs no blocks: its filter reads the bytes once anyway.
        int64_t limit = Lanes.size() > 1 ? std::min(to, start + Block) : to;
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
