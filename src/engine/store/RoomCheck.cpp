// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/store/RoomCheck.h"

#include "engine/store/ByteStore.h"
#include "engine/document/EngineState.h"
#include "engine/files/Paths.h"
#include "engine/text/StringTable.h"
#include "engine/store/SystemMemory.h"
#include "engine/text/TextFormat.h"

#include <algorithm>

namespace Engine {

bool RoomOrRefusal(TDocument& doc, TCount delta) {
    const TCount growth = doc.Store.GrowthFor(delta);
    if (MemoryFits(growth)) return true;
    doc.App.Host->ShowError(FormatText(Texts::NoMemoryForGrowth, {growth, MemoryBeyondMargin()}));
    return false;
}

bool LoadFitsOrRefusal(TDocument& doc, const std::string& name, TCount size) {
    // The buffer is reused: only what it lacks must come from the system.
    const TCount growth = std::max<TCount>(0, size - doc.Store.Capacity());
    if (MemoryFits(growth)) return true;
    doc.App.Host->ShowError(FormatText(Texts::FileTooLargeForMemory, {NamePart(name), size, MemoryBeyondMargin()}));
    return false;
}

} // namespace Engine
