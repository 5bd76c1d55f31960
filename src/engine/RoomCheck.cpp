// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RoomCheck.h"

#include "engine/ByteStore.h"
#include "engine/EngineState.h"
#include "engine/Paths.h"
#include "engine/StringTable.h"
#include "engine/SystemMemory.h"
#include "engine/TextFormat.h"

#include <algorithm>

namespace Engine {

bool RoomOrRefusal(TCount delta) {
    const TCount growth = GrowthFor(delta);
    if (MemoryFits(growth)) return true;
    Host->ShowError(FormatText(Texts::NoMemoryForGrowth, {growth, MemoryBeyondMargin()}));
    return false;
}

bool LoadFitsOrRefusal(const std::string& name, TCount size) {
    // The buffer is reused: only what it lacks must come from the system.
    const TCount growth = std::max<TCount>(0, size - Capacity);
    if (MemoryFits(growth)) return true;
    Host->ShowError(FormatText(Texts::FileTooLargeForMemory, {NamePart(name), size, MemoryBeyondMargin()}));
    return false;
}

} // namespace Engine
