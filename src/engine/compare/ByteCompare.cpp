// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/compare/ByteCompare.h"

#include "engine/compare/Spans.h"

#include <algorithm>

namespace Compare {

using Engine::TReadStatus;
using Engine::TStoreSnapshot;

Engine::TReadStatus VisitPairs(const TStoreSnapshot& A, TAddress a, const TStoreSnapshot& B, TAddress b,
                               TCount count, const TPairVisitor& visit) {
    TReadStatus inner = TReadStatus::Done;
    TCount done = 0;
    const auto outer = A.Visit(a, count, [&](std::span<const uint8_t> x) {
        size_t used = 0;
        inner = B.Visit(b + done, static_cast<TCount>(x.size()), [&](std::span<const uint8_t> y) {
                     const bool going = visit(a + done, b + done, x.data() + used, y.data(), y.size());
                     used += y.size();
                     done += static_cast<TCount>(y.size());
                     return going;
                 }).Status;
        return inner == TReadStatus::Done;
    });
    return outer.Status == TReadStatus::Stopped ? inner : outer.Status;
}

bool TProgressGate::Go(TCount done) {
    if (Cancelled) return false;
    if (!Progress || done < Next) return true;
    Next = done + Stride;
    Cancelled = !Progress(done, Total);
    return !Cancelled;
}

TCount EqualRun(const TStoreSnapshot& A, TAddress a, const TStoreSnapshot& B, TAddress b, TCount limit,
                TProgressGate& gate, TCompareStatus& status) {
    TCount equal = 0;
    while (equal < limit) {
        if (!gate.Go(a + b - 2 + 2 * equal)) {
            status = TCompareStatus::Cancelled;
            return equal;
        }
        const TCount block = std::min(limit - equal, gate.Block());
        bool differs = false;
        const auto read = VisitPairs(A, a + equal, B, b + equal, block,
                                     [&](TAddress, TAddress, const uint8_t* x, const uint8_t* y, size_t n) {
                                         const size_t same = FirstDifference(x, y, n);
                                         equal += static_cast<TCount>(same);
                                         differs = same < n;
                                         return !differs;
                                     });
        if (read == TReadStatus::Unreadable) {
            status = TCompareStatus::Unreadable;
            return equal;
        }
        if (differs) break;
    }
    return equal;
}

TCompareResult CompareBytes(const TStoreSnapshot& A, const TStoreSnapshot& B,
                            const TCompareOptions& options) {
    TCompareResult result;
    TRunList runs(result, options.MaxRuns);
    const TCount common = std::min(A.Size(), B.Size());
    TProgressGate gate(options, A.Size() + B.Size());
    TAddress at = 1;
    while (at <= common) {
        if (!gate.Go(2 * (at - 1))) {
            result.Status = TCompareStatus::Cancelled;
            break;
        }
        const TCount block = std::min(common - at + 1, gate.Block());
        const auto read = VisitPairs(
            A, at, B, at, block, [&](TAddress p, TAddress, const uint8_t* x, const uint8_t* y, size_t n) {
                for (size_t i = FirstDifference(x, y, n); i < n;) {
                    const size_t end = i + FirstSame(x + i, y + i, n - i);
                    runs.Add(TDiffKind::Changed, p + static_cast<TCount>(i), p + static_cast<TCount>(i),
                             static_cast<TCount>(end - i));
                    i = end + FirstDifference(x + end, y + end, n - end);
                }
                return true;
            });
        if (read == TReadStatus::Unreadable) {
            result.Status = TCompareStatus::Unreadable;
            break;
        }
        at += block;
    }
    result.ReachedA = result.ReachedB = at;
    if (result.Status != TCompareStatus::Done) return result;
    // The tail: only on the longer side.
    if (A.Size() > common) runs.Add(TDiffKind::Deleted, at, at, A.Size() - common);
    if (B.Size() > common) runs.Add(TDiffKind::Inserted, at, at, B.Size() - common);
    result.ReachedA = A.Size() + 1;
    result.ReachedB = B.Size() + 1;
    return result;
}

} // namespace Compare
