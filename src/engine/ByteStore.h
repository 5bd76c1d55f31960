#pragma once

#include "engine/EngineState.h"

#include <cstdint>

// The byte store: the buffer, its capacity policy and the gaps in it. It knows the state only; emptying
// the whole file, which also drops the block and moves the view, is CloseGap's (Editing).
namespace Engine {

bool AllocateBuffer(); // reports "Error allocating memory..." itself
bool FreeBuffer();     // reports "Error deallocating memory..." itself

inline uint8_t ReadByte(TAddress address);
inline void WriteByte(TAddress address, uint8_t value);
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
// Moves the bytes after address .. address + n - 1 down over them and gives back capacity; the size
// changes even when that fails, since the bytes are already in place.
bool RemoveBytes(TAddress address, TCount n);
// Gives back capacity the file no longer needs (failure keeps it: the bytes stay right).
void ShrinkToFit();

} // namespace Engine

inline uint8_t Engine::ReadByte(TAddress address) {
    return FileBuffer[address - 1];
}
inline void Engine::WriteByte(TAddress address, uint8_t value) {
    FileBuffer[address - 1] = value;
}
