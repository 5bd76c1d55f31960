// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/compare/DiffRun.h"
#include "engine/store/PieceStore.h"

#include <algorithm>
#include <functional>

// Two snapshots compared where their bytes lie: the spans of one side are paired with those of the other,
// so that bytes held in memory are never copied, and equal stretches are skipped at memcmp speed.
namespace Compare {

// Gets equal-length spans x (at a on side A) and y (at b on side B); false stops.
using TPairVisitor =
    std::function<bool(TAddress a, TAddress b, const uint8_t* x, const uint8_t* y, size_t n)>;

// Visits count bytes of A from a against those of B from b (both must lie inside their sides) as pairs.
Engine::TReadStatus VisitPairs(const Engine::TStoreSnapshot& A, TAddress a, const Engine::TStoreSnapshot& B,
                               TAddress b, TCount count, const TPairVisitor& visit);

// Asks the progress callback at most once per stride bytes compared.
class TProgressGate {
  public:
    TProgressGate(const TCompareOptions& options, TCount total)
        : Progress(options.Progress), Total(total), Stride(std::max<TCount>(options.ProgressStride, 1)) {}
    // Bytes of one side to compare before asking again.
    TCount Block() const { return std::max<TCount>(Stride / 2, 1); }
    // False when the callback asked to cancel.
    bool Go(TCount done);

  private:
    const TCompareProgress& Progress;
    TCount Total;
    TCount Stride;
    TCount Next = 0;
    bool Cancelled = false;
};

// How many bytes from a and b on are equal, up to limit (both sides must hold that many). Unreadable and
// cancelled stop it too, told through status.
TCount EqualRun(const Engine::TStoreSnapshot& A, TAddress a, const Engine::TStoreSnapshot& B, TAddress b,
                TCount limit, TProgressGate& gate, TCompareStatus& status);

// Byte i of A against byte i of B: Changed runs, and the longer side's tail as Deleted (A longer) or
// Inserted (B longer).
TCompareResult CompareBytes(const Engine::TStoreSnapshot& A, const Engine::TStoreSnapshot& B,
                            const TCompareOptions& options = {});

} // namespace Compare
