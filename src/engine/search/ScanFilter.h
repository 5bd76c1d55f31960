// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The vector part of the search: candidate windows are those whose two or three anchor bytes each hold one of
// two values, and a candidate is checked against every pattern position at once where the pattern allows.
// One binary serves every processor: the widest instructions present are picked when first used.
struct TScanPlan {
    // Checks the candidates the rows below cannot, handing back Owner: the search that made the plan.
    bool (*Check)(const void* owner, const uint8_t* window) = nullptr;
    const void* Owner = nullptr;
    int32_t Length = 0;
    int32_t Anchors = 2; // or 3
    int32_t Anchor[3]{};
    uint8_t Values[3][2]{};
    // Position i of the pattern accepts First[i] or Second[i], or anything where Any[i] is 0xFF (a joker, or
    // past the pattern's end). Valid only when RowsComplete (a pattern of at most 32 bytes).
    alignas(32) uint8_t First[32]{};
    alignas(32) uint8_t Second[32]{};
    alignas(32) uint8_t Any[32]{};
    bool RowsComplete = false;
    // For counting where hits are dense: the positions that are no jokers, and each one's values spread over
    // a whole vector. Disjoint: two windows that overlap can never both match, so every hit counts.
    int32_t Checked = 0;
    int32_t CheckAt[32]{};
    alignas(32) uint8_t WideFirst[32][32]{};
    alignas(32) uint8_t WideSecond[32][32]{};
    bool Disjoint = false;
    bool RowsTwo = false; // some checked position accepts two values
};

// Window starts are 0-based offsets from bytes; nothing past bytes[hi + Length - 1] is read.
// The first and last hit among the starts lo..hi, or -1.
int64_t FilterFirst(const TScanPlan& plan, const uint8_t* bytes, int64_t lo, int64_t hi);
int64_t FilterLast(const TScanPlan& plan, const uint8_t* bytes, int64_t lo, int64_t hi);
// Hits that do not overlap, from lo upwards (down) or from hi downwards (up), each one Length away from the
// one before; returns how many, and last is set to the last of them when there was one.
int64_t FilterCount(const TScanPlan& plan, const uint8_t* bytes, int64_t lo, int64_t hi, bool down,
                    int64_t& last);

// Every hit among lo..hi, each window compared in full without the anchors: faster where hits are dense.
// Only for a Disjoint plan; last is set to the highest hit (down) or the lowest.
int64_t FilterCountAll(const TScanPlan& plan, const uint8_t* bytes, int64_t lo, int64_t hi, bool down,
                       int64_t& last);

// Which instructions the filter uses; tests run every kind this processor has.
enum class TScanKernel { Best, Sse2, Portable };
bool ScanKernelAvailable(TScanKernel kernel);
void UseScanKernel(TScanKernel kernel);
