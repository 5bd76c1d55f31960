// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"
#include "common/EngineSetup.h"

#include "engine/document/Blocks.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/text/StringTable.h"

#include <gtest/gtest.h>

using namespace Engine;

namespace {

// The ten commands that need a complete block; Blockunmark1 follows any block, half-marked or not.
const std::vector<TCommand> NeedCompleteBlock = {
    TCommand::Blockdelete1, TCommand::JkBtnDel,       TCommand::JkBtnCut,   TCommand::JkBtnCopy,
    TCommand::Blockcopy1,   TCommand::Blockcopyovwr1, TCommand::Blockmove1, TCommand::Writeblock1,
    TCommand::Cut1,         TCommand::Copy1,
};

class BlocksTest : public TEngineTest {
  protected:
    void SetUp() override {
        TEngineTest::SetUp();
        OpenBytes(PatternBytes(100));
    }
    void MenuMark(int32_t address) {
        PutCursorOn(address);
        Blockmark1Click(TestDoc());
    }
    bool KeyMark(int32_t address, bool forward) {
        PutCursorOn(address);
        return MarkBlock(TestDoc(), true, forward);
    }
    // The commands of the list whose enabled state is not `on`.
    std::vector<TCommand> NotInState(const std::vector<TCommand>& commands, bool on) const {
        std::vector<TCommand> wrong;
        for (TCommand c : commands)
            if (Host.IsEnabled(c) != on) wrong.push_back(c);
        return wrong;
    }
    void SetAll(const std::vector<TCommand>& commands, bool on) {
        for (TCommand c : commands)
            Host.Enabled[c] = on;
    }
};

#define EXPECT_BLOCK(begin, end)                                                                             \
    do {                                                                                                     \
        EXPECT_EQ(TestDoc().Block.BlockBegin, begin);                                                            \
        EXPECT_EQ(TestDoc().Block.BlockEnd, end);                                                                \
    } while (0)

// --- Marking from the menu ---------------------------------------------------------------------------------

TEST_F(BlocksTest, MenuMarksOneEndThenTheOtherThenStartsAgain) {
    MenuMark(10);
    EXPECT_BLOCK(10, 0);
    MenuMark(4);
    EXPECT_BLOCK(4, 10); // the smaller address begins the block
    MenuMark(7);
    EXPECT_BLOCK(7, 0);
    MenuMark(9);
    EXPECT_BLOCK(7, 9);
    MenuMark(30);
    MenuMark(30);
    EXPECT_BLOCK(30, 30); // a one-byte block is complete
    EXPECT_TRUE(BlockComplete(TestDoc()));
}

TEST_F(BlocksTest, MenuMarkNeedsAnOpenFileWithBytes) {
    TestDoc().FileOpen = false;
    MenuMark(5);
    EXPECT_BLOCK(0, 0);
    TestDoc().FileOpen = true;
    EngineSetup::SetStoreSize(0);
    MenuMark(1);
    EXPECT_BLOCK(0, 0);
    EXPECT_FALSE(Host.IsEnabled(TCommand::Blockunmark1));
}

TEST_F(BlocksTest, EnablingFollowsTheBlockState) {
    SetAll(NeedCompleteBlock, true);
    MenuMark(10);
    EXPECT_TRUE(Host.IsEnabled(TCommand::Blockunmark1));
    EXPECT_EQ(NotInState(NeedCompleteBlock, false), std::vector<TCommand>{});

    MenuMark(20);
    EXPECT_TRUE(Host.IsEnabled(TCommand::Blockunmark1));
    EXPECT_EQ(NotInState(NeedCompleteBlock, true), std::vector<TCommand>{});
    EXPECT_GT(Host.Repaints, 0);

    MenuMark(15); // a new half-marked block
    EXPECT_TRUE(Host.IsEnabled(TCommand::Blockunmark1));
    EXPECT_EQ(NotInState(NeedCompleteBlock, false), std::vector<TCommand>{});
}

TEST_F(BlocksTest, UnmarkDisablesNineCommandsAndLeavesCutAndCopy) {
    KeyMark(10, false);
    KeyMark(8, false);
    KeyMark(9, true); // the begin end is now the moving one
    ASSERT_EQ(TestDoc().Block.MarkAnchor, -1);
    EXPECT_TRUE(BlockComplete(TestDoc()));
    Host.ForgetRecords();

    Blockunmark1Click(TestDoc());
    EXPECT_BLOCK(0, 0);
    std::vector<TCommand> nine(NeedCompleteBlock.begin(), NeedCompleteBlock.end() - 2);
    nine.push_back(TCommand::Blockunmark1);
    EXPECT_EQ(NotInState(nine, false), std::vector<TCommand>{});
    EXPECT_TRUE(Host.IsEnabled(TCommand::Cut1));
    EXPECT_TRUE(Host.IsEnabled(TCommand::Copy1));
    EXPECT_GT(Host.Repaints, 0);
    EXPECT_EQ(TestDoc().Block.MarkAnchor, -1); // only marking resets it
    EXPECT_TRUE(Host.Messages.empty());
}

// --- Extending with Shift and a movement key ---------------------------------------------------------------

TEST_F(BlocksTest, ShiftMovesTheEndThatFollowsTheCursor) {
    struct TStep {
        int32_t address;
        bool forward;
        int32_t begin, end;
        int8_t anchor;
    };
    const std::vector<std::vector<TStep>> runs = {
        // Right from 5, then back left past the starting byte.
        {{5, true, 5, 5, 0},
         {6, true, 5, 6, 0},
         {7, true, 5, 7, 0},
         {6, false, 5, 6, +1},
         {5, false, 5, 5, 0},
         {4, false, 4, 5, 0},
         {3, false, 3, 5, 0}},
        // Left from 10, then back right past the starting byte.
        {{10, false, 10, 10, 0},
         {9, false, 9, 10, 0},
         {8, false, 8, 10, 0},
         {9, true, 9, 10, -1},
         {10, true, 10, 10, 0},
         {11, true, 10, 11, 0},
         {30, true, 10, 30, 0}},
    };
    for (size_t r = 0; r < runs.size(); ++r) {
        Blockunmark1Click(TestDoc());
        for (size_t i = 0; i < runs[r].size(); ++i) {
            const TStep& s = runs[r][i];
            SCOPED_TRACE(testing::Message() << "run " << r << " step " << i);
            EXPECT_TRUE(KeyMark(s.address, s.forward));
            EXPECT_BLOCK(s.begin, s.end);
            EXPECT_EQ(TestDoc().Block.MarkAnchor, s.anchor);
        }
    }
    EXPECT_EQ(NotInState(NeedCompleteBlock, true), std::vector<TCommand>{});
}

// A block half-marked from the menu has only its begin; Shift extends it from that byte.
TEST_F(BlocksTest, ShiftCompletesAHalfMarkedBlockFromItsMark) {
    MenuMark(10);
    EXPECT_TRUE(KeyMark(5, false));
    EXPECT_BLOCK(5, 10);
    EXPECT_TRUE(KeyMark(4, false));
    EXPECT_BLOCK(4, 10);
    EXPECT_EQ(NotInState(NeedCompleteBlock, true), std::vector<TCommand>{});

    Blockunmark1Click(TestDoc());
    MenuMark(10);
    EXPECT_TRUE(KeyMark(15, true));
    EXPECT_BLOCK(10, 15);
}

TEST_F(BlocksTest, ShiftExtendsACompleteBlockInsteadOfStartingANewOne) {
    MarkFromTo(4, 10);
    EXPECT_TRUE(KeyMark(12, true));
    EXPECT_BLOCK(4, 12);
    EXPECT_TRUE(KeyMark(2, false));
    EXPECT_BLOCK(2, 12);
}

// --- Dropping a block that an edit has moved ---------------------------------------------------------------

TEST_F(BlocksTest, BlockIsDroppedWhenTheChangeReachesItsEnd) {
    struct {
        int32_t address;
        bool dropped;
    } cases[] = {{1, true}, {4, true}, {10, true}, {11, false}, {100, false}};
    for (auto c : cases) {
        SCOPED_TRACE(c.address);
        MarkFromTo(4, 10);
        Host.ForgetRecords();
        DropBlockIfAffected(TestDoc(), c.address);
        if (c.dropped) {
            EXPECT_BLOCK(0, 0);
            EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"Block no longer valid"});
            EXPECT_FALSE(Host.IsEnabled(TCommand::Blockdelete1));
        } else {
            EXPECT_BLOCK(4, 10);
            EXPECT_TRUE(Host.Messages.empty());
        }
        Blockunmark1Click(TestDoc());
    }
    // Only a complete block is dropped.
    MenuMark(10);
    Host.ForgetRecords();
    DropBlockIfAffected(TestDoc(), 1);
    EXPECT_BLOCK(10, 0);
    EXPECT_TRUE(Host.Messages.empty());
}

} // namespace
