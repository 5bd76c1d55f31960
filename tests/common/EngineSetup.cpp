// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/EngineSetup.h"

#include "engine/store/ByteStore.h"
#include "engine/document/EngineState.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

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
    CloseStoreGap();
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

std::vector<uint8_t> StoredBytes() {
    using namespace Engine;
    if (!HasBuffer() || FileSize <= 0) return {};
    // The runs before and after the gap, as ReadByte maps them.
    const TCount front = std::min(FileSize, GapAt - 1);
    std::vector<uint8_t> bytes(FileBuffer, FileBuffer + front);
    bytes.insert(bytes.end(), FileBuffer + front + GapLength, FileBuffer + FileSize + GapLength);
    return bytes;
}

void ScribbleOverGap() {
    using namespace Engine;
    if (!HasBuffer()) return;
    const TCount front = std::min(FileSize, GapAt - 1);
    // The gap's first byte differs from the byte after the gap, its last from the byte before it; the free
    // capacity after the last byte gets the same.
    const uint8_t after = front < FileSize ? ReadByte(front + 1) : 0;
    const TCount length = GapAt == NoGap ? 0 : GapLength;
    for (TCount i = 0; i < length; ++i)
        FileBuffer[front + i] = static_cast<uint8_t>(~after ^ i);
    if (front > 0 && length > 0) FileBuffer[front + length - 1] = static_cast<uint8_t>(~FileBuffer[front - 1]);
    for (TCount i = FileSize + length; i < Capacity; ++i)
        FileBuffer[i] = static_cast<uint8_t>(~after ^ i);
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
