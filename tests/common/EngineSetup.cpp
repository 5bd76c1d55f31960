// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/EngineSetup.h"

#include "common/MemorySource.h"
#include "common/TestDocument.h"
#include "engine/document/EngineState.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <algorithm>
#include <memory>

namespace EngineSetup {

bool OpenBytes(const std::vector<uint8_t>& bytes, bool cut) {
    using namespace Engine;
    const auto n = static_cast<TCount>(bytes.size());
    TestDoc().Store.Load(std::make_shared<TMemorySource>(bytes), n);
    // Every reader meets seams: the bytes come in pieces of the file and of memory (the same values).
    if (cut)
        for (TAddress at = 7; at <= n; at += std::max<TCount>(61, n / 4096))
            TestDoc().Store.WriteByte(at, bytes[static_cast<size_t>(at - 1)]);
    TestDoc().File.Source.reset();
    TestDoc().File.Saved = TestDoc().Store.Snapshot();
    TestDoc().FileOpen = true;
    TestDoc().Modified = false;
    ClearUndo(TestDoc()); // a fresh file: nothing to undo, nothing unsaved
    TestDoc().View.TopAddress = 1;
    TestDoc().View.BottomAddress = std::min<TCount>(TestDoc().View.PageBytes, TestDoc().Store.FileSize());
    TestDoc().View.CursorCol = TestDoc().View.CursorRow = 0;
    return true;
}

void SetStoreSize(TCount size) {
    const TCount now = TestDoc().Store.FileSize();
    if (size < now)
        TestDoc().Store.RemoveBytes(size + 1, now - size);
    else
        TestDoc().Store.InsertFill(now + 1, 0, size - now);
}

std::vector<uint8_t> StoredBytes() {
    std::vector<uint8_t> bytes;
    TestDoc().Store.Visit(1, TestDoc().Store.FileSize(), [&](std::span<const uint8_t> run) {
        bytes.insert(bytes.end(), run.begin(), run.end());
        return true;
    });
    return bytes;
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
