// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/store/DynArray.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class DynArrayTest : public ::testing::Test {
  protected:
    void TearDown() override {
        DynArrayFailHook = nullptr;
        std::free(P);
    }
    uint8_t* P = nullptr;
};

TEST_F(DynArrayTest, AllocSetsCountAndByteSize) {
    TJkDynArray a(4);
    EXPECT_EQ(a.ByteSize, 0);
    EXPECT_EQ(a.Count, 0);
    ASSERT_TRUE(a.Alloc(P, 10));
    ASSERT_NE(P, nullptr);
    EXPECT_EQ(a.Count, 10);
    EXPECT_EQ(a.ByteSize, 40);
    std::memset(P, 0xAB, 40); // the whole block is usable (ASan checks)
}

TEST_F(DynArrayTest, AllocOfNothingOrLessFails) {
    for (int32_t n : {0, -1, -1000}) {
        TJkDynArray a(1);
        P = reinterpret_cast<uint8_t*>(1); // must be replaced by null, not freed
        EXPECT_FALSE(a.Alloc(P, n)) << n;
        EXPECT_EQ(P, nullptr) << n;
        EXPECT_EQ(a.Count, 0) << n;
        EXPECT_EQ(a.ByteSize, 0) << n;
    }
}

TEST_F(DynArrayTest, ReAllocKeepsContentsUpToTheSmallerSize) {
    TJkDynArray a(1);
    ASSERT_TRUE(a.Alloc(P, 100));
    for (int i = 0; i < 100; ++i)
        P[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(a.ReAlloc(P, 1 << 20));
    EXPECT_EQ(a.Count, 1 << 20);
    EXPECT_EQ(a.ByteSize, 1 << 20);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(P[i], i);
    ASSERT_TRUE(a.ReAlloc(P, 50));
    EXPECT_EQ(a.ByteSize, 50);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(P[i], i);
}

TEST_F(DynArrayTest, ReAllocToNegativeChangesNothing) {
    TJkDynArray a(2);
    ASSERT_TRUE(a.Alloc(P, 8));
    uint8_t* before = P;
    EXPECT_FALSE(a.ReAlloc(P, -1));
    EXPECT_EQ(P, before);
    EXPECT_EQ(a.Count, 8);
    EXPECT_EQ(a.ByteSize, 16);
}

TEST_F(DynArrayTest, DeltaAllocAddsToCount) {
    TJkDynArray a(3);
    ASSERT_TRUE(a.Alloc(P, 10));
    ASSERT_TRUE(a.DeltaAlloc(P, 5));
    EXPECT_EQ(a.Count, 15);
    EXPECT_EQ(a.ByteSize, 45);
    ASSERT_TRUE(a.DeltaAlloc(P, -12));
    EXPECT_EQ(a.Count, 3);
    EXPECT_EQ(a.ByteSize, 9);
    EXPECT_FALSE(a.DeltaAlloc(P, -4)); // would be negative
    EXPECT_EQ(a.Count, 3);
}

TEST_F(DynArrayTest, DeAllocFreesButKeepsCount) {
    TJkDynArray a(1);
    ASSERT_TRUE(a.Alloc(P, 64));
    EXPECT_TRUE(a.DeAlloc(P));
    EXPECT_EQ(P, nullptr);
    EXPECT_EQ(a.ByteSize, 0);
    EXPECT_EQ(a.Count, 64);
}

TEST_F(DynArrayTest, FailHookMakesAllocationsFailWithoutChange) {
    TJkDynArray a(1);
    ASSERT_TRUE(a.Alloc(P, 16));
    std::memcpy(P, "0123456789ABCDEF", 16);
    uint8_t* before = P;
    size_t asked = 0;
    DynArrayFailHook = [&](size_t bytes) {
        asked = bytes;
        return bytes > 1000;
    };
    EXPECT_FALSE(a.ReAlloc(P, 5000));
    EXPECT_EQ(asked, 5000u);
    EXPECT_EQ(P, before);
    EXPECT_EQ(a.Count, 16);
    EXPECT_EQ(a.ByteSize, 16);
    EXPECT_EQ(std::memcmp(P, "0123456789ABCDEF", 16), 0);
    EXPECT_TRUE(a.ReAlloc(P, 500)); // below the hook's limit
    EXPECT_EQ(a.ByteSize, 500);

    TJkDynArray b(1);
    uint8_t* q = nullptr;
    EXPECT_FALSE(b.Alloc(q, 2000));
    EXPECT_EQ(q, nullptr);
    EXPECT_EQ(b.ByteSize, 0);
}

TEST_F(DynArrayTest, ByteSizeOverflowIsRefusedNotWrapped) {
    // Counts whose byte size passes what one block can hold, or wraps the 64-bit product, are refused
    // before any allocation is asked for.
    TJkDynArray a(4);
    ASSERT_TRUE(a.Alloc(P, 4));
    size_t asked = 0;
    DynArrayFailHook = [&](size_t bytes) {
        asked = bytes;
        return false;
    };
    for (TCount n : {MaxAllocBytes / 4 + 1, MaxAllocBytes, INT64_MAX / 2 + 1, INT64_MAX}) {
        EXPECT_FALSE(a.ReAlloc(P, n)) << n;
        EXPECT_EQ(a.ByteSize, 16) << n;
        EXPECT_EQ(a.Count, 4) << n;
    }
    EXPECT_FALSE(a.DeltaAlloc(P, INT64_MAX));
    EXPECT_EQ(a.Count, 4);
    EXPECT_EQ(asked, 0u);
    TJkDynArray b(2);
    uint8_t* q = nullptr;
    EXPECT_FALSE(b.Alloc(q, MaxAllocBytes / 2 + 1));
    EXPECT_EQ(asked, 0u);
    EXPECT_EQ(b.Count, 0);
}

} // namespace
