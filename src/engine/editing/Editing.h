// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include "engine/document/Types.h"

#include <cstdint>
#include <span>

// Changes of the bytes at the cursor and on the block, and the Edit menu commands that drive them.
namespace Engine {

class TDocument;

// Byte level; none of these sets Modified unless its description says so.
// The gap's bytes go (RemoveBytes); a gap of the whole file is ClearFile, which keeps the capacity.
bool CloseGap(TDocument& doc, TAddress address, TCount n);
// No bytes left: the block goes and the view returns to the start.
void ClearFile(TDocument& doc);
bool InsertByteAtCursor(TDocument& doc, uint8_t value); // reports a failure itself; the cursor does not move
void DeleteByteAtCursor(TDocument& doc);              // sets Modified
bool InsertBytesAt(TDocument& doc, TAddress address, std::span<const uint8_t> bytes);
bool OverwriteBytesAt(TDocument& doc, TAddress address, std::span<const uint8_t> bytes);
bool CopyBlock(TDocument& doc, bool insert); // sets Modified

// A key that would change a read-only file: a beep, and for machines without a bell a passing note.
void RefuseReadOnly(TDocument& doc);

// Disables Replace undo when a deletion at pos reaches into the last replacement.
void ApplyUndoRule(TDocument& doc, TAddress pos);

bool DeleteBlock(TDocument& doc);
void DeleteFromCursor(TDocument& doc);
void DeleteToCursor(TDocument& doc);

enum class TBlockCopyKind { Copy, Overwrite, Move };

void Blockmark1Click(TDocument& doc);
void Blockunmark1Click(TDocument& doc);
void Blockdelete1Click(TDocument& doc);
void Blockcopy1Click(TDocument& doc, TBlockCopyKind kind);
// The three block commands of the menu.
void Blockcopy1Click(TDocument& doc);
void Blockcopyovwr1Click(TDocument& doc);
void Blockmove1Click(TDocument& doc);
void Deletefromcursor1Click(TDocument& doc);
void Deletetocursor1Click(TDocument& doc);

// Insert string: count copies of bytes before the cursor. The dialog has checked InsertionFits.
bool InsertionFits(TDocument& doc, size_t length, int64_t count);
void InsertRepeated(TDocument& doc, std::span<const uint8_t> bytes, TCount count);

} // namespace Engine
