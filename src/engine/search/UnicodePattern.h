// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/search/FindPattern.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Text as UTF-8, UTF-16LE or UTF-16BE, optionally without regard to case: then each character matches every
// character that Unicode case folding (utf8proc) folds to the same (K, k and the Kelvin sign; Σ, σ and ς;
// ß and ẞ). A character that folds to several (ß to "ss") still matches one character, never two.
namespace Engine {

enum class TTextEncoding : uint8_t { Utf8, Utf16Le, Utf16Be };

class TUnicodePattern final : public TFindPattern {
  public:
    // text is UTF-8. Null with error set for empty or broken text.
    static std::unique_ptr<TUnicodePattern> Make(const std::string& text, TTextEncoding encoding,
                                                 bool caseSensitive, std::string& error);

    // Every encoded form each character of the text may take, in order.
    const std::vector<std::vector<std::vector<uint8_t>>>& Characters() const { return Forms; }
    // The length of the hit that starts at at, holding room bytes, or 0.
    size_t MatchLength(const uint8_t* at, size_t room) const;

    size_t MaxLength() const override { return Longest; }
    std::unique_ptr<TFindMatcher> NewMatcher() const override;

  private:
    std::vector<std::vector<std::vector<uint8_t>>> Forms;
    size_t Longest = 0;
    size_t Shortest = 0;
};

// A code point in the encoding (a surrogate pair beyond the first plane).
std::vector<uint8_t> EncodeCharacter(int32_t codePoint, TTextEncoding encoding);

} // namespace Engine
