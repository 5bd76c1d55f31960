// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
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
// Hex as people paste it: pairs of digits in either case, in runs or apart, separated by spaces, tabs,
// commas or line breaks, or joined by single colons or hyphens, each run perhaps led by 0x or \x ("0x41,
// 0x42", "\x41\x42", "4142 43", "de:ad:be:ef"); a led run may be one digit. Nothing when the text holds anything else, an unpaired digit, or no byte at all.
std::optional<std::string> LooseHexToBytes(std::string_view text);
// 0..15 for 0-9, A-F and a-f; 15 for anything else.
int HexDigitValue(char c);
bool IsHexDigit(char c);
