#include "engine/ByteStore.h"

#include "engine/HostScopes.h"
#include "engine/StringTable.h"

#include <algorithm>
#include <cstring>

namespace Engine {

bool AllocateBuffer() {
    bool ok;
    {
        TBusyScope busy(Texts::AllocatingMemory);
        if (!BufferArray) BufferArray = new TJkDynArray(1);
        ok = BufferArray->Alloc(FileBuffer, MinCapacity);
        Capacity = BufferArray->ByteSize;
    }
    if (!ok) Host->ShowError(Texts::ErrorAllocating);
    return ok;
}

bool FreeBuffer() {
    bool ok = true;
    {
        TBusyScope busy(Texts::ReleasingMemory);
        if (BufferArray) {
            ok = BufferArray->DeAlloc(FileBuffer);
            delete BufferArray;
            BufferArray = nullptr;
        }
        Capacity = 0;
    }
    if (!ok) Host->ShowError(Texts::ErrorDeallocating);
    return ok;
}

int32_t CapacityFor(int32_t size) {
    int64_t steps = static_cast<int64_t>(size) / GrowStep + 1;
    return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(MinCapacity, steps * GrowStep),
                                                  (INT32_MAX / GrowStep) * GrowStep));
}

bool SizeFits(int64_t size) {
    return size >= 0 && size <= MaxFileSize;
}

namespace {

bool ResizeBuffer(int32_t bytes) {
    if (!BufferArray) return false;
    if (!BufferArray->ReAlloc(FileBuffer, bytes)) return false;
    Capacity = BufferArray->ByteSize;
    return true;
}

} // namespace

bool EnsureRoom(int32_t delta) {
    if (delta == 0) return true;
    if (delta > 0) {
        // One limit for growth and loading, checked even when the capacity has room: the capacity
        // ceiling lies a byte above the largest file, and whatever can be saved must open again.
        if (!SizeFits(static_cast<int64_t>(FileSize) + delta)) return false;
        if (delta <= Capacity - FileSize) return true;
        TBusyScope busy(Texts::AllocatingMemory);
        return ResizeBuffer(((FileSize + delta) / GrowStep + 1) * GrowStep);
    }
    // More bytes than the file holds cannot be removed: the size the caller sets would fall below zero.
    if (static_cast<int64_t>(FileSize) + delta < 0) return false;
    if (Capacity <= MinCapacity) return true;
    TBusyScope busy(Texts::ReleasingMemory);
    int32_t c = ((FileSize + delta) / GrowStep + 1) * GrowStep;
    return ResizeBuffer(c <= MinCapacity ? MinCapacity : c);
}

bool OpenGap(int32_t address, int32_t n) {
    if (n < 0 || address < 1 || address > FileSize + 1) return false;
    if (!EnsureRoom(n)) return false;
    std::memmove(FileBuffer + address - 1 + n, FileBuffer + address - 1,
                 static_cast<size_t>(FileSize - address + 1));
    FileSize += n;
    return true;
}

bool RemoveBytes(int32_t address, int32_t n) {
    if (n < 0 || address < 1 || static_cast<int64_t>(address) + n - 1 > FileSize) return false;
    if (n == 0) return true;
    std::memmove(FileBuffer + address - 1, FileBuffer + address - 1 + n,
                 static_cast<size_t>(FileSize - address - n + 1));
    bool ok = EnsureRoom(-n);
    FileSize -= n; // even when the shrink failed: the bytes are already in place
    return ok;
}

void ShrinkToFit() {
    const int32_t wanted = CapacityFor(FileSize);
    if (Capacity <= wanted) return;
    TBusyScope busy(Texts::ReleasingMemory);
    ResizeBuffer(wanted);
}

} // namespace Engine
