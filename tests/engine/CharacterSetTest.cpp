// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/CharacterSet.h"
#include "common/TestDocument.h"
#include "engine/editing/Clipboard.h"

#include <gtest/gtest.h>

using namespace Engine;
using enum TCharacterSet;

namespace {

TEST(CharacterSet, EveryByteComesBackOrAsTheReplacement) {
    for (TCharacterSet set : {Dos437, Windows1252, Latin1, Ascii})
        for (int b = 0; b < 256; ++b) {
            // Only ASCII lacks characters: its high bytes come back as the replacement's byte.
            const auto expected = uint8_t(set == Ascii && b >= 0x80 ? NoCharacter : char32_t(b));
            EXPECT_EQ(EncodeCharacter(set, DecodeByte(set, uint8_t(b))), expected)
                << int(set) << " byte " << b;
        }
}

// Whatever the set and the font, typing the character the text pane shows for a byte writes that byte.
TEST(CharacterSet, TypedAsTheTextPaneDrawsInEverySetAndFont) {
    for (TCharacterSet set : {Default, Dos437, Windows1252, Latin1, Ascii})
        for (bool oem : {false, true}) {
            TestApp().CharacterSet = set;
            TestApp().OemFont = oem;
            for (int b = 0; b < 256; ++b) {
                const char32_t shown = DecodeByte(ShownSet(set, oem), uint8_t(b));
                EXPECT_EQ(TypedCharacter(TestApp(), uint8_t(b)), shown) << int(set) << ' ' << oem << " byte " << b;
                if (shown != NoCharacter || b == NoCharacter) {
                    EXPECT_EQ(TypedByte(TestApp(), shown), b) << int(set) << ' ' << oem << " byte " << b;
                }
            }
        }
    TestApp().CharacterSet = Default;
    TestApp().OemFont = false;
}

TEST(CharacterSet, KnownCharacters) {
    const struct {
        TCharacterSet Set;
        uint8_t Byte;
        char32_t Character;
    } cases[] = {{Dos437, 0x82, U'\u00E9'},      {Dos437, 0xE9, U'\u0398'}, {Dos437, 0x01, U'\u263A'},
                 {Windows1252, 0x80, U'\u20AC'}, {Latin1, 0x80, U'\u0080'}, {Ascii, 0xE9, U'.'}};
    for (const auto& c : cases)
        EXPECT_EQ(DecodeByte(c.Set, c.Byte), c.Character) << int(c.Set) << " byte " << int(c.Byte);
}

TEST(CharacterSet, PastedTextBecomesBytesOfTheChosenSet) {
    // "é€Θ\r": a character outside the set becomes '?'; a line break passes in every set.
    const struct {
        TCharacterSet Set;
        std::vector<uint8_t> Bytes;
        bool Oem = false;
    } cases[] = {{Default, {0xE9, 0x80, '?', 0x0D}},
                 {Default, {0x82, '?', 0xE9, 0x0D}, true}, // with the OEM font: as the pane draws
                 {Dos437, {0x82, '?', 0xE9, 0x0D}},
                 {Latin1, {0xE9, '?', '?', 0x0D}},
                 {Ascii, {'?', '?', '?', 0x0D}}};
    for (const auto& c : cases) {
        TestApp().CharacterSet = c.Set;
        TestApp().OemFont = c.Oem;
        EXPECT_EQ(ClipboardTextBytes(TestApp(), u"\u00E9\u20AC\u0398\r"), c.Bytes) << int(c.Set);
    }
    TestApp().CharacterSet = Default;
    TestApp().OemFont = false;
}

} // namespace
