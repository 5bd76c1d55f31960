#include "engine/ByteStore.h"

#include "engine/HostScopes.h"
#include "engine/StringTable.h"
#include "engine/SystemMemory.h"

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

TCount CapacityFor(TCount size) {
    const TCount steps = std::min(size, MaxFileSize) / GrowStep + 1;
    return std::max<TCount>(MinCapacity, steps * GrowStep);
}

bool SizeFits(TCount size) {
    return size >= 0 && size <= MaxFileSize;
}

namespace {

bool ResizeBuffer(TCount bytes) {
    if (!BufferArray) return false;
    if (!BufferArray->ReAlloc(FileBuffer, bytes)) return false;
    Capacity = BufferArray->ByteSize;
    return true;
}

} // namespace

TCount GrowthFor(TCount delta) {
    return std::max<TCount>(0, delta - (Capacity - FileSize));
}

bool EnsureRoom(TCount delta) {
    if (delta == 0) return true;
    if (delta > 0) {
        // One limit for growth and loading, checked even when the capacity has room: the capacity
        // ceiling lies a byte above the largest file, and whatever can be saved must open again.
        // Compared as a difference, since the sum could pass the 64-bit range.
        if (delta > MaxFileSize - FileSize) return false;
        if (delta <= Capacity - FileSize) return true;
        // An allocation the system only pretends to grant ends in the kernel killing the process, and with
        // it every unsaved edit.
        if (!MemoryFits(GrowthFor(delta))) return false;
        TBusyScope busy(Texts::AllocatingMemory);
        return ResizeBuffer(((FileSize + delta) / GrowStep + 1) * GrowStep);
    }
    // More bytes than the file holds cannot be removed: the size the caller sets would fall below zero.
    if (FileSize + delta < 0) return false;
    if (Capacity <= MinCapacity) return true;
    TBusyScope busy(Texts::ReleasingMemory);
    const TCount c = ((FileSize + delta) / GrowStep + 1) * GrowStep;
    return ResizeBuffer(c <= MinCapacity ? MinCapacity : c);
}

bool OpenGap(TAddress address, TCount n) {
    if (n < 0 || address < 1 || address > FileSize + 1) return false;
    if (!EnsureRoom(n)) return false;
    std::memmove(FileBuffer + address - 1 + n, FileBuffer + address - 1,
                 static_cast<size_t>(FileSize - address + 1));
    FileSize += n;
    return true;
}

bool RemoveBytes(TAddress address, TCount n) {
    if (n < 0 || address < 1 || address > FileSize + 1 || n > FileSize - address + 1) return false;
    if (n == 0) return true;
    std::memmove(FileBuffer + address - 1, FileBuffer + address - 1 + n,
                 static_cast<size_t>(FileSize - address - n + 1));
    bool ok = EnsureRoom(-n);
    FileSize -= n; // even when the shrink failed: the bytes are already in place
    return ok;
}

void ShrinkToFit() {
    const TCount wanted = CapacityFor(FileSize);
    if (Capacity <= wanted) return;
    TBusyScope busy(Texts::ReleasingMemory);
    ResizeBuffer(wanted);
}

} // namespace Engine
