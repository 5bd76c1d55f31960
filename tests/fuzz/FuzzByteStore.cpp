// SPDX-License-Identifier: GPL-3.0-or-later
// The byte store against a std::vector: gaps opened and closed, bytes inserted and overwritten, room
// ensured, each with allocations that may be refused, and readers that need the bytes in one piece or a run
// of them, wherever the store's gap was left. A refused change leaves every byte where it was.
#include "FuzzSupport.h"
#include "common/TestDocument.h"

#include "common/EngineSetup.h"
#include "common/StoreInside.h"
#include "engine/store/ByteStore.h"
#include "engine/store/DynArray.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>

namespace {

using TBytes = std::vector<uint8_t>;

// Keeps the model small enough for many runs a second, yet big enough for a capacity above the minimum,
// so that deletions shrink the allocation.
constexpr int32_t MaxModelSize = 5 * Engine::GrowStep;

// An address around the valid range 1..size + 1, now and then one just outside it; often the store's gap
// or next to it, where runs of typing keep it.
int32_t PickAddress(FuzzedDataProvider& input, int32_t size) {
    if (StoreInside::GapAt() != StoreInside::NoGap && input.ConsumeBool())
        return static_cast<int32_t>(StoreInside::GapAt()) + input.ConsumeIntegralInRange<int32_t>(-2, 1);
    return input.ConsumeIntegralInRange<int32_t>(0, size + 2);
}

// Mostly short runs, sometimes one that crosses a growth step.
int32_t PickLength(FuzzedDataProvider& input) {
    return input.ConsumeBool() ? input.ConsumeIntegralInRange<int32_t>(0, 40)
                               : input.ConsumeIntegralInRange<int32_t>(0, Engine::GrowStep + 1000);
}

bool AllocationsRefused = false;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Engine;
    FuzzedDataProvider input(data, size);
    FreshEngine();
    TBytes model = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 64));
    FUZZ_CHECK(OpenTight(model, input.ConsumeIntegralInRange<int32_t>(0, 16)));
    DynArrayFailHook = [](size_t) { return AllocationsRefused; };

    while (input.remaining_bytes() > 0) {
        AllocationsRefused = input.ConsumeBool();
        EngineSetup::ScribbleOverGap();
        const auto modelSize = static_cast<int32_t>(model.size());
        const int32_t address = PickAddress(input, modelSize);
        const int32_t n = PickLength(input);
        const bool fits = modelSize + n <= MaxModelSize;
        switch (input.ConsumeIntegralInRange(0, 5)) {
        case 0: { // a gap filled with one value
            if (!fits) break;
            const bool valid = address >= 1 && address <= modelSize + 1;
            const bool opened = TestDoc().Store.OpenGap(address, n);
            FUZZ_CHECK(!opened || valid);
            FUZZ_CHECK(opened || !valid || AllocationsRefused);
            if (!opened) break;
            const auto value = static_cast<uint8_t>(n);
            if (n > 0) std::ranges::fill(TestDoc().Store.StoreRun(address, n), value);
            model.insert(model.begin() + (address - 1), static_cast<size_t>(n), value);
            break;
        }
        case 1: { // a run deleted: a failed shrink of the allocation still deletes
            const bool valid = address >= 1 && static_cast<int64_t>(address) + n - 1 <= modelSize;
            const bool closed = CloseGap(TestDoc(), address, n);
            FUZZ_CHECK(!closed || valid);
            FUZZ_CHECK(closed || !valid || AllocationsRefused);
            if (valid) model.erase(model.begin() + (address - 1), model.begin() + (address - 1 + n));
            break;
        }
        case 2: { // bytes from the input inserted
            const TBytes bytes = input.ConsumeBytes<uint8_t>(static_cast<size_t>(n));
            const bool valid = address >= 1 && address <= modelSize + 1;
            const bool inserted = InsertBytesAt(TestDoc(), address, bytes);
            FUZZ_CHECK(!inserted || valid);
            FUZZ_CHECK(inserted || !valid || AllocationsRefused);
            if (inserted) model.insert(model.begin() + (address - 1), bytes.begin(), bytes.end());
            break;
        }
        case 3: { // bytes from the input written over the file, never past its end
            const TBytes bytes = input.ConsumeBytes<uint8_t>(static_cast<size_t>(n));
            const bool valid = address >= 1 && address - 1 + static_cast<int64_t>(bytes.size()) <= modelSize;
            FUZZ_CHECK(OverwriteBytesAt(TestDoc(), address, bytes) == valid);
            if (valid) std::copy(bytes.begin(), bytes.end(), model.begin() + (address - 1));
            break;
        }
        case 4: { // a reader: a run in place, a byte, or the whole file in one piece
            const int32_t count = std::min(n, modelSize - address + 1);
            if (address < 1 || count < 0) break;
            if (input.ConsumeBool()) {
                const auto run = TestDoc().Store.StoreRun(address, count);
                FUZZ_CHECK(std::equal(run.begin(), run.end(), model.begin() + (address - 1)));
            } else if (input.ConsumeBool()) {
                FUZZ_CHECK(count == 0 || TestDoc().Store.ReadByte(address) == model[size_t(address - 1)]);
            } else {
                FUZZ_CHECK(model.empty() ||
                           std::memcmp(TestDoc().Store.ContiguousBytes(), model.data(), model.size()) == 0);
            }
            break;
        }
        default: { // room ensured for a growth (a negative delta belongs to CloseGap, which removes the bytes)
            if (!fits) break;
            FUZZ_CHECK(TestDoc().Store.EnsureRoom(n) || AllocationsRefused);
            if (!AllocationsRefused) FUZZ_CHECK(TestDoc().Store.Capacity() - TestDoc().Store.FileSize() >= n);
            break;
        }
        }
        FUZZ_CHECK(TestDoc().Store.FileSize() == static_cast<int32_t>(model.size()));
        FUZZ_CHECK(TestDoc().Store.Capacity() == StoreInside::Array()->ByteSize &&
                   TestDoc().Store.FileSize() <= TestDoc().Store.Capacity());
        FUZZ_CHECK(EngineSetup::StoredBytes() == model);
        FUZZ_CHECK(StoreInside::GapAt() == StoreInside::NoGap ||
                   (StoreInside::GapAt() >= 1 && StoreInside::GapAt() <= TestDoc().Store.FileSize() &&
                    StoreInside::GapLength() > 0 &&
                    StoreInside::GapLength() <= TestDoc().Store.Capacity() - TestDoc().Store.FileSize()));
    }
    AllocationsRefused = false;
    DynArrayFailHook = nullptr;
    return 0;
}
