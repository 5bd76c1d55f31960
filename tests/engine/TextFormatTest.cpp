// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"

#include <gtest/gtest.h>

namespace {

TEST(TextFormatTest, ThousandsSeparatorIsAlwaysAComma) {
    struct {
        int64_t value;
        const char* text;
    } cases[] = {{0, "0"},          {999, "999"},
                 {1000, "1,000"},   {1234567, "1,234,567"},
                 {-1234, "-1,234"}, {2147483647, "2,147,483,647"}};
    for (auto c : cases)
        EXPECT_EQ(FormatText("%.0n", {c.value}), c.text) << c.value;
    EXPECT_EQ(FormatText(Texts::AdrDec, {int64_t{1000}}), "Adr. dec: 1,000");
}

TEST(TextFormatTest, HexIsUpperCaseWithoutLeadingZeros) {
    EXPECT_EQ(FormatText("%x", {int64_t{1000}}), "3E8");
    EXPECT_EQ(FormatText("%x", {int64_t{0}}), "0");
    EXPECT_EQ(FormatText("%x", {int64_t{0xABCDEF}}), "ABCDEF");
    EXPECT_EQ(FormatText(Texts::AdrHex, {int64_t{1000}}), "Adr. hex: 3E8");
}

TEST(TextFormatTest, DecimalsWidthsAndStrings) {
    EXPECT_EQ(FormatText("%11d", {int64_t{42}}), "         42");
    EXPECT_EQ(FormatText("%11d", {int64_t{-42}}), "        -42");
    EXPECT_EQ(FormatText("%11d", {int64_t{12345678901}}), "12345678901");
    EXPECT_EQ(FormatText("%d", {int64_t{-5}}), "-5");
    EXPECT_EQ(FormatText(Texts::CharDec, {int64_t{255}}), "Char dec: 255");
    EXPECT_EQ(FormatText(Texts::ModifiedSaveNow, {std::string("a.bin")}), "a.bin modified. Save now?");
    EXPECT_EQ(FormatText("%d of %s, 100%%", {int64_t{3}, std::string("x")}), "3 of x, 100%");
    // A name holding a percent sign is copied, not formatted again.
    EXPECT_EQ(FormatText(Texts::ErrorReading, {std::string("50%d.bin")}), "Error reading\n50%d.bin");
    EXPECT_EQ(FormatText(Texts::CantAllocate, {}), "Can't allcate additional memory\nto perform operation");
}

TEST(TextFormatTest, IoErrorTextNamesTheErrorUpTo219) {
    EXPECT_EQ(Texts::IoErrorText(2), "Error 2: File not found");
    EXPECT_EQ(Texts::IoErrorText(5), "Error 5: File access denied");
    EXPECT_EQ(Texts::IoErrorText(220), "");
    EXPECT_EQ(Texts::IoErrorText(250), "");
    EXPECT_EQ(std::string(Texts::IoErrorEntry(2)), "File not found");
}

TEST(TextFormatTest, ProgressPercentRoundsHalfToEven) {
    struct {
        int64_t done, total;
        int percent;
    } cases[] = {
        {37, 100, 37},
        {40, 100, 40},
        {0, 100, 0},
        {100, 100, 100},
        {1, 8, 12},
        {3, 8, 38},
        {5, 8, 62},
        {7, 8, 88}, // exact halves go to the even neighbour
        {1, 40, 2},
        {3, 40, 8},
        {0, 0, 100},
        {5, 0, 100}, // total 0 counts as complete
        {131072, 300000, 44},
        {262144, 300000, 87},
        {2147483647, 2147483648, 100},
        {3000000000, 6000000000, 50},
    };
    for (auto c : cases)
        EXPECT_EQ(ProgressPercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
}

} // namespace
