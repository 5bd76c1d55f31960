// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "common/EngineSetup.h"
#include "common/StoreInside.h"
#include "common/TestRandom.h"
#include "engine/store/ByteStore.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/text/StringTable.h"
#include "engine/document/View.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>

using namespace Engine;

namespace {

constexpr int32_t MiB = 1 << 20;

class ByteStoreTest : public TEngineTest {
  protected:
    bool BusyShown(const std::string& text) const {
        return std::find(Host.BusyTexts.begin(), Host.BusyTexts.end(), text) != Host.BusyTexts.end();
    }
    // A buffer of exactly this capacity holding size pattern bytes.
    void BufferOf(int32_t capacity, int32_t size) {
        OpenBytes(PatternBytes(size));
        ASSERT_TRUE(StoreInside::Array()->ReAlloc(StoreInside::FileBuffer(), capacity));
        StoreInside::Room() = capacity;
        Host.ForgetRecords();
    }
    void FailAllAllocations() {
        DynArrayFailHook = [this](size_t bytes) {
            Asked.push_back(bytes);
            return true;
        };
    }
    std::vector<size_t> Asked;
};

// --- Buffer and capacity policy -------------------------------------------------------------------------

TEST_F(ByteStoreTest, NewBufferHasMinimumCapacityAndNoBytes) {
    ASSERT_TRUE(TestDoc().Store.AllocateBuffer());
    EXPECT_NE(StoreInside::FileBuffer(), nullptr);
    EXPECT_EQ(TestDoc().Store.Capacity(), 524288);
    EXPECT_EQ(TestDoc().Store.FileSize(), 0);
    EXPECT_TRUE(BusyShown(Texts::AllocatingMemory));
    EXPECT_TRUE(TestDoc().Store.FreeBuffer());
    EXPECT_EQ(StoreInside::FileBuffer(), nullptr);
    EXPECT_TRUE(BusyShown(Texts::ReleasingMemory));
    EXPECT_TRUE(Host.Messages.empty());
}

TEST_F(ByteStoreTest, FailedStartAllocationIsReported) {
    DynArrayFailHook = [](size_t) { return true; };
    EXPECT_FALSE(TestDoc().Store.AllocateBuffer());
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Error allocating memory.\nProgram terminated."});
}

TEST_F(ByteStoreTest, CapacityForRoundsUpToTheNextWholeStepAboveTheSize) {
    struct {
        TCount size, capacity;
    } cases[] = {
        {0, 524288},
        {1, 524288},
        {300000, 524288},
        {524287, 524288},
        {524288, 655360},
        {600000, 655360},
        {655359, 655360},
        {655360, 786432},
        {MiB, MiB + 131072},
        {100 * MiB + 5, 100 * MiB + 131072},
        {INT32_MAX - 131072, INT32_MAX - 131071},
        {INT32_MAX, TCount{INT32_MAX} + 1},
        {TCount{1} << 32, (TCount{1} << 32) + 131072},
        {(TCount{1} << 32) + 4096, (TCount{1} << 32) + 131072},
        {MaxFileSize - 1, MaxFileSize + 1},
        {MaxFileSize, MaxFileSize + 1}, // the largest capacity that still fits
    };
    for (auto c : cases)
        EXPECT_EQ(CapacityFor(c.size), c.capacity) << c.size;
}

// The largest file may stop short of what one allocation holds by less than one step, so that its
// capacity still fits; every size below it, past the old 32-bit wall too, fits.
TEST_F(ByteStoreTest, SizeFitsStopsOnlyWhereAnAllocationEnds) {
    EXPECT_TRUE(SizeFits(0));
    EXPECT_FALSE(SizeFits(-1));
    EXPECT_TRUE(SizeFits(TCount{INT32_MAX} + 1));
    EXPECT_TRUE(SizeFits(TCount{1} << 32));
    EXPECT_TRUE(SizeFits(MaxFileSize));
    EXPECT_GT(MaxFileSize, MaxAllocBytes - GrowStep - 1);
    EXPECT_FALSE(SizeFits(MaxFileSize + 1));
    EXPECT_FALSE(SizeFits(INT64_MAX));
}

// Growth and loading share one limit: whatever size a growth reaches, a load of that size is accepted.
// The buffer is not touched for these sizes, so only the bookkeeping is set up.
TEST_F(ByteStoreTest, GrowthNeverPassesTheSizeALoadAccepts) {
    const TCount ceiling = CapacityFor(MaxFileSize);
    for (TCount size : {MaxFileSize - 2, MaxFileSize - 1, MaxFileSize}) {
        for (TCount delta : {TCount{1}, TCount{2}, TCount{3}, MaxFileSize, INT64_MAX}) {
            StoreInside::Size() = size;
            StoreInside::Room() = ceiling;
            const bool grown = TestDoc().Store.EnsureRoom(delta);
            EXPECT_EQ(grown, delta <= MaxFileSize - size) << size << " + " << delta;
        }
    }
    StoreInside::Size() = 0;
    StoreInside::Room() = 0;
}

TEST_F(ByteStoreTest, EnsureRoomWithExactlyEnoughFreeChangesNothing) {
    BufferOf(524288, 524288 - 100);
    uint8_t* before = StoreInside::FileBuffer();
    EXPECT_TRUE(TestDoc().Store.EnsureRoom(100));
    EXPECT_EQ(TestDoc().Store.Capacity(), 524288);
    EXPECT_EQ(StoreInside::FileBuffer(), before);
    EXPECT_TRUE(TestDoc().Store.EnsureRoom(0));
    EXPECT_EQ(TestDoc().Store.Capacity(), 524288);
    EXPECT_FALSE(BusyShown(Texts::AllocatingMemory));
}

TEST_F(ByteStoreTest, EnsureRoomOneMoreGrowsToTheNextStepAboveTheNewSize) {
    BufferOf(524288, 524288 - 100);
    EXPECT_TRUE(TestDoc().Store.EnsureRoom(101));
    EXPECT_EQ(TestDoc().Store.Capacity(), 655360);
    EXPECT_EQ(StoreInside::Array()->ByteSize, 655360);
    EXPECT_EQ(TestDoc().Store.FileSize(), 524288 - 100); // the caller changes the size
    EXPECT_EQ(Bytes(), PatternBytes(524288 - 100));
    EXPECT_TRUE(BusyShown(Texts::AllocatingMemory));
}

TEST_F(ByteStoreTest, ShrinkReallocatesToTheStepAboveTheNewSize) {
    BufferOf(2 * MiB, MiB);
    EXPECT_TRUE(TestDoc().Store.EnsureRoom(-1));
    EXPECT_EQ(TestDoc().Store.Capacity(), MiB);
    EXPECT_TRUE(BusyShown(Texts::ReleasingMemory));
    EXPECT_EQ(Bytes(), PatternBytes(MiB));
}

TEST_F(ByteStoreTest, ShrinkNeverGoesBelowTheMinimum) {
    BufferOf(655360, 200000);
    EXPECT_TRUE(TestDoc().Store.EnsureRoom(-100000));
    EXPECT_EQ(TestDoc().Store.Capacity(), 524288);

    Host.ForgetRecords();
    BufferOf(524288, 1000);
    EXPECT_TRUE(TestDoc().Store.EnsureRoom(-1000));
    EXPECT_EQ(TestDoc().Store.Capacity(), 524288);
    EXPECT_FALSE(BusyShown(Texts::ReleasingMemory));
}

// Removing more bytes than the file holds is refused before anything changes, whatever the capacity.
TEST_F(ByteStoreTest, ShrinkByMoreThanTheFileIsRefused) {
    for (int32_t capacity : {2 * MiB, 524288}) {
        BufferOf(capacity, 1000);
        uint8_t* before = StoreInside::FileBuffer();
        EXPECT_FALSE(TestDoc().Store.EnsureRoom(-1001)) << capacity;
        EXPECT_FALSE(TestDoc().Store.EnsureRoom(INT32_MIN)) << capacity;
        EXPECT_EQ(TestDoc().Store.Capacity(), capacity);
        EXPECT_EQ(StoreInside::FileBuffer(), before);
        EXPECT_FALSE(BusyShown(Texts::ReleasingMemory));
    }
    EXPECT_TRUE(TestDoc().Store.EnsureRoom(-1000)); // the whole file may go
}

TEST_F(ByteStoreTest, FailedGrowthLeavesEverythingAsItWas) {
    BufferOf(524288, 524288 - 10);
    uint8_t* before = StoreInside::FileBuffer();
    FailAllAllocations();
    EXPECT_FALSE(TestDoc().Store.EnsureRoom(11));
    EXPECT_FALSE(TestDoc().Store.OpenGap(5, 11));
    EXPECT_EQ(StoreInside::FileBuffer(), before);
    EXPECT_EQ(TestDoc().Store.Capacity(), 524288);
    EXPECT_EQ(TestDoc().Store.FileSize(), 524288 - 10);
    EXPECT_EQ(Bytes(), PatternBytes(524288 - 10));
    EXPECT_FALSE(Asked.empty());
}

TEST_F(ByteStoreTest, FailedShrinkKeepsTheLargerBlockButTheSizeChanges) {
    BufferOf(2 * MiB, MiB);
    FailAllAllocations();
    EXPECT_FALSE(TestDoc().Store.EnsureRoom(-1));
    EXPECT_EQ(TestDoc().Store.Capacity(), 2 * MiB);

    auto expected = PatternBytes(MiB);
    expected.erase(expected.begin() + 9, expected.begin() + 9 + 200000);
    EXPECT_FALSE(CloseGap(TestDoc(), 10, 200000)); // only the shrink failed
    EXPECT_EQ(TestDoc().Store.Capacity(), 2 * MiB);
    EXPECT_EQ(Bytes(), expected);
}

// Growth that would take the file past 2^31 - 1 bytes is refused before any allocation (never wrapped).
TEST_F(ByteStoreTest, GrowthPastTwoGibIsRefused) {
    BufferOf(524288, 1000);
    FailAllAllocations();
    for (int32_t delta : {INT32_MAX - 999, INT32_MAX - 500, INT32_MAX}) {
        EXPECT_FALSE(TestDoc().Store.EnsureRoom(delta)) << delta;
        EXPECT_FALSE(TestDoc().Store.OpenGap(1, delta)) << delta;
        EXPECT_FALSE(TestDoc().Store.OpenGap(1001, delta)) << delta;
    }
    EXPECT_EQ(TestDoc().Store.Capacity(), 524288);
    EXPECT_EQ(TestDoc().Store.FileSize(), 1000);
    EXPECT_EQ(Bytes(), PatternBytes(1000));
    for (size_t bytes : Asked)
        EXPECT_GT(bytes, size_t{INT32_MAX}) << "a wrapped size was asked for";
}

// --- Gaps ------------------------------------------------------------------------------------------------

TEST_F(ByteStoreTest, OpenGapMovesTheTailUp) {
    OpenBytes({1, 2, 3, 4, 5});
    ASSERT_TRUE(TestDoc().Store.OpenGap(3, 2));
    EXPECT_EQ(TestDoc().Store.FileSize(), 7);
    TestDoc().Store.WriteByte(3, 0xA);
    TestDoc().Store.WriteByte(4, 0xB);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{1, 2, 0xA, 0xB, 3, 4, 5}));
    ASSERT_TRUE(TestDoc().Store.OpenGap(8, 1)); // append
    TestDoc().Store.WriteByte(8, 9);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{1, 2, 0xA, 0xB, 3, 4, 5, 9}));
    ASSERT_TRUE(TestDoc().Store.OpenGap(1, 1));
    TestDoc().Store.WriteByte(1, 0);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 1, 2, 0xA, 0xB, 3, 4, 5, 9}));
}

TEST_F(ByteStoreTest, CloseGapPastTheEndIsRefused) {
    OpenBytes(PatternBytes(100));
    uint8_t* before = StoreInside::FileBuffer();
    EXPECT_FALSE(CloseGap(TestDoc(), 95, 7));
    EXPECT_FALSE(CloseGap(TestDoc(), 101, 1));
    EXPECT_FALSE(CloseGap(TestDoc(), 1, 101));
    EXPECT_EQ(TestDoc().Store.FileSize(), 100);
    EXPECT_EQ(StoreInside::FileBuffer(), before);
    EXPECT_EQ(Bytes(), PatternBytes(100));
}

TEST_F(ByteStoreTest, CloseGapOfTheWholeFileClearsIt) {
    OpenBytes(PatternBytes(1000));
    TestDoc().Block.BlockBegin = 10;
    TestDoc().Block.BlockEnd = 20;
    ShowAddress(TestDoc(), 900, true, false);
    ASSERT_TRUE(CloseGap(TestDoc(), 1, 1000));
    EXPECT_EQ(TestDoc().Store.FileSize(), 0);
    EXPECT_EQ(TestDoc().Block.BlockBegin, 0);
    EXPECT_EQ(TestDoc().Block.BlockEnd, 0);
    EXPECT_EQ(TestDoc().View.TopAddress, 1);
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
    EXPECT_TRUE(BusyShown(Texts::DeleteBusy));
}

TEST_F(ByteStoreTest, CloseGapRemovesTheRange) {
    OpenBytes({1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(CloseGap(TestDoc(), 2, 3));
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{1, 5, 6}));
    ASSERT_TRUE(CloseGap(TestDoc(), 3, 1));
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{1, 5}));
    EXPECT_TRUE(BusyShown(Texts::DeleteBusy));
}

// Random gaps against a plain vector; the model also follows the capacity policy. Half the changes fall at
// or next to the store's gap, as typing does, and readers come at random points.
TEST_F(ByteStoreTest, RandomGapsMatchAReferenceModel) {
    TTestRandom random(20240611);
    std::vector<uint8_t> model = PatternBytes(3000);
    OpenBytes(model);
    int64_t capacity = TestDoc().Store.Capacity();
    auto pick = [&](int32_t lo, int32_t hi) { return random.Pick(lo, hi); };
    auto length = [&] {
        switch (pick(0, 7)) {
        case 0:
        case 1:
        case 2:
            return pick(1, 4);
        case 3:
        case 4:
            return pick(1, 300);
        case 5:
        case 6:
            return pick(1, 20000);
        default:
            return pick(100000, 400000);
        }
    };
    // At the gap, just before it or just after it, when there is one.
    auto near = [&](int32_t lo, int32_t hi) {
        if (StoreInside::GapAt() == StoreInside::NoGap || pick(0, 1) == 0) return pick(lo, hi);
        return std::clamp(static_cast<int32_t>(StoreInside::GapAt()) + pick(-1, 1), lo, hi);
    };
    for (int step = 0; step < 4000; ++step) {
        auto size = static_cast<int32_t>(model.size());
        int op = pick(0, 10);
        EngineSetup::ScribbleOverGap();
        if (op == 10 && size > 0) {
            // Short runs that often end on the gap or cross it.
            const int32_t address = std::max(1, near(1, size) - pick(0, 3));
            const int32_t n = std::min(pick(1, 8), size - address + 1);
            const auto run = TestDoc().Store.StoreRun(address, n);
            ASSERT_TRUE(std::equal(run.begin(), run.end(), model.begin() + (address - 1))) << "step " << step;
            if (pick(0, 3) == 0) {
                ASSERT_EQ(std::memcmp(TestDoc().Store.ContiguousBytes(), model.data(), model.size()), 0)
                    << "step " << step;
            }
        } else if (op < 5 && size < 2 * MiB) {
            int32_t n = length();
            int32_t address = near(1, size + 1);
            if (n > capacity - size) capacity = (int64_t{size} + n) / GrowStep * GrowStep + GrowStep;
            ASSERT_TRUE(TestDoc().Store.OpenGap(address, n)) << "step " << step;
            uint8_t value = static_cast<uint8_t>(step);
            for (int32_t i = 0; i < n; ++i)
                TestDoc().Store.WriteByte(address + i, value);
            model.insert(model.begin() + (address - 1), n, value);
        } else if (op < 9 && size > 0) {
            int32_t n = std::min(length(), size);
            int32_t address = near(1, size - n + 1);
            if (n == size) {
                // ClearFile keeps the capacity
            } else if (capacity > MinCapacity) {
                capacity =
                    std::max<int64_t>(MinCapacity, (int64_t{size} - n) / GrowStep * GrowStep + GrowStep);
            }
            ASSERT_TRUE(CloseGap(TestDoc(), address, n)) << "step " << step;
            model.erase(model.begin() + (address - 1), model.begin() + (address - 1 + n));
        } else if (size > 0) {
            int32_t address = pick(1, size);
            ASSERT_FALSE(CloseGap(TestDoc(), address, size - address + 2)) << "step " << step;
        }
        ASSERT_EQ(TestDoc().Store.FileSize(), static_cast<int32_t>(model.size())) << "step " << step;
        ASSERT_EQ(TestDoc().Store.Capacity(), capacity) << "step " << step;
        ASSERT_EQ(StoreInside::Array()->ByteSize, TestDoc().Store.Capacity()) << "step " << step;
        ASSERT_TRUE(StoreInside::GapAt() == StoreInside::NoGap ||
                    (StoreInside::GapLength() > 0 &&
                     StoreInside::GapLength() <= TestDoc().Store.Capacity() - TestDoc().Store.FileSize()))
            << "step " << step;
        ASSERT_TRUE(Bytes() == model)
            << "step " << step;
    }
}

// Many pieces replaced in one pass (the batch, and Replace all's sweep for pieces that do not grow), against
// the same replacements made in a vector; a typed byte first leaves the gap anywhere.
TEST_F(ByteStoreTest, PiecesReplacedInOnePassMatchAReferenceModel) {
    TTestRandom random(20261208);
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> file = random.Bytes(random.Pick(0, 3000));
        OpenBytes(file);
        const int32_t typed = random.Pick(1, static_cast<int32_t>(file.size()) + 1);
        ASSERT_TRUE(TestDoc().Store.OpenGap(typed, 1));
        TestDoc().Store.WriteByte(typed, 0x5A);
        file.insert(file.begin() + (typed - 1), 0x5A);
        const auto size = static_cast<int32_t>(file.size());
        const int32_t o = random.Pick(0, 5), n = random.Pick(0, 5);
        std::vector<TAddress> at;
        for (int32_t a = random.Pick(1, 60); a + o - 1 <= size; a += std::max(o, 1) + random.Pick(0, 60))
            at.push_back(a);
        const auto k = static_cast<int64_t>(at.size());
        const std::vector<uint8_t> news = random.Bytes(k * n);
        std::vector<uint8_t> model;
        std::vector<TAddress> to; // where each replacement lands
        TAddress from = 1;
        for (int64_t i = 0; i < k; ++i) {
            model.insert(model.end(), file.begin() + (from - 1), file.begin() + (at[size_t(i)] - 1));
            to.push_back(static_cast<TAddress>(model.size()) + 1);
            model.insert(model.end(), news.begin() + i * n, news.begin() + (i + 1) * n);
            from = at[size_t(i)] + o;
        }
        model.insert(model.end(), file.begin() + (from - 1), file.end());
        int64_t seen = 0;
        auto check = [&](int64_t i, const uint8_t* old, TAddress where) {
            ++seen;
            EXPECT_EQ(where, to[size_t(i)]) << "round " << round;
            EXPECT_TRUE(std::equal(old, old + o, file.begin() + (at[size_t(i)] - 1))) << "round " << round;
        };
        if (round % 2 == 1 && n <= o && k > 0) {
            TByteStore::TSweep sweep(TestDoc().Store, random.Pick(1, static_cast<int32_t>(at[0])));
            for (int64_t i = 0; i < k; ++i)
                sweep.Piece(at[size_t(i)], o, std::span(news).subspan(size_t(i * n), size_t(n)),
                            [&](const uint8_t* old, TAddress where) { check(i, old, where); });
            sweep.Finish();
        } else {
            TPieces pieces;
            pieces.Count = k;
            pieces.OldLength = o;
            pieces.NewLength = n;
            pieces.Address = [&](int64_t i) { return at[size_t(i)]; };
            pieces.Bytes = [&](int64_t i) { return news.data() + i * n; };
            pieces.Before = check;
            ASSERT_TRUE(TestDoc().Store.ReplacePieces(pieces));
        }
        EXPECT_EQ(seen, k) << "round " << round;
        ASSERT_EQ(TestDoc().Store.FileSize(), static_cast<TCount>(model.size())) << "round " << round;
        ASSERT_TRUE(Bytes() == model) << "round " << round;
    }
}

} // namespace
