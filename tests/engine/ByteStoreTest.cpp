// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"

#include "common/EngineSetup.h"
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
        ASSERT_TRUE(BufferArray->ReAlloc(FileBuffer, capacity));
        Capacity = capacity;
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
    ASSERT_TRUE(AllocateBuffer());
    EXPECT_NE(FileBuffer, nullptr);
    EXPECT_EQ(Capacity, 524288);
    EXPECT_EQ(FileSize, 0);
    EXPECT_TRUE(BusyShown(Texts::AllocatingMemory));
    EXPECT_TRUE(FreeBuffer());
    EXPECT_EQ(FileBuffer, nullptr);
    EXPECT_TRUE(BusyShown(Texts::ReleasingMemory));
    EXPECT_TRUE(Host.Messages.empty());
}

TEST_F(ByteStoreTest, FailedStartAllocationIsReported) {
    DynArrayFailHook = [](size_t) { return true; };
    EXPECT_FALSE(AllocateBuffer());
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
            FileSize = size;
            Capacity = ceiling;
            const bool grown = EnsureRoom(delta);
            EXPECT_EQ(grown, delta <= MaxFileSize - size) << size << " + " << delta;
        }
    }
    FileSize = 0;
    Capacity = 0;
}

TEST_F(ByteStoreTest, EnsureRoomWithExactlyEnoughFreeChangesNothing) {
    BufferOf(524288, 524288 - 100);
    uint8_t* before = FileBuffer;
    EXPECT_TRUE(EnsureRoom(100));
    EXPECT_EQ(Capacity, 524288);
    EXPECT_EQ(FileBuffer, before);
    EXPECT_TRUE(EnsureRoom(0));
    EXPECT_EQ(Capacity, 524288);
    EXPECT_FALSE(BusyShown(Texts::AllocatingMemory));
}

TEST_F(ByteStoreTest, EnsureRoomOneMoreGrowsToTheNextStepAboveTheNewSize) {
    BufferOf(524288, 524288 - 100);
    EXPECT_TRUE(EnsureRoom(101));
    EXPECT_EQ(Capacity, 655360);
    EXPECT_EQ(BufferArray->ByteSize, 655360);
    EXPECT_EQ(FileSize, 524288 - 100); // the caller changes the size
    EXPECT_EQ(Bytes(), PatternBytes(524288 - 100));
    EXPECT_TRUE(BusyShown(Texts::AllocatingMemory));
}

TEST_F(ByteStoreTest, ShrinkReallocatesToTheStepAboveTheNewSize) {
    BufferOf(2 * MiB, MiB);
    EXPECT_TRUE(EnsureRoom(-1));
    EXPECT_EQ(Capacity, MiB);
    EXPECT_TRUE(BusyShown(Texts::ReleasingMemory));
    EXPECT_EQ(Bytes(), PatternBytes(MiB));
}

TEST_F(ByteStoreTest, ShrinkNeverGoesBelowTheMinimum) {
    BufferOf(655360, 200000);
    EXPECT_TRUE(EnsureRoom(-100000));
    EXPECT_EQ(Capacity, 524288);

    Host.ForgetRecords();
    BufferOf(524288, 1000);
    EXPECT_TRUE(EnsureRoom(-1000));
    EXPECT_EQ(Capacity, 524288);
    EXPECT_FALSE(BusyShown(Texts::ReleasingMemory));
}

// Removing more bytes than the file holds is refused before anything changes, whatever the capacity.
TEST_F(ByteStoreTest, ShrinkByMoreThanTheFileIsRefused) {
    for (int32_t capacity : {2 * MiB, 524288}) {
        BufferOf(capacity, 1000);
        uint8_t* before = FileBuffer;
        EXPECT_FALSE(EnsureRoom(-1001)) << capacity;
        EXPECT_FALSE(EnsureRoom(INT32_MIN)) << capacity;
        EXPECT_EQ(Capacity, capacity);
        EXPECT_EQ(FileBuffer, before);
        EXPECT_FALSE(BusyShown(Texts::ReleasingMemory));
    }
    EXPECT_TRUE(EnsureRoom(-1000)); // the whole file may go
}

TEST_F(ByteStoreTest, FailedGrowthLeavesEverythingAsItWas) {
    BufferOf(524288, 524288 - 10);
    uint8_t* before = FileBuffer;
    FailAllAllocations();
    EXPECT_FALSE(EnsureRoom(11));
    EXPECT_FALSE(OpenGap(5, 11));
    EXPECT_EQ(FileBuffer, before);
    EXPECT_EQ(Capacity, 524288);
    EXPECT_EQ(FileSize, 524288 - 10);
    EXPECT_EQ(Bytes(), PatternBytes(524288 - 10));
    EXPECT_FALSE(Asked.empty());
}

TEST_F(ByteStoreTest, FailedShrinkKeepsTheLargerBlockButTheSizeChanges) {
    BufferOf(2 * MiB, MiB);
    FailAllAllocations();
    EXPECT_FALSE(EnsureRoom(-1));
    EXPECT_EQ(Capacity, 2 * MiB);

    auto expected = PatternBytes(MiB);
    expected.erase(expected.begin() + 9, expected.begin() + 9 + 200000);
    EXPECT_FALSE(CloseGap(10, 200000)); // only the shrink failed
    EXPECT_EQ(Capacity, 2 * MiB);
    EXPECT_EQ(Bytes(), expected);
}

// Growth that would take the file past 2^31 - 1 bytes is refused before any allocation (never wrapped).
TEST_F(ByteStoreTest, GrowthPastTwoGibIsRefused) {
    BufferOf(524288, 1000);
    FailAllAllocations();
    for (int32_t delta : {INT32_MAX - 999, INT32_MAX - 500, INT32_MAX}) {
        EXPECT_FALSE(EnsureRoom(delta)) << delta;
        EXPECT_FALSE(OpenGap(1, delta)) << delta;
        EXPECT_FALSE(OpenGap(1001, delta)) << delta;
    }
    EXPECT_EQ(Capacity, 524288);
    EXPECT_EQ(FileSize, 1000);
    EXPECT_EQ(Bytes(), PatternBytes(1000));
    for (size_t bytes : Asked)
        EXPECT_GT(bytes, size_t{INT32_MAX}) << "a wrapped size was asked for";
}

// --- Gaps ------------------------------------------------------------------------------------------------

TEST_F(ByteStoreTest, OpenGapMovesTheTailUp) {
    OpenBytes({1, 2, 3, 4, 5});
    ASSERT_TRUE(OpenGap(3, 2));
    EXPECT_EQ(FileSize, 7);
    WriteByte(3, 0xA);
    WriteByte(4, 0xB);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{1, 2, 0xA, 0xB, 3, 4, 5}));
    ASSERT_TRUE(OpenGap(8, 1)); // append
    WriteByte(8, 9);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{1, 2, 0xA, 0xB, 3, 4, 5, 9}));
    ASSERT_TRUE(OpenGap(1, 1));
    WriteByte(1, 0);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 1, 2, 0xA, 0xB, 3, 4, 5, 9}));
}

TEST_F(ByteStoreTest, CloseGapPastTheEndIsRefused) {
    OpenBytes(PatternBytes(100));
    uint8_t* before = FileBuffer;
    EXPECT_FALSE(CloseGap(95, 7));
    EXPECT_FALSE(CloseGap(101, 1));
    EXPECT_FALSE(CloseGap(1, 101));
    EXPECT_EQ(FileSize, 100);
    EXPECT_EQ(FileBuffer, before);
    EXPECT_EQ(Bytes(), PatternBytes(100));
}

TEST_F(ByteStoreTest, CloseGapOfTheWholeFileClearsIt) {
    OpenBytes(PatternBytes(1000));
    BlockBegin = 10;
    BlockEnd = 20;
    ShowAddress(900, true, false);
    ASSERT_TRUE(CloseGap(1, 1000));
    EXPECT_EQ(FileSize, 0);
    EXPECT_EQ(BlockBegin, 0);
    EXPECT_EQ(BlockEnd, 0);
    EXPECT_EQ(TopAddress, 1);
    EXPECT_EQ(CurrentAddress(), 1);
    EXPECT_TRUE(BusyShown(Texts::DeleteBusy));
}

TEST_F(ByteStoreTest, CloseGapRemovesTheRange) {
    OpenBytes({1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(CloseGap(2, 3));
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{1, 5, 6}));
    ASSERT_TRUE(CloseGap(3, 1));
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{1, 5}));
    EXPECT_TRUE(BusyShown(Texts::DeleteBusy));
}

// Random gaps against a plain vector; the model also follows the capacity policy. Half the changes fall at
// or next to the store's gap, as typing does, and readers come at random points.
TEST_F(ByteStoreTest, RandomGapsMatchAReferenceModel) {
    TTestRandom random(20240611);
    std::vector<uint8_t> model = PatternBytes(3000);
    OpenBytes(model);
    int64_t capacity = Capacity;
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
        if (GapAt == NoGap || pick(0, 1) == 0) return pick(lo, hi);
        return std::clamp(static_cast<int32_t>(GapAt) + pick(-1, 1), lo, hi);
    };
    for (int step = 0; step < 4000; ++step) {
        auto size = static_cast<int32_t>(model.size());
        int op = pick(0, 10);
        EngineSetup::ScribbleOverGap();
        if (op == 10 && size > 0) {
            // Short runs that often end on the gap or cross it.
            const int32_t address = std::max(1, near(1, size) - pick(0, 3));
            const int32_t n = std::min(pick(1, 8), size - address + 1);
            const auto run = StoreRun(address, n);
            ASSERT_TRUE(std::equal(run.begin(), run.end(), model.begin() + (address - 1))) << "step " << step;
            if (pick(0, 3) == 0) {
                ASSERT_EQ(std::memcmp(ContiguousBytes(), model.data(), model.size()), 0) << "step " << step;
            }
        } else if (op < 5 && size < 2 * MiB) {
            int32_t n = length();
            int32_t address = near(1, size + 1);
            if (n > capacity - size) capacity = (int64_t{size} + n) / GrowStep * GrowStep + GrowStep;
            ASSERT_TRUE(OpenGap(address, n)) << "step " << step;
            uint8_t value = static_cast<uint8_t>(step);
            for (int32_t i = 0; i < n; ++i)
                WriteByte(address + i, value);
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
            ASSERT_TRUE(CloseGap(address, n)) << "step " << step;
            model.erase(model.begin() + (address - 1), model.begin() + (address - 1 + n));
        } else if (size > 0) {
            int32_t address = pick(1, size);
            ASSERT_FALSE(CloseGap(address, size - address + 2)) << "step " << step;
        }
        ASSERT_EQ(FileSize, static_cast<int32_t>(model.size())) << "step " << step;
        ASSERT_EQ(Capacity, capacity) << "step " << step;
        ASSERT_EQ(BufferArray->ByteSize, Capacity) << "step " << step;
        ASSERT_TRUE(GapAt == NoGap || (GapLength > 0 && GapLength <= Capacity - FileSize)) << "step " << step;
        ASSERT_TRUE(Bytes() == model)
            << "step " << step;
    }
}

} // namespace
