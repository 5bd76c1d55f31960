// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"


// Growth checked against the memory before any work starts, with a message that says what is missing.
namespace Engine {

class TDocument;

// True when delta new bytes may be held in memory; otherwise shows the bytes needed and available and
// returns false.
bool RoomOrRefusal(TDocument& doc, TCount delta);

} // namespace Engine
