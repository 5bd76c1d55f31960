#include "engine/CharacterSet.h"
#include "engine/Clipboard.h"

#include <gtest/gtest.h>

using namespace Engine;

namespace {

constexpr TCharacterSet Sets[] = {TCharacterSet::Dos437, TCharacterSet::Windows1252, TCharacterSet::Latin1,
                                  TCharacterSet::Ascii};

TEST(CharacterSet, EveryByteComesBackOrAsTheReplacement) {
    for (TCharacterSet set : Sets) {
        for (int b = 0; b < 256; ++b) {
            const auto byte = uint8_t(b);
            // Only ASCII lacks characters: its high bytes come back as the replacement's byte.
            const uint8_t expected = set == TCharacterSet::Ascii && b >= 0x80 ? uint8_t(NoCharacter) : byte;
            EXPECT_EQ(EncodeCharacter(set, DecodeByte(set, byte)), expected) << int(set) << " byte " << b;
        }
    }
}

TEST(CharacterSet, KnownCharactersAndCharactersWithoutAByte) {
    struct TCase {
        TCharacterSet Set;
        uint8_t Byte;
        char32_t Character;
    };
    const TCase decoded[] = {
        {TCharacterSet::Dos437, 0x82, U'\u00E9'},      {TCharacterSet::Dos437, 0xE9, U'\u0398'},
        {TCharacterSet::Dos437, 0x01, U'\u263A'},      {TCharacterSet::Dos437, 0xB0, U'\u2591'},
        {TCharacterSet::Windows1252, 0x80, U'\u20AC'}, {TCharacterSet::Windows1252, 0xE9, U'\u00E9'},
        {TCharacterSet::Latin1, 0x80, U'\u0080'},      {TCharacterSet::Latin1, 0xE9, U'\u00E9'},
        {TCharacterSet::Ascii, 0x41, U'A'},            {TCharacterSet::Ascii, 0xE9, U'.'},
        {TCharacterSet::Default, 0x80, U'\u20AC'}, // stands for Windows-1252
    };
    for (const TCase& c : decoded)
        EXPECT_EQ(DecodeByte(c.Set, c.Byte), c.Character) << int(c.Set) << " byte " << int(c.Byte);

    // Line breaks pass in every set; a character outside the set has no byte.
    for (TCharacterSet set : Sets)
        EXPECT_EQ(EncodeCharacter(set, U'\r'), 0x0D) << int(set);
    EXPECT_EQ(EncodeCharacter(TCharacterSet::Dos437, U'\u007F'), 0x7F);
    EXPECT_FALSE(EncodeCharacter(TCharacterSet::Dos437, U'\u20AC'));
    EXPECT_FALSE(EncodeCharacter(TCharacterSet::Windows1252, U'\u0398'));
    EXPECT_FALSE(EncodeCharacter(TCharacterSet::Latin1, U'\u20AC'));
    EXPECT_FALSE(EncodeCharacter(TCharacterSet::Latin1, U'\u0100'));
    EXPECT_FALSE(EncodeCharacter(TCharacterSet::Ascii, U'\u00E9'));
}

TEST(CharacterSet, DefaultDrawsAsTheFontHasItAndTypesWindows1252) {
    EXPECT_EQ(ShownSet(TCharacterSet::Default, true), TCharacterSet::Dos437);
    EXPECT_EQ(ShownSet(TCharacterSet::Default, false), TCharacterSet::Windows1252);
    EXPECT_EQ(TypedSet(TCharacterSet::Default), TCharacterSet::Windows1252);
    for (TCharacterSet set : Sets) {
        EXPECT_EQ(ShownSet(set, true), set);
        EXPECT_EQ(ShownSet(set, false), set);
        EXPECT_EQ(TypedSet(set), set);
    }
}

TEST(CharacterSet, PastedTextFollowsTheChosenSet) {
    struct TCase {
        TCharacterSet Set;
        std::vector<uint8_t> Bytes; // of "é€\r"
    };
    const TCase cases[] = {
        {TCharacterSet::Default, {0xE9, 0x80, 0x0D}}, {TCharacterSet::Dos437, {0x82, '?', 0x0D}},
        {TCharacterSet::Latin1, {0xE9, '?', 0x0D}},   {TCharacterSet::Ascii, {'?', '?', 0x0D}},
    };
    for (const TCase& c : cases) {
        CharacterSet = c.Set;
        EXPECT_EQ(ClipboardTextBytes(u"\u00E9\u20AC\r"), c.Bytes) << int(c.Set);
        EXPECT_EQ(TypedCharacter(c.Bytes[0]), c.Set == TCharacterSet::Ascii ? U'?' : U'\u00E9');
    }
    CharacterSet = TCharacterSet::Default;
}

} // namespace
