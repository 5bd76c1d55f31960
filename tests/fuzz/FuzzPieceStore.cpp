// SPDX-License-Identifier: GPL-3.0-or-later
// The piece store against a std::vector: insertions, fills, deletions, overwrites and blocks copied from
// kept snapshots at any place (often where an edit just happened, on a piece boundary), undo and redo to
// kept snapshots, and readers of any span that stop early, over a file that may have been cut short.
#include "FuzzSupport.h"

#include "common/MemorySource.h"
#include "engine/store/PieceStore.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

namespace {

using TBytes = std::vector<uint8_t>;

constexpr int32_t MaxModelSize = 20000;

// Any place around the valid range, one just outside it now and then; often the last edit's place.
TAddress PickAddress(FuzzedDataProvider& input, int32_t size, TAddress last) {
    if (input.ConsumeBool()) return std::clamp<TAddress>(last + input.ConsumeIntegralInRange<int32_t>(-1, 1), 0, size + 2);
    return input.ConsumeIntegralInRange<int32_t>(0, size + 2);
}

// The store's bytes from first on, count of them, read as spans; stops after stopAfter spans.
TBytes Read(const Engine::TPieceStore& store, TAddress first, int64_t count, int stopAfter, Engine::TReadResult& result) {
    TBytes seen;
    int spans = 0;
    result = store.Visit(first, count, [&](std::span<const uint8_t> span) {
        FUZZ_CHECK(!span.empty());
        seen.insert(seen.end(), span.begin(), span.end());
        return ++spans < stopAfter;
    });
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Engine;
    FuzzedDataProvider input(data, size);
    auto file = std::make_shared<TMemorySource>(input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 300)));
    TPieceStore store;
    store.Load(file, static_cast<TCount>(file->Data.size()));
    TBytes model = file->Data;
    std::vector<std::pair<TStoreSnapshot, TBytes>> kept{{store.Snapshot(), model}};
    TAddress last = 1;

    while (input.remaining_bytes() > 0) {
        const auto modelSize = static_cast<int32_t>(model.size());
        const TAddress at = PickAddress(input, modelSize, last);
        const int32_t n = input.ConsumeBool() ? input.ConsumeIntegralInRange<int32_t>(0, 12)
                                              : input.ConsumeIntegralInRange<int32_t>(0, 6000);
        const bool placeValid = at >= 1 && at <= modelSize + 1;
        const bool runValid = placeValid && n <= modelSize - at + 1;
        const bool fits = modelSize + n <= MaxModelSize;
        const auto offset = model.begin() + (placeValid ? at - 1 : 0);
        switch (input.ConsumeIntegralInRange(0, 7)) {
        case 0: { // bytes from the input inserted, or a key typed
            if (!fits) break;
            const TBytes bytes = input.ConsumeBytes<uint8_t>(static_cast<size_t>(n));
            FUZZ_CHECK(store.Insert(at, bytes) == placeValid);
            if (placeValid) model.insert(offset, bytes.begin(), bytes.end());
            break;
        }
        case 1: { // a run of one value
            if (!fits) break;
            const auto value = static_cast<uint8_t>(n);
            FUZZ_CHECK(store.InsertFill(at, value, n) == placeValid);
            if (placeValid) model.insert(offset, static_cast<size_t>(n), value);
            break;
        }
        case 2:
            FUZZ_CHECK(store.RemoveBytes(at, n) == runValid);
            if (runValid) model.erase(offset, offset + n);
            break;
        case 3: {
            const TBytes bytes = input.ConsumeBytes<uint8_t>(static_cast<size_t>(n));
            const bool valid = placeValid && static_cast<int64_t>(bytes.size()) <= modelSize - at + 1;
            FUZZ_CHECK(store.Overwrite(at, bytes) == valid);
            if (valid) std::copy(bytes.begin(), bytes.end(), offset);
            break;
        }
        case 4: { // a block of a kept snapshot copied in
            const auto& [from, bytes] = kept[input.ConsumeIntegralInRange<size_t>(0, kept.size() - 1)];
            const TAddress first = input.ConsumeIntegralInRange<int32_t>(0, static_cast<int32_t>(bytes.size()) + 2);
            const bool valid = placeValid && first >= 1 && n <= static_cast<int64_t>(bytes.size()) - first + 1;
            if (!fits) break;
            FUZZ_CHECK(store.InsertFrom(at, from, first, n) == valid);
            if (valid) model.insert(offset, bytes.begin() + (first - 1), bytes.begin() + (first - 1 + n));
            break;
        }
        case 5: // a snapshot kept, or undo / redo to one
            if (input.ConsumeBool() || kept.size() > 30) {
                const auto& [snapshot, bytes] = kept[input.ConsumeIntegralInRange<size_t>(0, kept.size() - 1)];
                store.Restore(snapshot);
                model = bytes;
            } else {
                kept.emplace_back(store.Snapshot(), model);
            }
            break;
        case 6: { // a reader over any span, stopping early; a byte for the panes
            TReadResult result;
            const int stopAfter = input.ConsumeIntegralInRange(1, 4);
            const TBytes seen = Read(store, at, n, stopAfter, result);
            const int64_t first = std::max<int64_t>(at, 1);
            const int64_t wanted = std::clamp<int64_t>(at - 1 + n, 0, modelSize) - (first - 1);
            FUZZ_CHECK(static_cast<int64_t>(seen.size()) <= std::max<int64_t>(wanted, 0));
            FUZZ_CHECK(seen.empty() || std::equal(seen.begin(), seen.end(), model.begin() + (first - 1)));
            // Done only with every byte seen; short only when the visitor stopped (it may stop on the last span).
            const bool all = static_cast<int64_t>(seen.size()) == std::max<int64_t>(wanted, 0);
            FUZZ_CHECK(result.Status != TReadStatus::Done || all);
            FUZZ_CHECK(all || result.Status == TReadStatus::Stopped);
            const int byte = store.ByteAt(at);
            FUZZ_CHECK(byte == (at >= 1 && at <= modelSize ? model[size_t(at - 1)] : UnreadableByte));
            break;
        }
        default: { // the file cut short from outside: its lost bytes read as unreadable, never as others
            file->Readable = input.ConsumeIntegralInRange<int64_t>(0, static_cast<int64_t>(file->Data.size()));
            // A store of its own, so that what its byte cache saw of the cut file goes with it.
            TPieceStore cut;
            cut.Restore(store.Snapshot());
            TReadResult result;
            const TBytes seen = Read(cut, 1, modelSize, 1 << 30, result);
            FUZZ_CHECK(std::equal(seen.begin(), seen.end(), model.begin()));
            FUZZ_CHECK(result.Readable() == (static_cast<int32_t>(seen.size()) == modelSize));
            FUZZ_CHECK(result.Readable() || result.At == static_cast<TAddress>(seen.size()) + 1);
            for (TAddress a = 1; a <= modelSize; a += 97) {
                const int byte = cut.ByteAt(a);
                FUZZ_CHECK(byte == UnreadableByte || byte == model[size_t(a - 1)]);
                FUZZ_CHECK(a > static_cast<TAddress>(seen.size()) || byte == model[size_t(a - 1)]);
            }
            file->Readable = static_cast<int64_t>(file->Data.size());
            break;
        }
        }
        if (placeValid) last = at;
        FUZZ_CHECK(store.FileSize() == static_cast<int64_t>(model.size()));
    }
    for (const auto& [snapshot, bytes] : kept) {
        TBytes all(bytes.size());
        FUZZ_CHECK(snapshot.CopyOut(1, all).Readable() && all == bytes);
    }
    return 0;
}
