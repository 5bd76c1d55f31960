// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/search/ScanFilter.h"
#include "engine/document/Types.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// Called with the scan position as the scan goes on; returns true when the user cancelled.
using TProgressHook = std::function<bool(TAddress position)>;

// Bytes scanned per progress call: small enough that the gauge passes every whole percent, so that each
// 5-percent step (where Cancel is noticed) is reached.
int64_t ProgressStride(int64_t total);

// Pattern search over the buffer in place, with optional case folding (Windows-1252) and a joker byte
// that matches anything. Results are 1-based addresses; -1 none or cancelled, -2 empty pattern.
// The tables are prepared again only when the request changed.
class TQSearch {
  public:
    TQSearch();
    // The filter plan points back at its search.
    TQSearch(const TQSearch&) = delete;
    TQSearch& operator=(const TQSearch&) = delete;

    // First match starting at or after start and ending at or before lastAddress.
    TAddress ScanDown(const std::vector<uint8_t>& pattern, const uint8_t* bytes, TAddress lastAddress,
                      bool caseSensitive, bool jokerOn, uint8_t joker, TAddress start,
                      const TProgressHook& hook);
    // Last match ending at or before start and starting at or after firstAddress.
    TAddress ScanUp(const std::vector<uint8_t>& pattern, const uint8_t* bytes, TAddress firstAddress,
                    bool caseSensitive, bool jokerOn, uint8_t joker, TAddress start,
                    const TProgressHook& hook);

    // The quick search as the tables describe it, one skip at a time; the fast scans must agree with it.
    TAddress QuickScanDown(const uint8_t* bytes, TAddress lastAddress, TAddress start,
                           const TProgressHook& hook) const;
    TAddress QuickScanUp(const uint8_t* bytes, TAddress firstAddress, TAddress start,
                         const TProgressHook& hook) const;
    // Prepares for a request (done by the scans themselves when it changed).
    void Prepare(const std::vector<uint8_t>& pattern, bool caseSensitive, bool jokerOn, uint8_t joker);
    // Prepares only when the request changed; false for an empty pattern.
    bool PrepareIfChanged(const std::vector<uint8_t>& pattern, bool caseSensitive, bool jokerOn,
                          uint8_t joker);

    // The prepared request, hit after hit without overlaps. Down: windows from start on, ending at or
    // before lastAddress; up: windows ending at or before start and starting at or after firstAddress,
    // each one ending before the one found before it starts. The hook is called between stretches.
    struct TTally {
        TCount Count = 0;
        TAddress Last = -1; // the address of the last hit counted
        bool Cancelled = false;
    };
    TTally CountDown(const uint8_t* bytes, TAddress lastAddress, TAddress start,
                     const TProgressHook& hook) const;
    TTally CountUp(const uint8_t* bytes, TAddress firstAddress, TAddress start,
                   const TProgressHook& hook) const;
    // Calls onHit with the address of each hit of CountDown in turn, before looking further; onHit may
    // change the bytes before the end of its hit. Stops early when onHit returns false; true when cancelled.
    bool EachDown(const uint8_t* bytes, TAddress lastAddress, TAddress start, const TProgressHook& hook,
                  const std::function<bool(TAddress address)>& onHit) const;

    // True when the window matches the prepared pattern.
    bool Matches(const uint8_t* window) const;

    // Over a window of the bytes (the scans of the store, a window at a time): window starts (0-based
    // offsets) lo..hi; first or last match, or -1.
    int64_t FindFirst(const uint8_t* bytes, int64_t lo, int64_t hi) const;
    int64_t FindLast(const uint8_t* bytes, int64_t lo, int64_t hi) const;
    // Hits without overlaps among lo..hi, from lo up (down) or from hi down; last set to the last one.
    // dense: the stretch before had many hits, so that comparing every window is faster; it says whether
    // this one had, for the next.
    int64_t CountIn(const uint8_t* bytes, int64_t lo, int64_t hi, bool down, int64_t& last, bool& dense) const;

    std::vector<uint8_t> Pattern;
    std::vector<uint8_t> UpperPattern;
    int32_t PatternLen = 0;
    bool CaseSensitive = true;
    bool JokerEnabled = false;
    uint8_t JokerChar = 0;
    std::array<int32_t, 256> ShiftDown{};
    std::array<int32_t, 256> ShiftUp{};
    std::array<uint8_t, 256> UpperTable{};

  private:
    enum class TCompare { Exact, ExactJoker, Folded, FoldedJoker };

    // Hits without overlaps among lo..hi, from lo up (down) or from hi down; last set to the last one.
    int64_t CountIn(const uint8_t* bytes, int64_t lo, int64_t hi, bool down, int64_t& last) const;
    void PlanFilter();
    // True when the next stretch is best counted by comparing every window (hits found among windows).
    bool Dense(int64_t hits, int64_t windows) const;

    TCompare Compare = TCompare::Exact;
    bool Prepared = false;
    // The vector filter: two or three pattern positions whose byte must be one of two values.
    TScanPlan Plan;
    bool Filtered = false; // false: some anchor accepts more than two values; the quick search does it all
    bool AllJoker = false;
};
