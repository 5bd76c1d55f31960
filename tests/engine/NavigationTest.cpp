// Go to, jumps, the remembered address and Block <n>, on a 16 x 10 page.
#include "FakeHost.h"

#include "engine/ByteStore.h"
#include "engine/EngineState.h"
#include "engine/Navigation.h"

#include <initializer_list>

using namespace Engine;

namespace {

constexpr int32_t Size = 200;

struct TGotoCase {
    const char* What;
    int32_t Base, Cursor;
    TGoMode Mode;
    int64_t N;
    int32_t Want; // 0: "Adress invalid"
};

const TGotoCase GotoCases[] = {
    {"base 0: entry 0 is the first byte", 0, 50, TGoMode::Absolute, 0, 1},
    {"base 1: entry 0 lies before the file", 1, 50, TGoMode::Absolute, 0, 0},
    {"base 1: entry 1 is the first byte", 1, 50, TGoMode::Absolute, 1, 1},
    {"base 0: the last byte", 0, 50, TGoMode::Absolute, Size - 1, Size},
    {"base 0: one past the last byte", 0, 50, TGoMode::Absolute, Size, 0},
    {"base 1: the last byte", 1, 50, TGoMode::Absolute, Size, Size},
    {"base 1: one past the last byte", 1, 50, TGoMode::Absolute, Size + 1, 0},
    {"hex $10 is the 17th byte", 0, 50, TGoMode::Absolute, 0x10, 17},
    {"a negative entry", 0, 50, TGoMode::Absolute, -1, 0},
    {"down by 0 stays", 1, 150, TGoMode::RelativeDown, 0, 150},
    {"down onto the last byte", 0, 150, TGoMode::RelativeDown, 50, Size},
    {"down one past the last byte", 0, 150, TGoMode::RelativeDown, 51, 0},
    {"up onto the first byte", 1, 150, TGoMode::RelativeUp, 149, 1},
    {"up one before the first byte", 0, 150, TGoMode::RelativeUp, 150, 0},
    {"up by a negative entry cannot go down", 0, 150, TGoMode::RelativeUp, -60, 0},
};

class NavigationTest : public TEngineTest {
  protected:
    void OpenSample(int32_t size = Size) { OpenBytes(PatternBytes(size_t(size))); }
    // A file as large as the program allows, without its bytes: only addresses are worked out.
    void PretendLargestFile(int32_t cursor) {
        OpenSample();
        FileSize = MaxFileSize;
        PutCursorOn(cursor);
    }
};

} // namespace

TEST_F(NavigationTest, GotoTargetsByModeAndBase) {
    OpenSample();
    for (const TGotoCase& c : GotoCases) {
        AddressBase = c.Base;
        PutCursorOn(c.Cursor);
        EXPECT_EQ(GotoTarget(c.Mode, c.N), c.Want) << c.What;
    }
}

TEST_F(NavigationTest, SumsNearTheTopOfTheLargestFileDoNotWrap) {
    const int32_t cursor = MaxFileSize - 10;
    PretendLargestFile(cursor);
    EXPECT_EQ(GotoTarget(TGoMode::RelativeDown, 10), MaxFileSize);
    EXPECT_EQ(GotoTarget(TGoMode::RelativeDown, INT32_MAX - 100), 0);
    EXPECT_EQ(GotoTarget(TGoMode::RelativeDown, INT32_MAX), 0);
    EXPECT_EQ(GotoTarget(TGoMode::RelativeUp, -static_cast<int64_t>(INT32_MAX)), 0);
    AddressBase = 0;
    EXPECT_EQ(GotoTarget(TGoMode::Absolute, INT32_MAX), 0);

    // A width the file admits, from a cursor where the 32-bit sum would wrap negative.
    JumpWidthDone(MaxFileSize - 20);
    Jumpdown1Click();
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Adress invalid"});
    EXPECT_EQ(CurrentAddress(), cursor);
    Jumpup1Click();
    EXPECT_EQ(CurrentAddress(), 10);
}

TEST_F(NavigationTest, JumpWidthAndBlockSizeLimits) {
    OpenSample();
    for (auto [n, valid] : {std::pair<int64_t, bool>{0, false},
                            {-5, false},
                            {1, true},
                            {Size - 1, true},
                            {Size, false},
                            {INT64_C(1) << 40, false}})
        EXPECT_EQ(JumpWidthValid(n), valid) << n;

    PutCursorOn(1);
    EXPECT_TRUE(BlockSizeValid(Size - 1));
    EXPECT_FALSE(BlockSizeValid(Size));
    EXPECT_FALSE(BlockSizeValid(0));
    PutCursorOn(3);
    EXPECT_FALSE(BlockSizeValid(Size - 1));
    EXPECT_TRUE(BlockSizeValid(Size - 2));
    PutCursorOn(Size);
    EXPECT_TRUE(BlockSizeValid(1));
    EXPECT_FALSE(BlockSizeValid(2));

    OpenSample(1); // one byte admits neither a width nor a block
    EXPECT_FALSE(JumpWidthValid(1));
    EXPECT_FALSE(BlockSizeValid(1));
}

TEST_F(NavigationTest, JumpsStayInsideTheFileAndFollowTheWidthDialog) {
    OpenSample();
    PutCursorOn(100);
    JumpWidthDone(60);
    EXPECT_TRUE(Host.IsEnabled(TCommand::Jumpdown1) && Host.IsEnabled(TCommand::Jumpup1));
    Jumpdown1Click();
    EXPECT_EQ(CurrentAddress(), 160);
    Jumpdown1Click(); // 220 lies past the end
    EXPECT_EQ(CurrentAddress(), 160);
    Jumpup1Click();
    Jumpup1Click();
    EXPECT_EQ(CurrentAddress(), 40);
    Jumpup1Click(); // -20
    EXPECT_EQ(CurrentAddress(), 40);
    EXPECT_EQ(Host.ErrorTexts(), (std::vector<std::string>{"Adress invalid", "Adress invalid"}));

    // Cancelling the dialog disables both jumps even with a width set; the width stays.
    JumpWidthDone(std::nullopt);
    EXPECT_FALSE(Host.IsEnabled(TCommand::Jumpdown1) || Host.IsEnabled(TCommand::Jumpup1));
    EXPECT_EQ(JumpWidth, 60);
}

TEST_F(NavigationTest, RememberReturnAndDifference) {
    OpenSample();
    EXPECT_FALSE(Host.IsEnabled(TCommand::Gotoremembered1) || Host.IsEnabled(TCommand::Displaydifference1));
    PutCursorOn(100);
    Rememberadress1Click();
    EXPECT_TRUE(Host.IsEnabled(TCommand::Gotoremembered1) && Host.IsEnabled(TCommand::Displaydifference1));
    PutCursorOn(40);
    AddressBase = 0;
    Displaydifference1Click();
    EXPECT_EQ(Host.InfoTexts(),
              std::vector<std::string>{"Remembered adress dec: 99\nDifference dec: -60\r"
                                       "Remembered adress hex: 63\nDifference hex: FFFFFFC4"});
    AddressBase = 1;
    PutCursorOn(190);
    EXPECT_EQ(DifferenceText(), "Remembered adress dec: 100\nDifference dec: 90\r"
                                "Remembered adress hex: 64\nDifference hex: 5A");

    Gotoremembered1Click();
    EXPECT_EQ(CurrentAddress(), 100);
    EXPECT_TRUE(Host.ErrorTexts().empty());
    FileSize = 99; // the file shrank below the remembered address
    PutCursorOn(5);
    Gotoremembered1Click();
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Adress invalid"});
    EXPECT_EQ(CurrentAddress(), 5);
}

TEST_F(NavigationTest, DifferenceShowsThousandsSeparators) {
    OpenSample(5000);
    PutCursorOn(1235);
    Rememberadress1Click();
    PutCursorOn(1);
    AddressBase = 1;
    EXPECT_EQ(DifferenceText(), "Remembered adress dec: 1,235\nDifference dec: -1,234\r"
                                "Remembered adress hex: 4D3\nDifference hex: FFFFFB2E");
}

TEST_F(NavigationTest, BlockOfNMarksFromTheCursorAndEnablesTheBlockCommands) {
    OpenSample();
    PutCursorOn(30);
    const int repaints = Host.Repaints;
    MarkBlockOfSize(20);
    EXPECT_EQ(BlockBegin, 30);
    EXPECT_EQ(BlockEnd, 49);
    EXPECT_EQ(CurrentAddress(), 30);
    EXPECT_GT(Host.Repaints, repaints);
    for (TCommand command :
         {TCommand::Blockunmark1, TCommand::Blockdelete1, TCommand::JkBtnDel, TCommand::JkBtnCut,
          TCommand::JkBtnCopy, TCommand::Blockcopy1, TCommand::Blockcopyovwr1, TCommand::Blockmove1,
          TCommand::Writeblock1, TCommand::Cut1, TCommand::Copy1})
        EXPECT_TRUE(Host.IsEnabled(command)) << CommandInfo(command).Name;
}
