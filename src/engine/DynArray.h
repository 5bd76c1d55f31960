#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// A growable block of elements over malloc/realloc/free. The data pointer lives with the caller and is
// updated through the reference each operation takes. A failing allocation returns false, never throws.
class TJkDynArray {
  public:
    explicit TJkDynArray(int32_t elemSize);

    int32_t ElemSize;
    int32_t Count = 0;
    int32_t ByteSize = 0;

    bool Alloc(uint8_t*& p, int32_t n);
    bool ReAlloc(uint8_t*& p, int32_t n);
    bool DeltaAlloc(uint8_t*& p, int32_t d);
    bool DeAlloc(uint8_t*& p);
};

// Tests make allocations fail on demand: when set and it returns true for the requested byte count,
// the allocation fails as if memory were exhausted.
extern std::function<bool(size_t bytes)> DynArrayFailHook;
