// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/EngineSetup.h"

#include "common/StoreInside.h"
#include "common/TestDocument.h"
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
        if (!StoreInside::Array()) StoreInside::Array() = new TJkDynArray(1);
    } else {
        if (!StoreInside::FileBuffer() && !TestDoc().Store.AllocateBuffer()) return false;
        capacity = CapacityFor(n);
    }
    StoreInside::CloseGap();
    if (!StoreInside::Array()->ReAlloc(StoreInside::FileBuffer(), std::max(capacity, n))) return false;
    StoreInside::Room() = StoreInside::Array()->ByteSize;
    if (n > 0) std::memcpy(StoreInside::FileBuffer(), bytes.data(), bytes.size());
    StoreInside::Size() = n;
    TestDoc().FileOpen = true;
    TestDoc().Modified = false;
    ClearUndo(TestDoc()); // a fresh file: nothing to undo, nothing unsaved
    TestDoc().View.TopAddress = 1;
    TestDoc().View.BottomAddress = std::min<TCount>(TestDoc().View.PageBytes, TestDoc().Store.FileSize());
    TestDoc().View.CursorCol = TestDoc().View.CursorRow = 0;
    return true;
}

std::vector<uint8_t> StoredBytes() {
    using namespace Engine;
    std::vector<uint8_t> bytes;
    if (!TestDoc().Store.HasBuffer()) return bytes;
    TestDoc().Store.VisitSpans(1, TestDoc().Store.FileSize(), [&](std::span<const uint8_t> run) {
        bytes.insert(bytes.end(), run.begin(), run.end());
    });
    return bytes;
}

void ScribbleOverGap() {
    using namespace Engine;
    if (!TestDoc().Store.HasBuffer()) return;
    uint8_t* const buffer = StoreInside::FileBuffer();
    const TCount size = TestDoc().Store.FileSize();
    const TCount front = std::min(size, StoreInside::GapAt() - 1);
    // The gap's first byte differs from the byte after the gap, its last from the byte before it; the free
    // capacity after the last byte gets the same.
    const uint8_t after = front < size ? TestDoc().Store.ReadByte(front + 1) : 0;
    const TCount length = StoreInside::GapAt() == StoreInside::NoGap ? 0 : StoreInside::GapLength();
    for (TCount i = 0; i < length; ++i)
        buffer[front + i] = static_cast<uint8_t>(~after ^ i);
    if (front > 0 && length > 0) buffer[front + length - 1] = static_cast<uint8_t>(~buffer[front - 1]);
    for (TCount i = size + length; i < TestDoc().Store.Capacity(); ++i)
        buffer[i] = static_cast<uint8_t>(~after ^ i);
}

void PutCursorOn(TAddress address, int32_t row) {
    using namespace Engine;
    const TAddress addressRow = (address - 1) / TestDoc().View.Cols;
    row = static_cast<int32_t>(
        std::clamp<TAddress>(row, 0, std::min<TAddress>(TestDoc().View.Rows - 1, addressRow)));
    TestDoc().View.TopAddress = (addressRow - row) * TestDoc().View.Cols + 1;
    TestDoc().View.BottomAddress =
        std::min(TestDoc().View.TopAddress + TestDoc().View.PageBytes - 1, TestDoc().Store.FileSize());
    SetCursorCell(TestDoc(), static_cast<int32_t>((address - 1) % TestDoc().View.Cols), row);
}

} // namespace EngineSetup
