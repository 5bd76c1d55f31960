#pragma once

#include "engine/EngineState.h"

#include <cstdint>
#include <initializer_list>

// The byte store: buffer, capacity policy, gaps and the view window over the file.
namespace Engine {

struct TCell {
    int32_t Col = 0;
    int32_t Row = 0;
};

bool AllocateBuffer(); // reports "Error allocating memory..." itself
bool FreeBuffer();     // reports "Error deallocating memory..." itself

inline uint8_t ReadByte(int32_t address);
inline void WriteByte(int32_t address, uint8_t value);
int32_t CurrentAddress();
// The last address the cursor may stand on: in insert mode the empty cell after the last byte, where
// typing appends; in overwrite mode the last byte (an empty file has its one empty cell).
int32_t CursorEnd();
int32_t CapacityFor(int32_t size);
bool SizeFits(int64_t size); // false past 2^31 - 1 bytes
// Room for a size change of delta bytes, FileSize still the old size: grows before an insertion, gives
// back capacity before a removal. A removal of more bytes than the file holds is refused.
bool EnsureRoom(int32_t delta);
bool OpenGap(int32_t address, int32_t n);
bool CloseGap(int32_t address, int32_t n);
void ClearFile();
// Gives back capacity the file no longer needs (failure keeps it: the bytes stay right).
void ShrinkToFit();
// The address is taken within 1..CursorEnd().
void ShowAddress(int32_t address, bool placeCursor, bool onlyIfOutside);
void ScrollToEnd();
void GoToStart();
void GoToEnd();
// The cell of an address on the page shown; {0, 0} for one off the page.
TCell AddressToCell(int32_t address);
void SetCursorCell(int32_t col, int32_t row);
// Refills both panes from cell (col, row) to the end of the page; a pending hex digit in that range is gone.
void RefillPanes(int32_t col, int32_t row);
void SetCommandsEnabled(std::initializer_list<TCommand> commands, bool on);
void EnableReplaceUndo(bool on);

} // namespace Engine

inline uint8_t Engine::ReadByte(int32_t address) {
    return FileBuffer[address - 1];
}
inline void Engine::WriteByte(int32_t address, uint8_t value) {
    FileBuffer[address - 1] = value;
}
