// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/StoreScan.h"

#include <algorithm>
#include <vector>

namespace Engine {

namespace {

// Backward scans read blocks of this many window starts into one buffer, from the end down.
constexpr int64_t UpBlock = int64_t{1} << 20;

// Tells the hook of the position once a stride of window starts is done, but not after the last one: true
// when the user cancelled. Windows of many short pieces pass a mark only now and then.
class TProgressMarks {
  public:
    TProgressMarks(const TProgressHook& hook, TAddress from, TAddress last)
        : Hook(hook), Last(last), Stride(ProgressStride(std::max(from, last))), Mark(from) {}
    bool Passed(TAddress position, TAddress reached) {
        if (!Hook || reached == Last || (Last >= Mark ? reached - Mark + 1 < Stride : Mark - reached + 1 < Stride))
            return false;
        Mark = reached + (Last >= Mark ? 1 : -1);
        return Hook(position);
    }

  private:
    const TProgressHook& Hook;
    TAddress Last; // the last window start the scan reaches
    int64_t Stride;
    TAddress Mark; // the first window start of the stride under way
};

// Visits the windows of the contents from start on, a stride of window starts at a time (so that the
// progress moves in steps of its own, however the pieces lie); visit gets the window's first address, its
// bytes and the lowest and highest 0-based offsets a hit may start at in this stride (a hit must end
// inside the window and start in its own bytes); false stops.
TReadResult EachWindow(const TQSearch& search, const TStoreSnapshot& contents, TAddress start,
                       const std::function<bool(TAddress first, const uint8_t* bytes, int64_t lo, int64_t hi)>& visit) {
    const int64_t length = search.PatternLen;
    start = std::max<TAddress>(start, 1);
    if (length <= 0 || contents.Size() - start + 1 < length) return {};
    const int64_t stride = ProgressStride(contents.Size());
    return contents.VisitWindows(start, contents.Size() - start + 1, static_cast<size_t>(length - 1),
                                 [&](TAddress first, std::span<const uint8_t> bytes, size_t own) {
                                     const int64_t hi = std::min(static_cast<int64_t>(own) - 1,
                                                                 static_cast<int64_t>(bytes.size()) - length);
                                     for (int64_t lo = 0; lo <= hi; lo += stride)
                                         if (!visit(first, bytes.data(), lo, std::min(hi, lo + stride - 1))) return false;
                                     return true;
                                 });
}

// Visits blocks of window starts from the highest (start - length + 1, as an address) down to 1: visit
// gets the block's first address, its bytes (the block's starts and the length - 1 bytes after the last)
// and the highest 0-based start; it returns the next highest address to look at (below first: go on).
TReadResult EachBlockUp(const TQSearch& search, const TStoreSnapshot& contents, TAddress start,
                        const std::function<TAddress(TAddress first, const uint8_t* bytes, int64_t hi)>& visit) {
    const int64_t length = search.PatternLen;
    const int64_t block = std::min(UpBlock, ProgressStride(start));
    std::vector<uint8_t> buffer;
    for (TAddress top = std::min(start, contents.Size()) - length + 1; top >= 1 && length > 0;) {
        const TAddress first = std::max<TAddress>(1, top - block + 1);
        buffer.resize(static_cast<size_t>(top - first + length));
        const TReadResult read = contents.CopyOut(first, buffer);
        if (!read.Readable()) return read;
        const TAddress next = visit(first, buffer.data(), top - first);
        if (next >= first || first == 1) break;
        top = next;
    }
    return {};
}

} // namespace

TAddress StoreScanDown(const TQSearch& search, const TStoreSnapshot& contents, TAddress start,
                       const TProgressHook& hook, TReadResult& read) {
    TAddress found = -1;
    TProgressMarks marks(hook, std::max<TAddress>(start, 1), contents.Size() - search.PatternLen + 1);
    read = EachWindow(search, contents, start, [&](TAddress first, const uint8_t* bytes, int64_t lo, int64_t hi) {
        const int64_t hit = search.FindFirst(bytes, lo, hi);
        if (hit >= 0) {
            found = first + hit;
            return false;
        }
        return !marks.Passed(first + hi + search.PatternLen, first + hi);
    });
    return found;
}

TAddress StoreScanUp(const TQSearch& search, const TStoreSnapshot& contents, TAddress start,
                     const TProgressHook& hook, TReadResult& read) {
    TAddress found = -1;
    TProgressMarks marks(hook, start - search.PatternLen + 1, 1);
    read = EachBlockUp(search, contents, start, [&](TAddress first, const uint8_t* bytes, int64_t hi) -> TAddress {
        const int64_t hit = search.FindLast(bytes, 0, hi);
        if (hit >= 0) {
            found = first + hit;
            return first; // stop
        }
        return marks.Passed(first - 1 + search.PatternLen, first) ? first : first - 1;
    });
    return found;
}

TQSearch::TTally StoreCountDown(const TQSearch& search, const TStoreSnapshot& contents, TAddress start,
                                const TProgressHook& hook, TReadResult& read) {
    TQSearch::TTally tally;
    TProgressMarks marks(hook, std::max<TAddress>(start, 1), contents.Size() - search.PatternLen + 1);
    bool dense = false;
    TAddress next = start; // the first address a hit may start at: after the last one counted
    read = EachWindow(search, contents, start, [&](TAddress first, const uint8_t* bytes, int64_t from, int64_t hi) {
        const int64_t lo = std::max<int64_t>(from, next - first);
        int64_t last = -1;
        if (lo <= hi) tally.Count += search.CountIn(bytes, lo, hi, true, last, dense);
        if (last >= 0) {
            tally.Last = first + last;
            next = tally.Last + search.PatternLen;
        }
        tally.Cancelled = marks.Passed(first + hi + search.PatternLen, first + hi);
        return !tally.Cancelled;
    });
    return tally;
}

TQSearch::TTally StoreCountUp(const TQSearch& search, const TStoreSnapshot& contents, TAddress start,
                              const TProgressHook& hook, TReadResult& read) {
    TQSearch::TTally tally;
    TProgressMarks marks(hook, start - search.PatternLen + 1, 1);
    bool dense = false;
    read = EachBlockUp(search, contents, start, [&](TAddress first, const uint8_t* bytes, int64_t hi) -> TAddress {
        int64_t last = -1;
        tally.Count += search.CountIn(bytes, 0, hi, false, last, dense);
        TAddress next = first - 1;
        if (last >= 0) {
            tally.Last = first + last;
            next = std::min(next, tally.Last - search.PatternLen);
        }
        tally.Cancelled = marks.Passed(first - 1 + search.PatternLen, first);
        return tally.Cancelled ? first : next;
    });
    return tally;
}

bool StoreEachDown(const TQSearch& search, const TStoreSnapshot& contents, TAddress start, const TProgressHook& hook,
                   const std::function<bool(TAddress address, const uint8_t* bytes)>& onHit, TReadResult& read) {
    TProgressMarks marks(hook, std::max<TAddress>(start, 1), contents.Size() - search.PatternLen + 1);
    bool cancelled = false;
    TAddress next = start;
    read = EachWindow(search, contents, start, [&](TAddress first, const uint8_t* bytes, int64_t from, int64_t hi) {
        for (int64_t lo = std::max<int64_t>(from, next - first), hit; lo <= hi && (hit = search.FindFirst(bytes, lo, hi)) >= 0;
             lo = hit + search.PatternLen) {
            next = first + hit + search.PatternLen;
            if (!onHit(first + hit, bytes + hit)) return false;
        }
        cancelled = marks.Passed(first + hi + search.PatternLen, first + hi);
        return !cancelled;
    });
    return cancelled;
}

} // namespace Engine
