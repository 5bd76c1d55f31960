// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/FindAll.h"

#include <algorithm>

namespace Engine {

namespace {

struct TScanState {
    TFindAllStatus Status = TFindAllStatus::Done;
    TAddress Reached = 1;
    TReadResult Read;
    std::string Failure;
};

// Hits starting at startFirst .. startLast, each one behind the one before, to onHit (false stops). After
// every stride bytes, between gets the address reached (false cancels).
TScanState Scan(const TStoreSnapshot& snapshot, const TFindPattern& pattern, TAddress startFirst,
                TAddress startLast, TCount stride, const std::function<bool(const TFoundHit&)>& onHit,
                const std::function<bool(TAddress reached)>& between) {
    TScanState state;
    state.Reached = startFirst;
    const TCount size = snapshot.Size();
    startFirst = std::max<TAddress>(startFirst, 1);
    startLast = std::min<TAddress>(startLast, size);
    if (startLast < startFirst) {
        state.Reached = startLast + 1;
        return state;
    }
    const auto longest = static_cast<TCount>(std::max<size_t>(pattern.MaxLength(), 1));
    const auto behind = static_cast<TCount>(pattern.Behind());
    const TAddress visitFirst = std::max<TAddress>(1, startFirst - behind);
    const TAddress visitLast = std::min<TAddress>(size, startLast + longest - 1);
    const auto step = static_cast<size_t>(std::max<TCount>(stride, 1));
    const auto matcher = pattern.NewMatcher();
    TAddress resume = startFirst;   // no hit starts before the end of the one before
    TAddress searched = startFirst; // every start before it has been looked at
    bool firstWindow = true;
    bool going = true;
    // A window owns the starts from behind bytes into it (the first one from its start) to behind bytes past
    // its own ones (the last one to its end): every start then has its context before and its longest hit
    // after it inside the window.
    const TReadResult read = snapshot.VisitWindows(
        visitFirst, visitLast - visitFirst + 1, static_cast<size_t>(behind + longest - 1),
        [&](TAddress first, std::span<const uint8_t> bytes, size_t own) {
            const auto length = static_cast<TCount>(bytes.size());
            const bool last = first + length - 1 == visitLast;
            const TAddress lo = std::max(firstWindow ? first : first + behind, resume);
            const TAddress hi =
                std::min(last ? first + length : first + static_cast<TCount>(own) + behind, startLast + 1);
            firstWindow = false;
            const TSearchWindow window{first, bytes, first + length - 1 == size};
            auto from = static_cast<size_t>(std::max<TCount>(lo - first, 0));
            const auto to = static_cast<size_t>(std::max<TCount>(hi - first, 0));
            while (from < to) {
                const size_t stop = std::min(to, from + step);
                const std::optional<TWindowHit> hit = matcher->First(window, from, stop);
                if (std::string failure = matcher->Failure(); !failure.empty()) {
                    state.Status = TFindAllStatus::Failed;
                    state.Failure = std::move(failure);
                    state.Reached = first + static_cast<TCount>(from);
                    return going = false;
                }
                if (hit) {
                    const TFoundHit found{first + static_cast<TCount>(hit->Offset),
                                          static_cast<TCount>(hit->Length)};
                    from = hit->Offset + std::max<size_t>(hit->Length, 1);
                    resume = first + static_cast<TCount>(from);
                    if (!onHit(found)) {
                        state.Reached = resume;
                        return going = false;
                    }
                    continue;
                }
                from = stop;
                if (!between(first + static_cast<TCount>(from))) {
                    state.Status = TFindAllStatus::Cancelled;
                    state.Reached = first + static_cast<TCount>(from);
                    return going = false;
                }
            }
            searched = std::max(searched, hi);
            return true;
        });
    if (!read.Readable()) {
        state.Status = TFindAllStatus::Unreadable;
        state.Read = read;
        state.Reached = searched;
    } else if (going) {
        state.Reached = startLast + 1;
    }
    return state;
}

} // namespace

TFindAllResult FindAll(const TStoreSnapshot& snapshot, const TFindPattern& pattern,
                       const TFindAllOptions& options) {
    TFindAllResult result;
    size_t delivered = 0;
    TCount counted = 0;
    const TCount total = snapshot.Size();
    auto deliver = [&] {
        if (options.Rows && (delivered < result.Rows.size() || counted < result.Count))
            options.Rows(std::span(result.Rows).subspan(delivered), result.Count);
        delivered = result.Rows.size();
        counted = result.Count;
    };
    const TScanState state = Scan(
        snapshot, pattern, 1, total, options.ProgressStride,
        [&](const TFoundHit& hit) {
            ++result.Count;
            if (result.Rows.size() < options.MaxRows)
                result.Rows.push_back(hit);
            else
                result.RowsCut = true;
            return true;
        },
        [&, asked = TAddress{1}](TAddress reached) mutable {
            if (reached - asked < options.ProgressStride) return true;
            asked = reached;
            deliver();
            return !options.Progress || options.Progress(reached - 1, total);
        });
    deliver();
    result.Status = state.Status;
    result.Reached = state.Reached;
    result.Read = state.Read;
    result.Failure = state.Failure;
    return result;
}

std::vector<TFoundHit> HitsInRange(const TStoreSnapshot& snapshot, const TFindPattern& pattern,
                                   TAddress first, TCount count) {
    std::vector<TFoundHit> hits;
    const auto longest = static_cast<TCount>(std::max<size_t>(pattern.MaxLength(), 1));
    Scan(
        snapshot, pattern, first - longest + 1, first + count - 1, TCount{1} << 40,
        [&](const TFoundHit& hit) {
            if (hit.Address + hit.Length > first) hits.push_back(hit);
            return true;
        },
        [](TAddress) { return true; });
    return hits;
}

} // namespace Engine
