// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo against the history of the file: steps of insertions, deletions and overwrites, steps of
// many same-sized pieces (as Replace all makes them), undo, redo and saves, with a small budget and with
// allocations that may be refused. Whatever the journal still holds must lead back and forth exactly.
#include "FuzzSupport.h"
#include "common/TestDocument.h"

#include "common/EngineSetup.h"
#include "engine/store/PieceStore.h"
#include "engine/store/DynArray.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/editing/Undo.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace {

using TBytes = std::vector<uint8_t>;

bool AllocationsRefused = false;

bool FileIs(const TBytes& bytes) {
    using namespace Engine;
    return TestDoc().Store.FileSize() == static_cast<int32_t>(bytes.size()) &&
           EngineSetup::StoredBytes() == bytes;
}

// One change inside the open step; false when it was refused or there was nothing to change.
bool RandomChange(FuzzedDataProvider& input, TBytes& model) {
    using namespace Engine;
    const auto size = static_cast<int32_t>(model.size());
    const int32_t address = input.ConsumeIntegralInRange<int32_t>(1, size + 1);
    const int32_t n = input.ConsumeIntegralInRange<int32_t>(0, 300);
    switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0: {
        const TBytes bytes = input.ConsumeBytes<uint8_t>(static_cast<size_t>(n));
        if (!InsertBytesAt(TestDoc(), address, bytes)) return false;
        model.insert(model.begin() + (address - 1), bytes.begin(), bytes.end());
        return !bytes.empty();
    }
    case 1: {
        const int32_t count = std::min(n, size - address + 1);
        if (count <= 0) return false;
        RecordStoreChange(TestDoc(), address, count, 0);
        CloseGap(TestDoc(), address, count);
        model.erase(model.begin() + (address - 1), model.begin() + (address - 1 + count));
        return true;
    }
    default: {
        const TBytes bytes =
            input.ConsumeBytes<uint8_t>(static_cast<size_t>(std::min(n, size - address + 1)));
        if (bytes.empty() || !OverwriteBytesAt(TestDoc(), address, bytes)) return false;
        std::copy(bytes.begin(), bytes.end(), model.begin() + (address - 1));
        return true;
    }
    }
}

// Pieces of one length at distinct places become pieces of another, reported in either order.
bool RandomPieces(FuzzedDataProvider& input, TBytes& model) {
    using namespace Engine;
    const auto size = static_cast<int32_t>(model.size());
    const int32_t oldLength = input.ConsumeIntegralInRange<int32_t>(1, 4);
    const int32_t newLength = input.ConsumeIntegralInRange<int32_t>(0, 6);
    std::set<int32_t> starts;
    for (int i = input.ConsumeIntegralInRange(1, 40); i > 0 && size >= oldLength; --i) {
        const int32_t at = input.ConsumeIntegralInRange<int32_t>(1, size - oldLength + 1);
        const auto next = starts.lower_bound(at);
        if (next != starts.end() && *next < at + oldLength) continue;
        if (next != starts.begin() && *std::prev(next) + oldLength > at) continue;
        starts.insert(at);
    }
    if (starts.empty()) return false;
    TBytes changed;
    int32_t from = 1;
    for (int32_t at : starts) {
        changed.insert(changed.end(), model.begin() + (from - 1), model.begin() + (at - 1));
        changed.insert(changed.end(), static_cast<size_t>(newLength), static_cast<uint8_t>(at));
        from = at + oldLength;
    }
    changed.insert(changed.end(), model.begin() + (from - 1), model.end());
    const auto grown = static_cast<int32_t>(changed.size());
    RecordPiecesBegin(TestDoc(), oldLength, newLength);
    const std::vector<int32_t> order(starts.begin(), starts.end());
    const bool backwards = input.ConsumeBool();
    for (size_t i = 0; i < order.size(); ++i) {
        const int32_t at = backwards ? order[order.size() - 1 - i] : order[i];
        RecordPiece(TestDoc(), at, model.data() + at - 1);
    }
    RecordPiecesEnd(TestDoc());
    TestDoc().Store.RemoveBytes(1, TestDoc().Store.FileSize());
    TestDoc().Store.Insert(1, changed);
    (void)grown;
    model = std::move(changed);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Engine;
    FuzzedDataProvider input(data, size);
    FreshEngine();
    std::vector<TBytes> states{input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 200))};
    FUZZ_CHECK(OpenTight(states[0], input.ConsumeIntegralInRange<int32_t>(0, 16)));
    ClearUndo(TestDoc());
    TestDoc().Undo.Journal.Budget = input.ConsumeIntegralInRange<int64_t>(0, 4000);
    DynArrayFailHook = [](size_t) { return AllocationsRefused; };
    size_t index = 0;
    TBytes saved = states[0];

    while (input.remaining_bytes() > 0) {
        AllocationsRefused = input.ConsumeIntegralInRange(0, 7) == 0;
        const int op = input.ConsumeIntegralInRange(0, 5);
        if (op <= 2) {
            TBytes model = states[index];
            bool changed = false;
            {
                TUndoStep step(TestDoc(), TStepName::Change);
                if (op == 2)
                    changed = RandomPieces(input, model);
                else
                    for (int i = input.ConsumeIntegralInRange(1, 3); i > 0; --i)
                        changed = RandomChange(input, model) || changed;
            }
            if (changed) {
                states.resize(index + 1);
                states.push_back(std::move(model));
                ++index;
            }
        } else if (op == 3 && TestDoc().Undo.Journal.CanUndo()) {
            const int64_t applied = TestDoc().Undo.Journal.Applied;
            Undo1Click(TestDoc());
            if (TestDoc().Undo.Journal.Applied != applied) --index;
        } else if (op == 4 && TestDoc().Undo.Journal.CanRedo()) {
            const int64_t applied = TestDoc().Undo.Journal.Applied;
            Redo1Click(TestDoc());
            if (TestDoc().Undo.Journal.Applied != applied) ++index;
        } else if (op == 5) {
            UndoFileSaved(TestDoc());
            saved = states[index];
        }
        SealUndoStep(TestDoc());
        FUZZ_CHECK(FileIs(states[index]));
        FUZZ_CHECK(TestDoc().Undo.Journal.Bytes <= TestDoc().Undo.Journal.Budget);
        // What the journal holds is a stretch of the history that ends where the history ends.
        const auto held = static_cast<size_t>(TestDoc().Undo.Journal.Steps.size());
        FUZZ_CHECK(static_cast<size_t>(TestDoc().Undo.Journal.Applied) <= index);
        FUZZ_CHECK(index - static_cast<size_t>(TestDoc().Undo.Journal.Applied) + held == states.size() - 1 ||
                   held == 0);
        if (TestDoc().Undo.Journal.SavedAt >= 0)
            FUZZ_CHECK(states[index - static_cast<size_t>(TestDoc().Undo.Journal.Applied) +
                              size_t(TestDoc().Undo.Journal.SavedAt)] == saved);
    }
    // All the way back and forth, with every allocation granted.
    AllocationsRefused = false;
    while (TestDoc().Undo.Journal.CanUndo()) {
        Undo1Click(TestDoc());
        FUZZ_CHECK(FileIs(states[--index]));
    }
    while (TestDoc().Undo.Journal.CanRedo()) {
        Redo1Click(TestDoc());
        FUZZ_CHECK(FileIs(states[++index]));
    }
    DynArrayFailHook = nullptr;
    return 0;
}
