// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/Cp1252.h"
#include "engine/text/HexText.h"

#include <gtest/gtest.h>

namespace {

TEST(HexText, BytesToHexSpacedAndUnspaced) {
    EXPECT_EQ(BytesToHex(std::string("\x41\x42\x0D\x00\xFF", 5), true), "41 42 0D 00 FF");
    EXPECT_EQ(BytesToHex("\xab\x01", false), "AB01");
    EXPECT_EQ(BytesToHex("", true), "");
    EXPECT_EQ(BytesToHex("\x7f", true), "7F");
}

TEST(HexText, HexToBytesReadsPairsFromTheStart) {
    EXPECT_EQ(HexToBytes("F7D0F7D2B937", false), "\xF7\xD0\xF7\xD2\xB9\x37");
    EXPECT_EQ(HexToBytes("41 42", true), "AB");
    EXPECT_EQ(HexToBytes("4G", true), "\x4F");  // an invalid digit counts as 15
    EXPECT_EQ(HexToBytes("41 4", true), "A");   // trailing odd character ignored
    EXPECT_EQ(HexToBytes("41x42", true), "AB"); // the separator is not looked at
    EXPECT_EQ(HexToBytes("ab", false), "\xAB");
    EXPECT_EQ(HexToBytes("", true), "");
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(HexToBytes(BytesToHex(one, true), true), one);
    }
}

TEST(HexText, IsHexText) {
    struct TCase {
        const char* Text;
        bool Spaced;
        bool Expected;
    };
    for (const TCase& c : {TCase{"", true, false},
                           {"", false, false},
                           {"2E", true, true},
                           {"2e", true, true},
                           {"2E ", true, false},
                           {" 2E", true, false},
                           {"2E  41", true, false},
                           {"2E4", true, false},
                           {"12A34", true, true},
                           {"00 FF 7F", true, true},
                           {"0D0A", true, false},
                           {"0D0A", false, true},
                           {"0D 0A", false, false},
                           {"0G", false, false},
                           {"abc", false, false}})
        EXPECT_EQ(IsHexText(c.Text, c.Spaced), c.Expected) << '"' << c.Text << "\" spaced " << c.Spaced;
}

// Hex as pasted from other programs: what is taken, and what is refused as a whole.
TEST(HexText, LooseHexToBytes) {
    struct TCase {
        const char* Text;
        const char* Bytes; // nullptr: refused
        size_t Length = 0;
    };
    const TCase cases[] = {
        {"41 42 0d", "AB\r", 3},
        {"41420D", "AB\r", 3},
        {"0x41, 0X42,0x0d\r\n", "AB\r", 3},
        {"\\x41\\x42\\x0D", "AB\r", 3},
        {"0x4142", "AB", 2},
        {"0x5 0xA", "\x05\x0A", 2},
        {"\t00\tff\n", "\x00\xFF", 2},
        {"ab cd ef", "\xAB\xCD\xEF", 3},
        {"de:ad:be:ef", "\xDE\xAD\xBE\xEF", 4},
        {"DE-AD-BE-EF\n00-01", "\xDE\xAD\xBE\xEF\x00\x01", 6},
        {"0x41-0x42", "AB", 2},
        {"de:", nullptr},
        {":de", nullptr},
        {"de::ad", nullptr},
        {"de:-ad", nullptr},
        {"de: ad", nullptr},
        {"d:e", nullptr},
        {"", nullptr},
        {" ,\n", nullptr},
        {"414", nullptr},
        {"4 1", nullptr},
        {"0x", nullptr},
        {"\\x4G", nullptr},
        {"41;42", nullptr},
        {"hello", nullptr},
        {"41 42 é", nullptr},
    };
    for (const TCase& c : cases) {
        const std::optional<std::string> bytes = LooseHexToBytes(c.Text);
        if (!c.Bytes) {
            EXPECT_FALSE(bytes) << '"' << c.Text << '"';
        } else {
            ASSERT_TRUE(bytes) << '"' << c.Text << '"';
            EXPECT_EQ(*bytes, std::string(c.Bytes, c.Length)) << '"' << c.Text << '"';
        }
    }
}

TEST(HexText, HexDigitValue) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('A'), 10);
    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexDigitValue('G'), 15);
    EXPECT_EQ(HexDigitValue(' '), 15);
    EXPECT_EQ(HexDigitValue('\xC1'), 15);
}

TEST(Cp1252, EveryByteHasACharacterAndBack) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<uint8_t>(b);
        EXPECT_EQ(Cp1252::FromUnicode(Cp1252::ToUnicode(byte)), byte) << b;
    }
    EXPECT_EQ(Cp1252::ToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(Cp1252::ToUnicode(0x9F), U'\u0178');
    EXPECT_EQ(Cp1252::ToUnicode(0xE9), U'\u00E9');
    EXPECT_EQ(Cp1252::FromUnicode(U'\u2122'), 0x99);
    EXPECT_FALSE(Cp1252::FromUnicode(U'\u0100')); // no byte for it
    EXPECT_FALSE(Cp1252::FromUnicode(U'\u20AD'));
    EXPECT_FALSE(Cp1252::FromUnicode(U'\U0001F600'));
}

} // namespace
