// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The texts of Find all and its patterns (numbers, Unicode text, regular expressions), in the style of the
// string table; kept apart from it while the search commands are being reworked.
namespace Texts {

inline constexpr const char* NumberInvalid = "Number invalid: %s";
inline constexpr const char* NumberOutOfRange = "%s is out of range for %s\n(%s to %s)";
inline constexpr const char* NumberWidthInvalid = "Number width invalid: %d";
inline constexpr const char* ToleranceInvalid = "Tolerance invalid: %s";
inline constexpr const char* AlignmentInvalid = "Alignment invalid: %d";
inline constexpr const char* SignedInteger = "a signed %d-byte integer";
inline constexpr const char* UnsignedInteger = "an unsigned %d-byte integer";
inline constexpr const char* AnyInteger = "an integer of 8 bytes or less";
inline constexpr const char* FloatNumber = "a float";
inline constexpr const char* DoubleNumber = "a double";
inline constexpr const char* TextNotUnicode = "Text is not valid UTF-8 at character %d";
inline constexpr const char* RegexInvalid = "Regular expression invalid at position %d:\n%s";
inline constexpr const char* RegexTooMuchWork =
    "The regular expression needs too much work\nnear address %x; Find all stopped there";
inline constexpr const char* MatchLimitInvalid = "Longest match invalid: %d";
inline constexpr const char* HitsCounting = "Hits so far: %d";
inline constexpr const char* HitsFound = "Hits found: %d";
inline constexpr const char* HitsCut = "Hits found: %d (the first %d listed)";
inline constexpr const char* HitsCancelled = "Cancelled after %d hits";
inline constexpr const char* NoListedHit = "No further hit in the list";

} // namespace Texts
