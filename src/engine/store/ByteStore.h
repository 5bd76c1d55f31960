// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"
#include "engine/store/DynArray.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

class TAppHost;

namespace Engine {

inline constexpr int32_t GrowStep = 131072;
inline constexpr int32_t MinCapacity = 524288;
// The largest file: the capacity must stay a whole step above the size and within one allocation.
inline constexpr TCount MaxFileSize = (MaxAllocBytes / GrowStep) * GrowStep - 1;

TCount CapacityFor(TCount size);
bool SizeFits(TCount size); // false past MaxFileSize: what one allocation cannot hold

// Many pieces of one length that each become bytes of another length, in one pass that moves each byte once
// (Replace all, undo of such a step, its replay after a crash). Pieces lie at ascending addresses of the file
// as it is, apart from each other.
struct TPieces {
    int64_t Count = 0;
    TCount OldLength = 0;
    TCount NewLength = 0;
    std::function<TAddress(int64_t i)> Address;
    // NewLength bytes for piece i.
    std::function<const uint8_t*(int64_t i)> Bytes;
    // Called for each piece just before its old bytes are overwritten (optional; in the order of the pass).
    std::function<void(int64_t i, const uint8_t* oldBytes, TAddress at)> Before;
};

struct TByteStoreInside;

// The bytes of one open file and the room they take. Only the store changes the file's size; readers and
// writers reach the bytes by address, a byte or a run at a time, and nobody outside sees how they are held.
class TByteStore {
  public:
    TByteStore() = default;
    ~TByteStore();
    TByteStore(TByteStore&& other) noexcept;
    TByteStore& operator=(TByteStore&& other) noexcept;

    // Where the busy indicator and the store's own error messages go (the document's application host;
    // the slot may be filled later). The store keeps its slot when another store is moved into it.
    void UseHost(TAppHost* const* host) { HostSlot = host; }
    void Busy(bool on, const char* text = "") const;
    void ShowError(const std::string& text) const;

    TCount FileSize() const { return Size; }
    // The bytes the store holds room for.
    TCount Capacity() const { return Room; }
    // Whether there is a buffer at all (before the first allocation and after the last release there is
    // none).
    bool HasBuffer() const { return FileBuffer != nullptr; }

    bool AllocateBuffer(); // reports "Error allocating memory..." itself
    bool FreeBuffer();     // reports "Error deallocating memory..." itself

    uint8_t ReadByte(TAddress address) const { return FileBuffer[Index(address)]; }
    void WriteByte(TAddress address, uint8_t value) { FileBuffer[Index(address)] = value; }
    // count bytes from address in one piece, to read or write in place.
    std::span<uint8_t> StoreRun(TAddress address, TCount count);
    // The whole file in one piece: for search, save, copy and the like.
    uint8_t* ContiguousBytes();
    // The bytes from address on, count of them, as the spans they lie in, without moving any.
    void VisitSpans(TAddress address, TCount count,
                    const std::function<void(std::span<const uint8_t>)>& visit) const;

    // The bytes the file would need beyond the capacity to grow by delta (0 when the capacity has room).
    // The buffer grows by whole steps past that; the memory's margin covers the rest of the step.
    TCount GrowthFor(TCount delta) const;
    // Room for delta more bytes (or delta fewer). Growth that the memory cannot take is refused before it
    // starts; a removal of more bytes than the file holds is refused.
    bool EnsureRoom(TCount delta);
    // n new bytes (contents undefined) at address, the bytes from there on moving up.
    bool OpenGap(TAddress address, TCount n);
    // The bytes address .. address + n - 1 go, and capacity is given back (unless told not to); the size
    // changes even when that fails, since the bytes are already in place.
    bool RemoveBytes(TAddress address, TCount n, bool giveBack = true);
    // Every piece replaced in one pass; false when the room for growth could not be had (nothing changed).
    bool ReplacePieces(const TPieces& pieces);
    // The file holds no bytes; the capacity stays.
    void Clear();
    // Room for a file of size bytes to be read in place of the present one, whose bytes are given up once
    // this succeeds (the size becomes 0); a failure keeps them. The file's bytes go to LoadTarget, and
    // Loaded says how many arrived.
    bool ReallocateForLoad(TCount size);
    uint8_t* LoadTarget() { return FileBuffer; }
    void Loaded(TCount size);
    // Gives back capacity the file no longer needs (failure keeps it: the bytes stay right).
    void ShrinkToFit();

    // Replace all's sweep through the file from the front, for pieces found on the way that do not grow:
    // each piece of oldLength bytes at a (ascending, at or after the sweep's last piece) becomes the
    // replacement; Before sees its old bytes and the address its replacement takes. Opened with room in
    // front (shift > 0), the bytes from start + shift on are swept down into it.
    class TSweep {
      public:
        TSweep(TByteStore& store, TAddress start, TCount shift = 0);
        void Piece(TAddress at, TCount oldLength, std::span<const uint8_t> replacement,
                   const std::function<void(const uint8_t* oldBytes, TAddress to)>& before);
        // The bytes after the last piece follow.
        void Finish();

      private:
        TByteStore& Store;
        TAddress Src;
        TAddress Dst;
    };

  private:
    friend struct TByteStoreInside; // tests that pin how the bytes are held

    // The gap: the bytes from GapAt on lie GapLength further up in the buffer, and the free capacity not in
    // the gap after them. NoGap while the bytes lie in one piece.
    static constexpr TAddress NoGap = INT64_MAX;

    TCount Index(TAddress address) const { return address - 1 + (address >= GapAt ? GapLength : 0); }
    TAddress GapPosition() const { return GapAt == NoGap ? Size + 1 : GapAt; }
    void SettleGap(TAddress at, TCount length);
    void MoveGapTo(TAddress address, TCount wanted = 0);
    void CloseStoreGap();
    void DropStoreGap();
    bool ResizeBuffer(TCount bytes);
    bool GiveBackRoom(TCount size);
    void CopyDown(TAddress from, TAddress to, TAddress dest);

    TJkDynArray* BufferArray = nullptr;
    uint8_t* FileBuffer = nullptr;
    TCount Room = 0;
    TAddress GapAt = NoGap;
    TCount GapLength = 0;
    TCount Size = 0;
    TAppHost* const* HostSlot = nullptr;

    TAppHost* Host() const { return HostSlot ? *HostSlot : nullptr; }
};

} // namespace Engine
