// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"
#include "engine/search/ScanFilter.h"

#include <cstdint>
#include <memory>
#include <vector>

// The vector filter of the scan kernels for patterns made of a few alternatives (a number in several widths
// and orders, a text whose letters have several forms): each lane filters on bytes its alternatives hold at
// fixed places and checks its candidates in full. The lanes take turns over blocks small enough to stay in
// the cache, so that memory is read once however many lanes there are.
namespace Engine {

// The window a scan runs over: its bytes and where the first lies in the file.
struct TScanBytes {
    const uint8_t* Base = nullptr;
    int64_t Size = 0;
    TAddress First = 1;
};

// A byte at a fixed offset of every hit of a lane, holding one of at most two values; a lower Score marks a
// byte that is rarer in files.
struct TAnchorChoice {
    int32_t Offset = 0;
    uint8_t Values[2]{};
    int32_t Score = 0;
};

// How common a byte value is in files: zeros and 0xFF fill binary files, spaces and small letters text.
int32_t ByteCommonness(uint8_t value);

class TPlannedScan {
  public:
    // Whether alternative (a lane's number) matches at at; the window is the one being scanned.
    using TCheck = bool (*)(const void* owner, int32_t alternative, const uint8_t* at,
                            const TScanBytes& window);

    TPlannedScan(const void* owner, TCheck check) : Owner(owner), Check(check) {}
    TPlannedScan(const TPlannedScan&) = delete;
    TPlannedScan& operator=(const TPlannedScan&) = delete;

    // A lane of hits at least minLength long, filtered on up to anchors (2 or 3) of the choices; without
    // choices every start is checked. An alternative whose anchors are those of a lane before joins it.
    void AddLane(int32_t alternative, int32_t minLength, std::vector<TAnchorChoice> choices,
                 int32_t anchors = 3);
    // The leftmost start among from .. to - 1 that a lane accepts, or -1.
    int64_t First(const TScanBytes& window, int64_t from, int64_t to);

  private:
    struct TLane {
        TPlannedScan* Scan = nullptr;
        std::vector<int32_t> Alternatives;
        TScanPlan Plan;
        bool Filtered = false;
        // What this lane knows of the window: its first hit from ScannedFrom on is Hit, or none before
        // Scanned.
        int64_t ScannedFrom = 0, Scanned = 0, Hit = -1;
    };
    int64_t LaneFirst(TLane& lane, int64_t from, int64_t limit);

    const void* Owner;
    TCheck Check;
    std::vector<std::unique_ptr<TLane>> Lanes; // the plans point at their lane
    TScanBytes Window;
};

} // namespace Engine
