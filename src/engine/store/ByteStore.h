// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/EngineState.h"

#include <cstdint>
#include <span>

// The byte store: the buffer, its capacity policy and the gaps in it. It knows the state only; emptying
// the whole file, which also drops the block and moves the view, is CloseGap's (Editing).
//
// The buffer's free capacity stays as a gap where the last small insertion or deletion left it, so that a
// run of keys at one place moves the bytes after it once, not once per key. ReadByte, WriteByte and
// StoreRun read across the gap; whatever needs the bytes in one piece asks ContiguousBytes, which closes
// it first.
namespace Engine {

bool AllocateBuffer(); // reports "Error allocating memory..." itself
bool FreeBuffer();     // reports "Error deallocating memory..." itself

inline uint8_t ReadByte(TAddress address);
inline void WriteByte(TAddress address, uint8_t value);
// Whether there is a buffer at all (before the first allocation and after the last release there is none).
inline bool HasBuffer() {
    return FileBuffer != nullptr;
}
void CloseStoreGap();
// The whole file in one piece, the gap moved past its end first: for search, save, copy and the like.
inline uint8_t* ContiguousBytes() {
    if (GapAt != NoGap) CloseStoreGap();
    return FileBuffer;
}
// count bytes from address in one piece, to read or write in place: where they lie on one side of the gap
// that costs nothing, else the gap is closed first.
std::span<uint8_t> StoreRun(TAddress address, TCount count);
TCount CapacityFor(TCount size);
bool SizeFits(TCount size); // false past MaxFileSize: what one allocation cannot hold
// Room for a size change of delta bytes, FileSize still the old size: grows before an insertion, gives
// back capacity before a removal. A removal of more bytes than the file holds is refused.
// The bytes the file would need beyond the buffer's capacity to grow by delta (0 when the capacity has room).
// The buffer grows by whole steps past that; the memory's margin covers the rest of the step.
TCount GrowthFor(TCount delta);
// Room for delta more bytes (or delta fewer). Growth that the memory cannot take is refused before it starts.
bool EnsureRoom(TCount delta);
bool OpenGap(TAddress address, TCount n);
// Moves the bytes after address .. address + n - 1 down over them and gives back capacity (unless told
// not to); the size changes even when that fails, since the bytes are already in place.
bool RemoveBytes(TAddress address, TCount n, bool giveBack = true);
// Room for a file of size bytes to be read in place of the present one, whose bytes are given up once this
// succeeds (the size becomes 0); a failure keeps them.
bool ReallocateForLoad(TCount size);
// The bytes are given up (the caller sets the size): the gap goes with them.
void DropStoreGap();
// Gives back capacity the file no longer needs (failure keeps it: the bytes stay right).
void ShrinkToFit();

} // namespace Engine

inline uint8_t Engine::ReadByte(TAddress address) {
    return FileBuffer[address - 1 + (address >= GapAt ? GapLength : 0)];
}
inline void Engine::WriteByte(TAddress address, uint8_t value) {
    FileBuffer[address - 1 + (address >= GapAt ? GapLength : 0)] = value;
}
