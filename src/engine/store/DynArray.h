// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// A growable block of elements over malloc/realloc/free. The data pointer lives with the caller and is
// updated through the reference each operation takes. A failing allocation returns false, never throws.
// A block may hold up to MaxAllocBytes: what a pointer difference can still express.
inline constexpr TCount MaxAllocBytes = PTRDIFF_MAX;

class TJkDynArray {
  public:
    explicit TJkDynArray(int32_t elemSize);

    int32_t ElemSize;
    TCount Count = 0;
    TCount ByteSize = 0;

    bool Alloc(uint8_t*& p, TCount n);
    bool ReAlloc(uint8_t*& p, TCount n);
    bool DeltaAlloc(uint8_t*& p, TCount d);
    bool DeAlloc(uint8_t*& p);
};

// Tests make allocations fail on demand: when set and it returns true for the requested byte count,
// the allocation fails as if memory were exhausted.
extern std::function<bool(size_t bytes)> DynArrayFailHook;
