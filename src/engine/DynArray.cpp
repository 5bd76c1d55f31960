#include "engine/DynArray.h"

#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

std::function<bool(size_t bytes)> DynArrayFailHook;

namespace {

bool MustFail(size_t bytes) {
    return DynArrayFailHook && DynArrayFailHook(bytes);
}

// Large buffers get transparent huge pages: far fewer page faults when a big file is read in.
void AdviseHugePages(uint8_t* p, size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr size_t Huge = 2 * 1024 * 1024;
    if (bytes < 2 * Huge) return;
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + page - 1) & ~(page - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(page - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
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
    AdviseHugePages(block, bytes);
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
    if (bytes > static_cast<size_t>(ByteSize)) AdviseHugePages(block, bytes);
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
