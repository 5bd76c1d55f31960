// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstdint>

// The marked block: BlockBegin..BlockEnd, complete when both ends are set.
namespace Engine {

class TDocument;

bool BlockComplete(TDocument& doc);
void UnmarkBlock(TDocument& doc);
// The block begin..end as given (begin <= end, or one end 0 for a half-marked block); 0, 0 unmarks.
void SetBlock(TDocument& doc, TAddress begin, TAddress end);
void DropBlockIfAffected(TDocument& doc, TAddress address);
// Silently unmarks a block that reaches past the end of the file.
void ForgetBlockPastEnd(TDocument& doc);
void MoveBlockMarks(TDocument& doc, TAddress newBegin);
// extend: Shift with a movement key; forward: the key moves towards the end of the file.
bool MarkBlock(TDocument& doc, bool extend, bool forward);
// Enables or disables the ten commands that need a complete block.
void EnableBlockCommands(TDocument& doc, bool on);

} // namespace Engine
