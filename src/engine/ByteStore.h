#pragma once

#include "engine/EngineState.h"

#include <cstdint>

// The byte store: the buffer, its capacity policy and the gaps in it. It knows the state only; emptying
// the whole file, which also drops the block and moves the view, is CloseGap's (Editing).
namespace Engine {

bool AllocateBuffer(); // reports "Error allocating memory..." itself
bool FreeBuffer();     // reports "Error deallocating memory..." itself

inline uint8_t ReadByte(int32_t address);
inline void WriteByte(int32_t address, uint8_t value);
int32_t CapacityFor(int32_t size);
bool SizeFits(int64_t size); // false past 2^31 - 1 bytes
// Room for a size change of delta bytes, FileSize still the old size: grows before an insertion, gives
// back capacity before a removal. A removal of more bytes than the file holds is refused.
bool EnsureRoom(int32_t delta);
bool OpenGap(int32_t address, int32_t n);
// Moves the bytes after address .. address + n - 1 down over them and gives back capacity; the size
// changes even when that fails, since the bytes are already in place.
bool RemoveBytes(int32_t address, int32_t n);
// Gives back capacity the file no longer needs (failure keeps it: the bytes stay right).
void ShrinkToFit();

} // namespace Engine

inline uint8_t Engine::ReadByte(int32_t address) {
    return FileBuffer[address - 1];
}
inline void Engine::WriteByte(int32_t address, uint8_t value) {
    FileBuffer[address - 1] = value;
}
