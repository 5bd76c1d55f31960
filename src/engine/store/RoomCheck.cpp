// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/store/RoomCheck.h"

#include "engine/document/EngineState.h"
#include "engine/text/StringTable.h"
#include "engine/store/SystemMemory.h"
#include "engine/text/TextFormat.h"

namespace Engine {

bool RoomOrRefusal(TDocument& doc, TCount delta) {
    // New bytes are held in memory; bytes of the file and shared pieces cost next to nothing.
    if (MemoryFits(delta)) return true;
    doc.App.Host->ShowError(FormatText(Texts::NoMemoryForGrowth, {delta, MemoryBeyondMargin()}));
    return false;
}

} // namespace Engine
