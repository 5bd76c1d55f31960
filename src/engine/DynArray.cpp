#include "engine/DynArray.h"

#include <cstdlib>

std::function<bool(size_t bytes)> DynArrayFailHook;

namespace {

bool MustFail(size_t bytes) {
    return DynArrayFailHook && DynArrayFailHook(bytes);
}

bool ByteCount(int32_t elemSize, int32_t n, size_t& bytes) {
    int64_t total = static_cast<int64_t>(n) * elemSize;
    if (total < 0 || total > INT32_MAX) return false;
    bytes = static_cast<size_t>(total);
    return true;
}

} // namespace

TJkDynArray::TJkDynArray(int32_t elemSize) : ElemSize(elemSize) {}

bool TJkDynArray::Alloc(uint8_t*& p, int32_t n) {
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
    ByteSize = static_cast<int32_t>(bytes);
    return true;
}

bool TJkDynArray::ReAlloc(uint8_t*& p, int32_t n) {
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
    ByteSize = static_cast<int32_t>(bytes);
    return true;
}

bool TJkDynArray::DeltaAlloc(uint8_t*& p, int32_t d) {
    int64_t n = static_cast<int64_t>(Count) + d;
    if (n < 0 || n > INT32_MAX) return false;
    return ReAlloc(p, static_cast<int32_t>(n));
}

bool TJkDynArray::DeAlloc(uint8_t*& p) {
    std::free(p);
    p = nullptr;
    ByteSize = 0;
    return true;
}
