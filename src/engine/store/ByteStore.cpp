// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/store/ByteStore.h"

#include "engine/document/HostScopes.h"
#include "engine/text/StringTable.h"
#include "engine/store/SystemMemory.h"

#include <algorithm>
#include <cstring>

namespace Engine {

bool AllocateBuffer() {
    bool ok;
    {
        TBusyScope busy(Texts::AllocatingMemory);
        if (!BufferArray) BufferArray = new TJkDynArray(1);
        ok = BufferArray->Alloc(FileBuffer, MinCapacity);
        GapAt = NoGap;
        GapLength = 0;
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
            GapAt = NoGap;
            GapLength = 0;
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

// Insertions and deletions up to this size keep the gap where they happen; larger ones, which are one-off
// moves of a block or a file, leave the bytes in one piece as before.
constexpr TCount GapRunLimit = 65536;
// A gap opens this long (or shorter, as far as the free capacity goes) and takes the rest of the free
// capacity only once typing fills it. Moving the bytes by a short distance keeps each move's reads and
// writes in the same cache lines, which makes the first key as cheap as a move by one byte; a page plus a
// cache line, not a whole page, so that reads and writes do not alias.
constexpr TCount FirstGapLength = 4096 + 64;

TAddress GapPosition() {
    return GapAt == NoGap ? FileSize + 1 : GapAt;
}

// A gap past the last byte or of no length is no gap: the bytes lie in one piece.
void SettleGap(TAddress at, TCount length) {
    if (at > FileSize || length == 0) {
        GapAt = NoGap;
        GapLength = 0;
    } else {
        GapAt = at;
        GapLength = length;
    }
}

// Moves the gap to lie before address, moving the bytes between. A closed gap opens with its first length,
// or with room for wanted bytes, as far as the free capacity goes. The free capacity that is not in the gap
// lies after the last byte.
void MoveGapTo(TAddress address, TCount wanted = 0) {
    const TAddress from = GapPosition();
    const TCount length =
        GapAt != NoGap ? GapLength : std::min(Capacity - FileSize, std::max(FirstGapLength, wanted));
    if (address < from)
        std::memmove(FileBuffer + address - 1 + length, FileBuffer + address - 1,
                     static_cast<size_t>(from - address));
    else if (address > from)
        std::memmove(FileBuffer + from - 1, FileBuffer + from - 1 + length,
                     static_cast<size_t>(address - from));
    SettleGap(address, length);
}

} // namespace

void CloseStoreGap() {
    if (GapAt != NoGap) MoveGapTo(FileSize + 1);
}

namespace {

bool ResizeBuffer(TCount bytes) {
    if (!BufferArray) return false;
    CloseStoreGap(); // the allocation grows and shrinks at its end
    if (!BufferArray->ReAlloc(FileBuffer, bytes)) return false;
    Capacity = BufferArray->ByteSize;
    return true;
}

// Gives back the capacity that a file of this size no longer needs, down to the minimum.
bool GiveBackRoom(TCount size) {
    const TCount c = std::max<TCount>(MinCapacity, (size / GrowStep + 1) * GrowStep);
    if (c >= Capacity) return true;
    TBusyScope busy(Texts::ReleasingMemory);
    return ResizeBuffer(c);
}

} // namespace

std::span<uint8_t> StoreRun(TAddress address, TCount count) {
    if (address + count > GapAt && address < GapAt) CloseStoreGap();
    return {FileBuffer + address - 1 + (address >= GapAt ? GapLength : 0), static_cast<size_t>(count)};
}

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
    return GiveBackRoom(FileSize + delta);
}

bool OpenGap(TAddress address, TCount n) {
    if (n < 0 || address < 1 || address > FileSize + 1) return false;
    if (!EnsureRoom(n)) return false;
    if (n > GapRunLimit) {
        CloseStoreGap();
        std::memmove(FileBuffer + address - 1 + n, FileBuffer + address - 1,
                     static_cast<size_t>(FileSize - address + 1));
        FileSize += n;
        return true;
    }
    // The new bytes take the front of the gap, which stays open after them. A gap elsewhere too short for
    // them closes first, so that it opens here long enough; one that a run of keys filled here takes in the
    // rest of the free capacity.
    if (GapAt != NoGap && GapAt != address && GapLength < n) CloseStoreGap();
    MoveGapTo(address, n);
    TCount length = GapAt == NoGap ? 0 : GapLength;
    if (length < n) {
        const TCount more = Capacity - FileSize - length;
        std::memmove(FileBuffer + address - 1 + length + more, FileBuffer + address - 1 + length,
                     static_cast<size_t>(FileSize - address + 1));
        length += more;
    }
    FileSize += n;
    SettleGap(address + n, length - n);
    return true;
}

bool RemoveBytes(TAddress address, TCount n, bool giveBack) {
    if (n < 0 || address < 1 || address > FileSize + 1 || n > FileSize - address + 1) return false;
    if (n == 0) return true;
    if (n > GapRunLimit) {
        CloseStoreGap();
        std::memmove(FileBuffer + address - 1, FileBuffer + address - 1 + n,
                     static_cast<size_t>(FileSize - address - n + 1));
        FileSize -= n;
    } else {
        // Bytes just before the gap (Backspace) join it from below, any others from above.
        if (address + n != GapPosition()) MoveGapTo(address);
        const TCount length = GapAt == NoGap ? 0 : GapLength;
        FileSize -= n;
        SettleGap(address, length + n);
    }
    return !giveBack || GiveBackRoom(FileSize); // a failed shrink still removed the bytes: they are in place
}

bool ReallocateForLoad(TCount size) {
    if (!BufferArray || !BufferArray->ReAlloc(FileBuffer, CapacityFor(size))) return false;
    DropStoreGap();
    FileSize = 0;
    Capacity = BufferArray->ByteSize;
    return true;
}

void DropStoreGap() {
    GapAt = NoGap;
    GapLength = 0;
}

void ShrinkToFit() {
    const TCount wanted = CapacityFor(FileSize);
    if (Capacity <= wanted) return;
    TBusyScope busy(Texts::ReleasingMemory);
    ResizeBuffer(wanted);
}

} // namespace Engine
