// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/store/ByteStore.h"

#include "engine/document/EngineHost.h"
#include "engine/text/StringTable.h"
#include "engine/store/SystemMemory.h"

#include <algorithm>
#include <cstring>
#include <utility>

// The buffer's free capacity stays as a gap where the last small insertion or deletion left it, so that a
// run of keys at one place moves the bytes after it once, not once per key. ReadByte, WriteByte and
// StoreRun read across the gap; whatever needs the bytes in one piece asks ContiguousBytes, which closes
// it first.
namespace Engine {

namespace {
// The busy indicator while the store allocates or gives back memory, when it has a host to show it.
struct TStoreBusy {
    TStoreBusy(const TByteStore& store, const char* text) : Store(store) { Store.Busy(true, text); }
    ~TStoreBusy() { Store.Busy(false); }
    const TByteStore& Store;
};
} // namespace

void TByteStore::Busy(bool on, const char* text) const {
    if (TAppHost* const host = Host()) on ? host->BusyOn(text) : host->BusyOff();
}

void TByteStore::ShowError(const std::string& text) const {
    if (TAppHost* const host = Host()) host->ShowError(text);
}

TByteStore::~TByteStore() {
    if (BufferArray) BufferArray->DeAlloc(FileBuffer);
    delete BufferArray;
}

TByteStore::TByteStore(TByteStore&& other) noexcept
    : BufferArray(std::exchange(other.BufferArray, nullptr)),
      FileBuffer(std::exchange(other.FileBuffer, nullptr)), Room(std::exchange(other.Room, 0)),
      GapAt(std::exchange(other.GapAt, NoGap)), GapLength(std::exchange(other.GapLength, 0)),
      Size(std::exchange(other.Size, 0)) {}

TByteStore& TByteStore::operator=(TByteStore&& other) noexcept {
    if (this != &other) {
        TAppHost* const* const slot = HostSlot;
        this->~TByteStore();
        new (this) TByteStore(std::move(other));
        HostSlot = slot;
    }
    return *this;
}

bool TByteStore::AllocateBuffer() {
    bool ok;
    {
        TStoreBusy busy(*this, Texts::AllocatingMemory);
        if (!BufferArray) BufferArray = new TJkDynArray(1);
        ok = BufferArray->Alloc(FileBuffer, MinCapacity);
        DropStoreGap();
        Room = BufferArray->ByteSize;
    }
    if (!ok) ShowError(Texts::ErrorAllocating);
    return ok;
}

bool TByteStore::FreeBuffer() {
    bool ok = true;
    {
        TStoreBusy busy(*this, Texts::ReleasingMemory);
        if (BufferArray) {
            ok = BufferArray->DeAlloc(FileBuffer);
            DropStoreGap();
            delete BufferArray;
            BufferArray = nullptr;
        }
        Room = 0;
    }
    if (!ok) ShowError(Texts::ErrorDeallocating);
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

} // namespace

// A gap past the last byte or of no length is no gap: the bytes lie in one piece.
void TByteStore::SettleGap(TAddress at, TCount length) {
    if (at > Size || length == 0) {
        DropStoreGap();
    } else {
        GapAt = at;
        GapLength = length;
    }
}

// Moves the gap to lie before address, moving the bytes between. A closed gap opens with its first length,
// or with room for wanted bytes, as far as the free capacity goes. The free capacity that is not in the gap
// lies after the last byte.
void TByteStore::MoveGapTo(TAddress address, TCount wanted) {
    const TAddress from = GapPosition();
    const TCount length =
        GapAt != NoGap ? GapLength : std::min(Room - Size, std::max(FirstGapLength, wanted));
    if (address < from)
        std::memmove(FileBuffer + address - 1 + length, FileBuffer + address - 1,
                     static_cast<size_t>(from - address));
    else if (address > from)
        std::memmove(FileBuffer + from - 1, FileBuffer + from - 1 + length,
                     static_cast<size_t>(address - from));
    SettleGap(address, length);
}

void TByteStore::CloseStoreGap() {
    if (GapAt != NoGap) MoveGapTo(Size + 1);
}

void TByteStore::DropStoreGap() {
    GapAt = NoGap;
    GapLength = 0;
}

uint8_t* TByteStore::ContiguousBytes() {
    CloseStoreGap();
    return FileBuffer;
}

bool TByteStore::ResizeBuffer(TCount bytes) {
    if (!BufferArray) return false;
    CloseStoreGap(); // the allocation grows and shrinks at its end
    if (!BufferArray->ReAlloc(FileBuffer, bytes)) return false;
    Room = BufferArray->ByteSize;
    return true;
}

// Gives back the capacity that a file of this size no longer needs, down to the minimum.
bool TByteStore::GiveBackRoom(TCount size) {
    const TCount c = std::max<TCount>(MinCapacity, (size / GrowStep + 1) * GrowStep);
    if (c >= Room) return true;
    TStoreBusy busy(*this, Texts::ReleasingMemory);
    return ResizeBuffer(c);
}

std::span<uint8_t> TByteStore::StoreRun(TAddress address, TCount count) {
    if (address + count > GapAt && address < GapAt) CloseStoreGap();
    return {FileBuffer + Index(address), static_cast<size_t>(count)};
}

void TByteStore::VisitSpans(TAddress address, TCount count,
                            const std::function<void(std::span<const uint8_t>)>& visit) const {
    const TAddress end = address + count; // the first address not visited
    if (address < GapAt && count > 0) {
        const TAddress front = std::min(end, GapAt);
        visit({FileBuffer + address - 1, static_cast<size_t>(front - address)});
        address = front;
    }
    if (address < end) visit({FileBuffer + Index(address), static_cast<size_t>(end - address)});
}

TCount TByteStore::GrowthFor(TCount delta) const {
    return std::max<TCount>(0, delta - (Room - Size));
}

bool TByteStore::EnsureRoom(TCount delta) {
    if (delta == 0) return true;
    if (delta > 0) {
        // One limit for growth and loading, checked even when the capacity has room: the capacity
        // ceiling lies a byte above the largest file, and whatever can be saved must open again.
        // Compared as a difference, since the sum could pass the 64-bit range.
        if (delta > MaxFileSize - Size) return false;
        if (delta <= Room - Size) return true;
        // An allocation the system only pretends to grant ends in the kernel killing the process, and with
        // it every unsaved edit.
        if (!MemoryFits(GrowthFor(delta))) return false;
        TStoreBusy busy(*this, Texts::AllocatingMemory);
        return ResizeBuffer(((Size + delta) / GrowStep + 1) * GrowStep);
    }
    // More bytes than the file holds cannot be removed: the size would fall below zero.
    if (Size + delta < 0) return false;
    return GiveBackRoom(Size + delta);
}

bool TByteStore::OpenGap(TAddress address, TCount n) {
    if (n < 0 || address < 1 || address > Size + 1) return false;
    if (!EnsureRoom(n)) return false;
    if (n > GapRunLimit) {
        CloseStoreGap();
        std::memmove(FileBuffer + address - 1 + n, FileBuffer + address - 1,
                     static_cast<size_t>(Size - address + 1));
        Size += n;
        return true;
    }
    // The new bytes take the front of the gap, which stays open after them. A gap elsewhere too short for
    // them closes first, so that it opens here long enough; one that a run of keys filled here takes in the
    // rest of the free capacity.
    if (GapAt != NoGap && GapAt != address && GapLength < n) CloseStoreGap();
    MoveGapTo(address, n);
    TCount length = GapAt == NoGap ? 0 : GapLength;
    if (length < n) {
        const TCount more = Room - Size - length;
        std::memmove(FileBuffer + address - 1 + length + more, FileBuffer + address - 1 + length,
                     static_cast<size_t>(Size - address + 1));
        length += more;
    }
    Size += n;
    SettleGap(address + n, length - n);
    return true;
}

bool TByteStore::RemoveBytes(TAddress address, TCount n, bool giveBack) {
    if (n < 0 || address < 1 || address > Size + 1 || n > Size - address + 1) return false;
    if (n == 0) return true;
    if (n > GapRunLimit) {
        CloseStoreGap();
        std::memmove(FileBuffer + address - 1, FileBuffer + address - 1 + n,
                     static_cast<size_t>(Size - address - n + 1));
        Size -= n;
    } else {
        // Bytes just before the gap (Backspace) join it from below, any others from above.
        if (address + n != GapPosition()) MoveGapTo(address);
        const TCount length = GapAt == NoGap ? 0 : GapLength;
        Size -= n;
        SettleGap(address, length + n);
    }
    return !giveBack || GiveBackRoom(Size); // a failed shrink still removed the bytes: they are in place
}

void TByteStore::Clear() {
    DropStoreGap();
    Size = 0;
}

bool TByteStore::ReallocateForLoad(TCount size) {
    if (!BufferArray || !BufferArray->ReAlloc(FileBuffer, CapacityFor(size))) return false;
    Clear();
    Room = BufferArray->ByteSize;
    return true;
}

void TByteStore::Loaded(TCount size) {
    Size = std::clamp<TCount>(size, 0, Room);
}

void TByteStore::ShrinkToFit() {
    const TCount wanted = CapacityFor(Size);
    if (Room <= wanted) return;
    TStoreBusy busy(*this, Texts::ReleasingMemory);
    ResizeBuffer(wanted);
}

// Ascending, as a byte-by-byte copy would go; every caller moves bytes down.
void TByteStore::CopyDown(TAddress from, TAddress to, TAddress dest) {
    std::memmove(FileBuffer + dest - 1, FileBuffer + from - 1, static_cast<size_t>(to - from + 1));
}

bool TByteStore::ReplacePieces(const TPieces& pieces) {
    const int64_t k = pieces.Count;
    if (k <= 0) return true;
    const TCount o = pieces.OldLength, n = pieces.NewLength;
    const int64_t delta = n - o;
    if (delta > 0 && !EnsureRoom(delta * k)) return false;
    uint8_t* const file = ContiguousBytes() - 1; // 1-based
    auto put = [&](int64_t i) {
        const TAddress at = pieces.Address(i) + i * delta;
        if (pieces.Before) pieces.Before(i, file + pieces.Address(i), at);
        if (n > 0) std::memcpy(file + at, pieces.Bytes(i), size_t(n));
    };
    // The bytes between piece i and the next (or the end) move to where they end up.
    auto moveBetween = [&](int64_t i) {
        const TAddress from = pieces.Address(i) + o;
        const TAddress to = i + 1 < k ? pieces.Address(i + 1) : Size + 1;
        if (to > from && delta != 0)
            std::memmove(file + from + (i + 1) * delta, file + from, size_t(to - from));
    };
    if (delta <= 0) {
        // From the front, every move goes down.
        for (int64_t i = 0; i < k; ++i) {
            put(i);
            moveBetween(i);
        }
    } else {
        // From the end, every move goes up.
        for (int64_t i = k - 1; i >= 0; --i) {
            moveBetween(i);
            put(i);
        }
    }
    Size += delta * k;
    return true;
}

TByteStore::TSweep::TSweep(TByteStore& store, TAddress start, TCount shift)
    : Store(store), Src(start + shift), Dst(start) {
    Store.CloseStoreGap();
}

void TByteStore::TSweep::Piece(TAddress at, TCount oldLength, std::span<const uint8_t> replacement,
                               const std::function<void(const uint8_t* oldBytes, TAddress to)>& before) {
    if (at > Src) {
        Store.CopyDown(Src, at - 1, Dst);
        Dst += at - Src;
    }
    before(Store.FileBuffer + at - 1, Dst);
    if (!replacement.empty()) std::memcpy(Store.FileBuffer + Dst - 1, replacement.data(), replacement.size());
    Dst += static_cast<TCount>(replacement.size());
    Src = at + oldLength;
}

void TByteStore::TSweep::Finish() {
    if (Dst != Src) {
        if (Src <= Store.Size) Store.CopyDown(Src, Store.Size, Dst);
        Store.Size -= Src - Dst;
    }
}

} // namespace Engine
