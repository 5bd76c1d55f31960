// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <string>

// Growth checked against the memory before any work starts, with a message that says what is missing.
namespace Engine {

class TDocument;

// True when the file may grow by delta bytes; otherwise shows the bytes needed and available and returns false.
bool RoomOrRefusal(TDocument& doc, TCount delta);
// True when a file of size bytes may be loaded in place of the current one; otherwise shows why, naming the file.
bool LoadFitsOrRefusal(TDocument& doc, const std::string& name, TCount size);

} // namespace Engine
