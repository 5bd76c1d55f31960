// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstdint>
#include <vector>

// Engine states for tests, set directly rather than through a file on disk. Plain C++, so that fuzz
// targets use them too.
namespace EngineSetup {

// The bytes as a freshly opened, unmodified file at the top of the view, read the way a file is. cut: the
// store holds them as many pieces (of the file and of memory, every few dozen bytes), so that every reader
// meets seams between pieces.
bool OpenBytes(const std::vector<uint8_t>& bytes, bool cut = true);
// The file grows to size bytes (zeros, which cost no memory) or shrinks to them, without a command: a file
// of any size in a test.
void SetStoreSize(TCount size);
// The file's bytes, read through the store.
std::vector<uint8_t> StoredBytes();
// Scrolls so that address shows in the given row (as near as the file allows) and puts the cursor on it.
void PutCursorOn(TAddress address, int32_t row = 0);

} // namespace EngineSetup
