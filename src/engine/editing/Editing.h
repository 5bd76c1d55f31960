// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include "engine/document/Types.h"

#include <cstdint>
#include <span>

// Changes of the bytes at the cursor and on the block, and the Edit menu commands that drive them.
namespace Engine {

// Byte level; none of these sets Modified unless its description says so.
// The gap's bytes go (RemoveBytes); a gap of the whole file is ClearFile, which keeps the capacity.
bool CloseGap(TAddress address, TCount n);
// No bytes left: the block goes and the view returns to the start.
void ClearFile();
bool InsertByteAtCursor(uint8_t value); // reports a failure itself; the cursor does not move
void DeleteByteAtCursor();              // sets Modified
bool InsertBytesAt(TAddress address, std::span<const uint8_t> bytes);
bool OverwriteBytesAt(TAddress address, std::span<const uint8_t> bytes);
bool CopyBlock(bool insert); // sets Modified

// A key that would change a read-only file: a beep, and for machines without a bell a passing note.
void RefuseReadOnly();

// Disables Replace undo when a deletion at pos reaches into the last replacement.
void ApplyUndoRule(TAddress pos);

bool DeleteBlock();
void DeleteFromCursor();
void DeleteToCursor();

enum class TBlockCopyKind { Copy, Overwrite, Move };

void Blockmark1Click();
void Blockunmark1Click();
void Blockdelete1Click();
void Blockcopy1Click(TBlockCopyKind kind);
// The three block commands of the menu.
void Blockcopy1Click();
void Blockcopyovwr1Click();
void Blockmove1Click();
void Deletefromcursor1Click();
void Deletetocursor1Click();

// Insert string: count copies of bytes before the cursor. The dialog has checked InsertionFits.
bool InsertionFits(size_t length, int64_t count);
void InsertRepeated(std::span<const uint8_t> bytes, TCount count);

} // namespace Engine
