#include "common/EngineSetup.h"

#include "engine/ByteStore.h"
#include "engine/EngineState.h"
#include "engine/Undo.h"
#include "engine/View.h"

#include <algorithm>
#include <cstring>

namespace EngineSetup {

bool OpenBytes(const std::vector<uint8_t>& bytes, TCount capacity) {
    using namespace Engine;
    const auto n = static_cast<TCount>(bytes.size());
    if (capacity > 0) {
        if (!BufferArray) BufferArray = new TJkDynArray(1);
    } else {
        if (!FileBuffer && !AllocateBuffer()) return false;
        capacity = CapacityFor(n);
    }
    if (!BufferArray->ReAlloc(FileBuffer, std::max(capacity, n))) return false;
    Capacity = BufferArray->ByteSize;
    if (n > 0) std::memcpy(FileBuffer, bytes.data(), bytes.size());
    FileSize = n;
    FileOpen = true;
    Modified = false;
    ClearUndo(); // a fresh file: nothing to undo, nothing unsaved
    TopAddress = 1;
    BottomAddress = std::min<TCount>(PageBytes, FileSize);
    CursorCol = CursorRow = 0;
    return true;
}

void PutCursorOn(TAddress address, int32_t row) {
    using namespace Engine;
    const TAddress addressRow = (address - 1) / Cols;
    row = static_cast<int32_t>(std::clamp<TAddress>(row, 0, std::min<TAddress>(Rows - 1, addressRow)));
    TopAddress = (addressRow - row) * Cols + 1;
    BottomAddress = std::min(TopAddress + PageBytes - 1, FileSize);
    SetCursorCell(static_cast<int32_t>((address - 1) % Cols), row);
}

} // namespace EngineSetup
