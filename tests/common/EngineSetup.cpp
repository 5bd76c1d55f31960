#include "common/EngineSetup.h"

#include "engine/ByteStore.h"
#include "engine/EngineState.h"
#include "engine/Undo.h"
#include "engine/View.h"

#include <algorithm>
#include <cstring>

namespace EngineSetup {

bool OpenBytes(const std::vector<uint8_t>& bytes, int32_t capacity) {
    using namespace Engine;
    const auto n = static_cast<int32_t>(bytes.size());
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
    Journal.Clear(); // a fresh file: nothing to undo
    TopAddress = 1;
    BottomAddress = std::min(PageBytes, FileSize);
    CursorCol = CursorRow = 0;
    return true;
}

void PutCursorOn(int32_t address, int32_t row) {
    using namespace Engine;
    const int32_t addressRow = (address - 1) / Cols;
    row = std::clamp(row, 0, std::min(Rows - 1, addressRow));
    TopAddress = (addressRow - row) * Cols + 1;
    BottomAddress = std::min(TopAddress + PageBytes - 1, FileSize);
    SetCursorCell((address - 1) % Cols, row);
}

} // namespace EngineSetup
