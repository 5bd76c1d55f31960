// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstdint>
#include <vector>

// Engine states for tests, set directly rather than through a file on disk. Plain C++, so that fuzz
// targets use them too.
namespace EngineSetup {

// The bytes as a freshly opened, unmodified file at the top of the view, in a buffer of the capacity a
// load would give it, or of exactly `capacity` bytes when that is given (at least the size and 1).
// False when an allocation was refused.
bool OpenBytes(const std::vector<uint8_t>& bytes, TCount capacity = 0);
// The file's bytes, read across the store's gap without moving it.
std::vector<uint8_t> StoredBytes();
// Fills the store's gap (free capacity) with bytes the file does not hold at that place, so that a reader
// that looks into the gap is caught even where the gap still holds old copies of moved bytes.
void ScribbleOverGap();
// Scrolls so that address shows in the given row (as near as the file allows) and puts the cursor on it.
void PutCursorOn(TAddress address, int32_t row = 0);

} // namespace EngineSetup
