// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/store/DynArray.h"

#include <cstdlib>

std::function<bool(size_t bytes)> DynArrayFailHook;

namespace {

bool MustFail(size_t bytes) {
    return DynArrayFailHook && DynArrayFailHook(bytes);
}

bool ByteCount(int32_t elemSize, TCount n, size_t& bytes) {
    if (n < 0 || elemSize <= 0 || n > MaxAllocBytes / elemSize) return false;
    const TCount total = n * elemSize;
    bytes = static_cast<size_t>(total);
    return true;
}

} // namespace

TJkDynArray::TJkDynArray(int32_t elemSize) : ElemSize(elemSize) {}

bool TJkDynArray::Alloc(uint8_t*& p, TCount n) {
    Count = n;
    size_t bytes = 0;
    if (n <= 0 || !ByteCount(ElemSize, n, bytes)) {
        p = nullptr;
        Count = 0;
        ByteSize = 0;
        return false;
    }
    uint8_t* block = MustFail(bytes) ? nullptr : static_cast<uint8_t*>(std::malloc(bytes));
    if (!block) {
        p = nullptr;
        Count = 0;
        ByteSize = 0;
        return false;
    }
    p = block;
    ByteSize = static_cast<TCount>(bytes);
    return true;
}

bool TJkDynArray::ReAlloc(uint8_t*& p, TCount n) {
    size_t bytes = 0;
    if (n < 0 || !ByteCount(ElemSize, n, bytes)) return false;
    if (bytes == 0) {
        std::free(p);
        p = nullptr;
        Count = 0;
        ByteSize = 0;
        return true;
    }
    if (MustFail(bytes)) return false;
    uint8_t* block = static_cast<uint8_t*>(std::realloc(p, bytes));
    if (!block) return false; // the old block stays valid
    p = block;
    Count = n;
    ByteSize = static_cast<TCount>(bytes);
    return true;
}

bool TJkDynArray::DeltaAlloc(uint8_t*& p, TCount d) {
    // Count and d are each within the limit, so only a sum past it needs catching before it is formed.
    if (d > 0 && d > MaxAllocBytes - Count) return false;
    return ReAlloc(p, Count + d);
}

bool TJkDynArray::DeAlloc(uint8_t*& p) {
    std::free(p);
    p = nullptr;
    ByteSize = 0;
    return true;
}
