#include "engine/CharacterSet.h"
#include "engine/Clipboard.h"

#include <gtest/gtest.h>

using namespace Engine;
using enum TCharacterSet;

namespace {

// The byte, or -1 when the set has none for the character.
int Encoded(TCharacterSet set, char32_t character) {
    const std::optional<uint8_t> byte = EncodeCharacter(set, character);
    return byte ? int(*byte) : -1;
}

TEST(CharacterSet, EveryByteComesBackOrAsTheReplacement) {
    for (TCharacterSet set : {Dos437, Windows1252, Latin1, Ascii})
        for (int b = 0; b < 256; ++b) {
            // Only ASCII lacks characters: its high bytes come back as the replacement's byte.
            const int expected = set == Ascii && b >= 0x80 ? int(NoCharacter) : b;
            EXPECT_EQ(Encoded(set, DecodeByte(set, uint8_t(b))), expected) << int(set) << " byte " << b;
        }
}

TEST(CharacterSet, KnownCharactersAndCharactersWithoutAByte) {
    const struct {
        TCharacterSet Set;
        int Byte; // -1: the set has none for the character
        char32_t Character;
    } cases[] = {
        {Dos437, 0x82, U'\u00E9'},  {Dos437, 0xE9, U'\u0398'},    {Dos437, 0x01, U'\u263A'},
        {Dos437, 0x0E, U'\u266B'},  {Dos437, -1, U'\u20AC'},      {Windows1252, 0x80, U'\u20AC'},
        {Windows1252, 0x0A, U'\n'}, {Windows1252, -1, U'\u0398'}, {Latin1, 0xE9, U'\u00E9'},
        {Latin1, -1, U'\u20AC'},    {Ascii, 0x41, U'A'},          {Ascii, -1, U'\u00E9'},
    };
    for (const auto& c : cases) {
        if (c.Byte >= 0) {
            EXPECT_EQ(DecodeByte(c.Set, uint8_t(c.Byte)), c.Character) << int(c.Set);
        }
        EXPECT_EQ(Encoded(c.Set, c.Character), c.Byte) << int(c.Set);
    }
    EXPECT_EQ(DecodeByte(Latin1, 0x80), U'\u0080');
    // A line break stays one although DOS draws its byte as a note.
    EXPECT_EQ(Encoded(Dos437, U'\r'), 0x0D);
}

TEST(CharacterSet, DefaultDrawsAsTheFontHasItAndTypesWindows1252) {
    EXPECT_EQ(ShownSet(Default, true), Dos437);
    EXPECT_EQ(ShownSet(Default, false), Windows1252);
    EXPECT_EQ(ShownSet(Latin1, true), Latin1);
    EXPECT_EQ(TypedSet(Default), Windows1252);
}

TEST(CharacterSet, PastedTextFollowsTheChosenSet) {
    const struct {
        TCharacterSet Set;
        std::vector<uint8_t> Bytes; // of "é€\r"
    } cases[] = {{Default, {0xE9, 0x80, 0x0D}}, {Dos437, {0x82, '?', 0x0D}}, {Ascii, {'?', '?', 0x0D}}};
    for (const auto& c : cases) {
        CharacterSet = c.Set;
        EXPECT_EQ(ClipboardTextBytes(u"\u00E9\u20AC\r"), c.Bytes) << int(c.Set);
    }
    CharacterSet = Default;
}

} // namespace
