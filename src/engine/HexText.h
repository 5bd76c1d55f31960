#pragma once

#include <string>
#include <string_view>

// The one text form of a byte sequence: pairs of hex digits separated by single spaces ('41 42 0D').
// Byte strings are std::string, one char per byte.

// Two upper-case digits per byte; spaced puts one space between pairs.
std::string BytesToHex(std::string_view bytes, bool spaced);
// Pairs of digits from the start of text, one every 3 characters when spaced (the separator is not
// looked at) or every 2; a trailing odd character is ignored and a non-digit counts as 15.
std::string HexToBytes(std::string_view text, bool spaced);
// Spaced: (length + 1) a multiple of 3, hex digits everywhere, spaces allowed at every third place.
// Unspaced: even length, hex digits only. Empty text is false.
bool IsHexText(std::string_view text, bool spaced);
// 0..15 for 0-9, A-F and a-f; 15 for anything else.
int HexDigitValue(char c);
bool IsHexDigit(char c);
