// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "common/EngineSetup.h"
#include "common/TestRandom.h"
#include "engine/store/PieceStore.h"
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

class ByteStoreTest : public TEngineTest {
  protected:
    bool BusyShown(const std::string& text) const {
        return std::find(Host.BusyTexts.begin(), Host.BusyTexts.end(), text) != Host.BusyTexts.end();
    }
};

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
    EXPECT_FALSE(CloseGap(TestDoc(), 95, 7));
    EXPECT_FALSE(CloseGap(TestDoc(), 101, 1));
    EXPECT_FALSE(CloseGap(TestDoc(), 1, 101));
    EXPECT_EQ(TestDoc().Store.FileSize(), 100);
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

// Many pieces replaced in one pass (Replace all, undo of it, its replay), against the same replacements made
// in a vector; a typed byte first cuts the contents anywhere.
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
        TPieces pieces;
        pieces.Count = k;
        pieces.OldLength = o;
        pieces.NewLength = n;
        pieces.Address = [&](int64_t i) { return at[size_t(i)]; };
        pieces.Bytes = [&](int64_t i) { return news.data() + i * n; };
        pieces.Before = check;
        ASSERT_TRUE(TestDoc().Store.ReplacePieces(pieces));
        EXPECT_EQ(seen, k) << "round " << round;
        ASSERT_EQ(TestDoc().Store.FileSize(), static_cast<TCount>(model.size())) << "round " << round;
        ASSERT_TRUE(Bytes() == model) << "round " << round;
    }
}

} // namespace
