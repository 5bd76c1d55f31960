#pragma once

#include "engine/Types.h"

#include <cstdint>
#include <vector>

// Engine states for tests, set directly rather than through a file on disk. Plain C++, so that fuzz
// targets use them too.
namespace EngineSetup {

// The bytes as a freshly opened, unmodified file at the top of the view, in a buffer of the capacity a
// load would give it, or of exactly `capacity` bytes when that is given (at least the size and 1).
// False when an allocation was refused.
bool OpenBytes(const std::vector<uint8_t>& bytes, TCount capacity = 0);
// Scrolls so that address shows in the given row (as near as the file allows) and puts the cursor on it.
void PutCursorOn(TAddress address, int32_t row = 0);

} // namespace EngineSetup
