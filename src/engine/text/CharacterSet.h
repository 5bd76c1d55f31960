// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

// The character set of the text pane: which character a byte is drawn as, and which byte a character
// typed, pasted or entered in a text field becomes.
enum class TCharacterSet : int32_t {
    Default, // as before the choice existed: drawn (and typed) as the font has it
    Dos437,  // the OEM code page with its pictures for the control codes
    Windows1252,
    Latin1, // ISO 8859-1
    Ascii,
};
inline constexpr int32_t CharacterSetCount = 5;

namespace Engine {

// What ASCII shows for a byte above 0x7F, and so the byte such a character comes back as.
inline constexpr char32_t NoCharacter = U'.';

// The set a pane draws with: Default follows the font (the OEM font draws the DOS glyphs).
TCharacterSet ShownSet(TCharacterSet set, bool oemFont);

// Default stands for Windows-1252 in both. The character of a byte; every byte has one, ASCII's high
// bytes NoCharacter.
char32_t DecodeByte(TCharacterSet set, uint8_t byte);
// The byte of a character, or nothing when the set has none. Control characters are their own byte in
// every set, so that line breaks and tabs pass through any of them.
std::optional<uint8_t> EncodeCharacter(TCharacterSet set, char32_t character);


} // namespace Engine
