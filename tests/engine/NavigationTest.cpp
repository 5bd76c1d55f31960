// SPDX-License-Identifier: GPL-3.0-or-later
// Go to, jumps, the remembered address and Block <n>, on a 16 x 10 page.
#include "FakeHost.h"
#include "common/TestDocument.h"
#include "common/EngineSetup.h"

#include "engine/document/EngineState.h"
#include "engine/document/Navigation.h"
#include "engine/document/View.h"

#include <initializer_list>
#include <optional>
#include <utility>

using namespace Engine;

namespace {

constexpr int32_t Size = 200;

struct TGotoCase {
    const char* What;
    int32_t Base, Cursor;
    TGoMode Mode;
    int64_t N;
    TAddress Want; // 0: "Adress invalid"
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
    {"the largest entry", 1, 150, TGoMode::Absolute, INT64_MAX, 0},
    {"the smallest entry", 0, 150, TGoMode::Absolute, INT64_MIN, 0},
    {"down by the largest entry", 0, 150, TGoMode::RelativeDown, INT64_MAX, 0},
    {"up by the smallest entry", 0, 150, TGoMode::RelativeUp, INT64_MIN, 0},
    {"up by the largest entry", 0, 150, TGoMode::RelativeUp, INT64_MAX, 0},
};

class NavigationTest : public TEngineTest {
  protected:
    void OpenSample(int32_t size = Size) { OpenBytes(PatternBytes(size_t(size))); }
    // A file as large as the program allows, without its bytes: only addresses are worked out.
    void PretendLargestFile(TAddress cursor) {
        OpenSample();
        EngineSetup::SetStoreSize(MaxFileSize);
        PutCursorOn(cursor);
    }
};

} // namespace

TEST_F(NavigationTest, GotoTargetsByModeAndBase) {
    OpenSample();
    for (const TGotoCase& c : GotoCases) {
        TestApp().AddressBase = c.Base;
        PutCursorOn(c.Cursor);
        EXPECT_EQ(GotoTarget(TestDoc(), c.Mode, c.N), c.Want) << c.What;
    }
}

TEST_F(NavigationTest, SumsNearTheTopOfTheLargestFileDoNotWrap) {
    const TAddress cursor = MaxFileSize - 10;
    PretendLargestFile(cursor);
    EXPECT_EQ(GotoTarget(TestDoc(), TGoMode::RelativeDown, 10), MaxFileSize);
    EXPECT_EQ(GotoTarget(TestDoc(), TGoMode::RelativeDown, 11), 0);
    EXPECT_EQ(GotoTarget(TestDoc(), TGoMode::RelativeDown, INT64_MAX - 100), 0);
    EXPECT_EQ(GotoTarget(TestDoc(), TGoMode::RelativeDown, INT64_MAX), 0);
    EXPECT_EQ(GotoTarget(TestDoc(), TGoMode::RelativeUp, -INT64_MAX), 0);
    EXPECT_EQ(GotoTarget(TestDoc(), TGoMode::RelativeUp, cursor - 1), 1);
    TestApp().AddressBase = 0;
    EXPECT_EQ(GotoTarget(TestDoc(), TGoMode::Absolute, MaxFileSize - 1), MaxFileSize);
    EXPECT_EQ(GotoTarget(TestDoc(), TGoMode::Absolute, MaxFileSize), 0);
    EXPECT_EQ(GotoTarget(TestDoc(), TGoMode::Absolute, INT64_MAX), 0);
    TestApp().AddressBase = 1;
    EXPECT_EQ(GotoTarget(TestDoc(), TGoMode::Absolute, MaxFileSize), MaxFileSize);
    EXPECT_EQ(GotoTarget(TestDoc(), TGoMode::Absolute, INT64_MAX), 0);
    TestApp().AddressBase = 0;

    // A width the file admits, from a cursor where the 64-bit sum would wrap negative.
    JumpWidthDone(TestDoc(), MaxFileSize - 20);
    Jumpdown1Click(TestDoc());
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Adress invalid"});
    EXPECT_EQ(CurrentAddress(TestDoc()), cursor);
    Jumpup1Click(TestDoc());
    EXPECT_EQ(CurrentAddress(TestDoc()), 10);
}

TEST(AddressText, DecimalOrHexAfterDollarOrZeroX) {
    const std::pair<const char*, std::optional<int64_t>> cases[] = {
        {"0", 0},
        {"1234", 1234},
        {"007", 7},
        {"$4D2", 0x4D2},
        {"$4d2", 0x4D2},
        {"0x4D2", 0x4D2},
        {"0X4d2", 0x4D2},
        {"0x0", 0},
        {"9223372036854775807", INT64_MAX},
        {"$7FFFFFFFFFFFFFFF", INT64_MAX},
        {"0x00000000000000000000000000000001", 1},
        {"9223372036854775808", std::nullopt},
        {"$8000000000000000", std::nullopt},
        {"", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"4D2", std::nullopt},
        {"12h", std::nullopt},
        {"-5", std::nullopt},
        {"+5", std::nullopt},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
        {"$-1", std::nullopt},
        {"0x$1", std::nullopt},
        {"$0x1", std::nullopt},
        {"1,000", std::nullopt},
        {"1.5", std::nullopt},
        {"\xD9\xA3", std::nullopt}, // no digits of other scripts
    };
    for (const auto& [text, want] : cases)
        EXPECT_EQ(ReadAddressText(text), want) << '"' << text << '"';
}

// A field in hex mode reads bare digits as hex; a prefix reads hex in either mode. The stray character is
// the one a refusal names.
TEST(AddressText, FieldModeDecidesBareDigitsOnly) {
    struct TCase {
        const char* Text;
        std::optional<int64_t> Decimal, Hex;
        const char* StrayDecimal;
        const char* StrayHex;
    };
    const TCase cases[] = {
        {"7530", 7530, 0x7530, "", ""},
        {"0x7530", 0x7530, 0x7530, "", ""},
        {"$7530", 0x7530, 0x7530, "", ""},
        {"0X1f", 0x1F, 0x1F, "", ""},
        {"1F", std::nullopt, 0x1F, "F", ""},
        {"0B", std::nullopt, 0xB, "B", ""},
        {"$0x1", std::nullopt, std::nullopt, "x", "x"},
        {"0x1G", std::nullopt, std::nullopt, "G", "G"},
        {"-5", std::nullopt, std::nullopt, "-", "-"},
        {"12 34", std::nullopt, std::nullopt, " ", " "},
        {"1.5", std::nullopt, std::nullopt, ".", "."},
        {"7\xC3\xA9", std::nullopt, std::nullopt, "\xC3\xA9", "\xC3\xA9"},
        {"0x", std::nullopt, std::nullopt, "", ""},
        {"", std::nullopt, std::nullopt, "", ""},
        {"$8000000000000000", std::nullopt, std::nullopt, "", ""},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ReadAddressText(c.Text, false), c.Decimal) << '"' << c.Text << '"';
        EXPECT_EQ(ReadAddressText(c.Text, true), c.Hex) << '"' << c.Text << '"';
        EXPECT_EQ(StrayAddressChar(c.Text, false), c.StrayDecimal) << '"' << c.Text << '"';
        EXPECT_EQ(StrayAddressChar(c.Text, true), c.StrayHex) << '"' << c.Text << '"';
    }
}

TEST_F(NavigationTest, EnteredAddressCountsFromTheBaseOrSaysInvalid) {
    OpenSample();
    TestApp().AddressBase = 0;
    EXPECT_TRUE(GoToEntered(TestDoc(), 0x10));
    EXPECT_EQ(CurrentAddress(TestDoc()), 17);
    TestApp().AddressBase = 1;
    EXPECT_TRUE(GoToEntered(TestDoc(), Size));
    EXPECT_EQ(CurrentAddress(TestDoc()), Size);
    EXPECT_TRUE(Host.ErrorTexts().empty());

    EXPECT_FALSE(GoToEntered(TestDoc(), Size + 1));
    EXPECT_FALSE(GoToEntered(TestDoc(), 0));
    EXPECT_EQ(Host.ErrorTexts(), (std::vector<std::string>{"Adress invalid", "Adress invalid"}));
    EXPECT_EQ(CurrentAddress(TestDoc()), Size);
}

TEST_F(NavigationTest, JumpWidthAndBlockSizeLimits) {
    OpenSample();
    for (auto [n, valid] : {std::pair<int64_t, bool>{0, false},
                            {-5, false},
                            {1, true},
                            {Size - 1, true},
                            {Size, false},
                            {INT64_C(1) << 40, false}})
        EXPECT_EQ(JumpWidthValid(TestDoc(), n), valid) << n;

    PutCursorOn(1);
    EXPECT_TRUE(BlockSizeValid(TestDoc(), Size - 1));
    EXPECT_FALSE(BlockSizeValid(TestDoc(), Size));
    EXPECT_FALSE(BlockSizeValid(TestDoc(), 0));
    PutCursorOn(3);
    EXPECT_FALSE(BlockSizeValid(TestDoc(), Size - 1));
    EXPECT_TRUE(BlockSizeValid(TestDoc(), Size - 2));
    PutCursorOn(Size);
    EXPECT_TRUE(BlockSizeValid(TestDoc(), 1));
    EXPECT_FALSE(BlockSizeValid(TestDoc(), 2));

    OpenSample(1); // one byte admits neither a width nor a block
    EXPECT_FALSE(JumpWidthValid(TestDoc(), 1));
    EXPECT_FALSE(BlockSizeValid(TestDoc(), 1));
}

TEST_F(NavigationTest, RememberReturnAndDifference) {
    OpenSample(5000);
    PutCursorOn(1235);
    Rememberadress1Click(TestDoc());
    PutCursorOn(1);
    TestApp().AddressBase = 1;
    EXPECT_EQ(DifferenceText(TestDoc()), "Remembered adress dec: 1,235\nDifference dec: -1,234\r"
                                "Remembered adress hex: 4D3\nDifference hex: FFFFFB2E");

    Gotoremembered1Click(TestDoc());
    EXPECT_EQ(CurrentAddress(TestDoc()), 1235);
    EngineSetup::SetStoreSize(1234); // the file shrank below the remembered address
    PutCursorOn(5);
    Gotoremembered1Click(TestDoc());
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Adress invalid"});
    EXPECT_EQ(CurrentAddress(TestDoc()), 5);
}
