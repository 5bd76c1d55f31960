// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/MemorySource.h"
#include "common/TestRandom.h"
#include "engine/store/PieceStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <thread>

using namespace Engine;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Contents(const TStoreSnapshot& snapshot) {
    TBytes bytes;
    const TReadResult read = snapshot.Visit(1, snapshot.Size(), [&](std::span<const uint8_t> span) {
        bytes.insert(bytes.end(), span.begin(), span.end());
        return true;
    });
    EXPECT_EQ(read.Status, TReadStatus::Done);
    return bytes;
}

// A visit of a random span that stops after a random number of spans sees exactly the model's bytes up to
// there; ByteAt agrees with the model at random places.
void CheckReaders(const TPieceStore& store, const TBytes& model, TTestRandom& random) {
    const auto size = static_cast<int32_t>(model.size());
    for (int i = 0; i < 4; ++i) {
        const TAddress first = random.Pick(1, size + 1);
        const TCount count = random.Pick(0, size + 10);
        const int stopAfter = random.Pick(1, 6);
        int spans = 0;
        TBytes seen;
        const TReadResult read = store.Visit(first, count, [&](std::span<const uint8_t> span) {
            EXPECT_FALSE(span.empty());
            seen.insert(seen.end(), span.begin(), span.end());
            return ++spans < stopAfter;
        });
        const auto end = static_cast<size_t>(std::min<TCount>(first - 1 + count, size));
        ASSERT_LE(seen.size(), end - (first - 1));
        EXPECT_TRUE(std::equal(seen.begin(), seen.end(), model.begin() + (first - 1)));
        EXPECT_EQ(read.Status == TReadStatus::Done, seen.size() == end - (first - 1) && spans < stopAfter)
            << "first " << first << " count " << count;
    }
    // "From here to the end" as the largest count.
    const TAddress from = random.Pick(1, size + 1);
    TCount rest = 0;
    EXPECT_EQ(store.Visit(from, INT64_MAX, [&](std::span<const uint8_t> span) {
                  rest += static_cast<TCount>(span.size());
                  return true;
              }).Status,
              TReadStatus::Done);
    EXPECT_EQ(rest, size - from + 1);
    for (int i = 0; i < 8 && size > 0; ++i) {
        const TAddress at = random.Pick(1, size);
        ASSERT_EQ(store.ByteAt(at), model[static_cast<size_t>(at - 1)]) << at;
    }
    EXPECT_EQ(store.ByteAt(size + 1), UnreadableByte);
}

TEST(PieceStoreTest, FollowsAReferenceModelThroughRandomEditsSnapshotsAndUndo) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        TTestRandom random(seed);
        auto file = std::make_shared<TMemorySource>(random.Bytes(3000));
        TPieceStore store;
        store.Load(file, 3000);
        TBytes model = file->Data;
        std::vector<std::pair<TStoreSnapshot, TBytes>> history{{store.Snapshot(), model}};
        // Where edits happened: picking these and their neighbours puts edits on piece boundaries.
        std::vector<TAddress> edges{1};
        for (int step = 0; step < 1500; ++step) {
            const auto size = static_cast<int32_t>(model.size());
            TAddress at = random.Pick(1, size + 1);
            if (random.Pick(0, 1) == 0)
                at = std::clamp<TAddress>(edges[static_cast<size_t>(random.Pick(0, static_cast<int32_t>(edges.size()) - 1))] +
                                              random.Pick(-1, 1),
                                          1, size + 1);
            const auto rest = static_cast<int32_t>(size - at + 1);
            const auto offset = model.begin() + (at - 1);
            switch (random.Pick(0, 10)) {
            case 0:
            case 1: {
                const TBytes bytes = random.Bytes(random.Pick(0, 40));
                ASSERT_TRUE(store.Insert(at, bytes));
                model.insert(offset, bytes.begin(), bytes.end());
                break;
            }
            case 2: { // a run of keys, each one byte after the last
                const int keys = random.Pick(1, 30);
                for (int k = 0; k < keys; ++k) {
                    const auto key = static_cast<uint8_t>(random.Pick(0, 255));
                    ASSERT_TRUE(store.Insert(at + k, std::span(&key, 1)));
                    model.insert(model.begin() + (at - 1 + k), key);
                }
                break;
            }
            case 3: {
                const int32_t n = random.Pick(0, std::min(rest, 200));
                ASSERT_TRUE(store.RemoveBytes(at, n));
                model.erase(offset, offset + n);
                break;
            }
            case 4:
            case 5: {
                const TBytes bytes = random.Bytes(random.Pick(0, std::min(rest, 60)));
                ASSERT_TRUE(store.Overwrite(at, bytes));
                std::copy(bytes.begin(), bytes.end(), offset);
                break;
            }
            case 6: {
                const auto value = static_cast<uint8_t>(random.Pick(0, 255));
                const int32_t n = random.Pick(0, 1) ? random.Pick(0, 20) : random.Pick(4000, 9000);
                ASSERT_TRUE(store.InsertFill(at, value, n));
                model.insert(offset, static_cast<size_t>(n), value);
                break;
            }
            case 7: { // a block copied from an earlier snapshot (or this one), sharing its pieces
                const auto& [from, bytes] = history[static_cast<size_t>(random.Pick(0, static_cast<int32_t>(history.size()) - 1))];
                const auto fromSize = static_cast<int32_t>(bytes.size());
                const TAddress first = random.Pick(1, fromSize + 1);
                const int32_t n = random.Pick(0, std::min<int32_t>(fromSize - static_cast<int32_t>(first) + 1, 500));
                ASSERT_TRUE(store.InsertFrom(at, from, first, n));
                model.insert(offset, bytes.begin() + (first - 1), bytes.begin() + (first - 1 + n));
                break;
            }
            case 8:
                history.emplace_back(store.Snapshot(), model);
                break;
            case 9: { // undo or redo to any kept state
                const auto& [snapshot, bytes] = history[static_cast<size_t>(random.Pick(0, static_cast<int32_t>(history.size()) - 1))];
                store.Restore(snapshot);
                model = bytes;
                break;
            }
            case 10: { // refused: outside the contents; nothing changes
                const TBytes one{1};
                EXPECT_FALSE(store.Insert(size + 2, one));
                EXPECT_FALSE(store.Insert(0, one));
                EXPECT_FALSE(store.RemoveBytes(at, rest + 1));
                EXPECT_FALSE(store.Overwrite(at, TBytes(static_cast<size_t>(rest + 1))));
                EXPECT_FALSE(store.InsertFrom(at, store.Snapshot(), 1, size + 1));
                break;
            }
            }
            edges.push_back(at);
            ASSERT_EQ(store.FileSize(), static_cast<TCount>(model.size()));
            if (step % 10 == 0) {
                ASSERT_EQ(Contents(store.Snapshot()), model) << "step " << step;
                CheckReaders(store, model, random);
            }
        }
        // Nothing a snapshot refers to ever changed.
        for (const auto& [snapshot, bytes] : history)
            ASSERT_EQ(Contents(snapshot), bytes);
    }
}

TEST(PieceStoreTest, WindowsShowEveryHitThatStraddlesPiecesOnce) {
    const std::array<uint8_t, 2> alphabet{'a', 'b'};
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        TTestRandom random(seed);
        // Long file pieces (read in chunks, whose seams count too) cut by many short typed ones.
        auto file = std::make_shared<TMemorySource>(random.Bytes(600000, alphabet));
        TPieceStore store;
        store.Load(file, 600000);
        TBytes model = file->Data;
        for (int i = 0; i < 300; ++i) {
            const TAddress at = random.Pick(1, static_cast<int32_t>(model.size()) + 1);
            const TBytes bytes = random.Bytes(random.Pick(1, 30), alphabet);
            store.Insert(at, bytes);
            model.insert(model.begin() + (at - 1), bytes.begin(), bytes.end());
        }
        for (int round = 0; round < 12; ++round) {
            const TBytes pattern = random.Bytes(random.Pick(1, 40), alphabet);
            const auto size = static_cast<int32_t>(model.size());
            const TAddress first = random.Pick(1, size);
            const TCount count = random.Pick(0, 1) ? size : random.Pick(0, 5000);
            const auto end = static_cast<size_t>(std::min<TCount>(first - 1 + count, size));
            int64_t expected = 0;
            for (size_t at = static_cast<size_t>(first - 1); at + pattern.size() <= end; ++at)
                expected += std::equal(pattern.begin(), pattern.end(), model.begin() + static_cast<std::ptrdiff_t>(at));
            int64_t found = 0;
            TCount owned = 0;
            const TReadResult read = store.Snapshot().VisitWindows(
                first, count, pattern.size() - 1, [&](TAddress at, std::span<const uint8_t> bytes, size_t own) {
                    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), model.begin() + (at - 1)));
                    EXPECT_EQ(at, first + owned);
                    owned += static_cast<TCount>(own);
                    for (size_t p = 0; p < own && p + pattern.size() <= bytes.size(); ++p)
                        found += std::equal(pattern.begin(), pattern.end(), bytes.begin() + static_cast<std::ptrdiff_t>(p));
                    return true;
                });
            EXPECT_EQ(read.Status, TReadStatus::Done);
            EXPECT_EQ(owned, static_cast<TCount>(end) - (first - 1));
            ASSERT_EQ(found, expected) << "pattern of " << pattern.size() << " from " << first;
        }
    }
}

TEST(PieceStoreTest, TypingARunAtOnePlaceGrowsOnePiece) {
    TTestRandom random(7);
    auto file = std::make_shared<TMemorySource>(random.Bytes(1000));
    for (const bool overwrite : {false, true}) {
        TPieceStore store;
        store.Load(file, 1000);
        for (TAddress at = 100; at < 600; ++at) {
            const auto key = static_cast<uint8_t>(at);
            ASSERT_TRUE(overwrite ? store.WriteByte(at, key) : store.Insert(at, std::span(&key, 1)));
        }
        // The file's bytes before, the typed run, the file's bytes after.
        EXPECT_EQ(store.PieceCount(), 3) << overwrite;
    }
}

TEST(PieceStoreTest, ChangedRangesAreExactlyTheOverwrittenOnes) {
    TTestRandom random(11);
    auto file = std::make_shared<TMemorySource>(random.Bytes(5000));
    TPieceStore store;
    store.Load(file, 5000);
    const TStoreSnapshot saved = store.Snapshot();
    TBytes written(5000, 0);
    for (int i = 0; i < 60; ++i) {
        const TAddress at = random.Pick(1, 4990);
        const TBytes bytes = random.Bytes(random.Pick(1, 10));
        store.Overwrite(at, bytes);
        std::fill_n(written.begin() + (at - 1), bytes.size(), 1);
    }
    std::vector<TRange> expected;
    for (TAddress a = 1; a <= 5000; ++a) {
        if (!written[static_cast<size_t>(a - 1)]) continue;
        if (!expected.empty() && expected.back().First + expected.back().Count == a) ++expected.back().Count;
        else expected.push_back({a, 1});
    }
    EXPECT_EQ(store.Snapshot().ChangedSince(saved), expected);
    EXPECT_TRUE(saved.ChangedSince(saved).empty());

    // An insertion and a deletion of the same length change everything between them.
    store.Insert(4000, TBytes{1, 2, 3});
    store.RemoveBytes(4500, 3);
    const std::vector<TRange> shifted = store.Snapshot().ChangedSince(saved);
    auto covered = [&](TAddress a) {
        return std::any_of(shifted.begin(), shifted.end(),
                           [a](const TRange& r) { return a >= r.First && a < r.First + r.Count; });
    };
    // Between them the bytes moved by three; from the deletion on they are back in their place.
    for (TAddress a = 4000; a < 4500; ++a)
        ASSERT_TRUE(covered(a)) << a;
    for (TAddress a = 4500; a <= 5000; ++a)
        ASSERT_EQ(covered(a), written[static_cast<size_t>(a - 1)] != 0) << a;
    store.Restore(saved);
    EXPECT_TRUE(store.Snapshot().ChangedSince(saved).empty());
}

// How deep the deepest piece lies.
int Depth(const PieceTree::TNodePtr& node) {
    return node ? 1 + std::max(Depth(node->Left), Depth(node->Right)) : 0;
}

TEST(PieceTreeTest, StaysShallowThroughManyCutsAndJoins) {
    // Cuts at random places, then a run of cuts each after the last (as typing at the end makes them).
    PieceTree::TPriorities priorities;
    auto source = std::make_shared<TFillSource>(0);
    PieceTree::TNodePtr tree = PieceTree::Leaf({source, 0, 1 << 30}, priorities);
    TTestRandom random(3);
    constexpr int Pieces = 20000;
    for (int i = 0; i < Pieces; ++i) {
        const int64_t at = i % 2 ? random.Pick(0, 1 << 30) : PieceTree::Length(tree);
        auto [left, right] = PieceTree::Split(tree, at, priorities);
        tree = PieceTree::Merge(PieceTree::Merge(left, PieceTree::Leaf({source, 0, 1}, priorities)), right);
    }
    EXPECT_GE(PieceTree::Count(tree), Pieces);
    EXPECT_LT(Depth(tree), 4 * std::log2(Pieces));
}

TEST(PieceStoreTest, UnreadableBytesAreReportedNeverZeros) {
    TTestRandom random(5);
    auto file = std::make_shared<TMemorySource>(random.Bytes(40000));
    TPieceStore store;
    store.Load(file, 40000);
    const TBytes typed{0xAA, 0xBB};
    store.Insert(30001, typed); // a readable piece after the part the file will lose
    file->Readable = 20000;     // another program cut the file
    EXPECT_EQ(store.ByteAt(20000), file->Data[19999]);
    EXPECT_EQ(store.ByteAt(20001), UnreadableByte);
    EXPECT_EQ(store.ByteAt(30000), UnreadableByte);
    EXPECT_EQ(store.ByteAt(30001), 0xAA);
    EXPECT_EQ(store.ByteAt(30002), 0xBB);
    EXPECT_EQ(store.ByteAt(30003), UnreadableByte);

    TCount seen = 0;
    const TReadResult read = store.Visit(10001, 30000, [&](std::span<const uint8_t> span) {
        seen += static_cast<TCount>(span.size());
        return true;
    });
    EXPECT_EQ(read.Status, TReadStatus::Unreadable);
    EXPECT_EQ(read.At, 20001);
    EXPECT_EQ(read.Count, 10000);
    EXPECT_EQ(seen, 10000);
    TBytes into(5);
    EXPECT_EQ(store.Snapshot().CopyOut(19998, into).At, 20001);
}

TEST(PieceStoreTest, ASnapshotReadsOnAnotherThreadWhileEditsGoOn) {
    TTestRandom random(9);
    auto file = std::make_shared<TMemorySource>(random.Bytes(1 << 16));
    TPieceStore store;
    store.Load(file, 1 << 16);
    for (int i = 0; i < 200; ++i)
        store.Insert(random.Pick(1, 1 << 16), random.Bytes(random.Pick(1, 9)));
    const TStoreSnapshot snapshot = store.Snapshot();
    const TBytes expected = Contents(snapshot);
    TBytes seen;
    std::thread reader([&] {
        for (int round = 0; round < 20; ++round)
            seen = Contents(snapshot);
    });
    for (int i = 0; i < 2000; ++i) {
        store.Insert(random.Pick(1, 1 << 16), random.Bytes(random.Pick(1, 9)));
        store.RemoveBytes(random.Pick(1, 1 << 15), random.Pick(0, 9));
    }
    reader.join();
    EXPECT_EQ(seen, expected);
}

} // namespace
