// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/search/FindPattern.h"

#include <cstddef>
#include <memory>
#include <string>

struct pcre2_real_code_8;

// A regular expression over the raw bytes (PCRE2 with its JIT, byte mode: a character is a byte, "." any
// byte, case folds only A-Z). A hit is at most Longest bytes: whether the expression matches at a place is
// decided by the bytes up to Longest from there alone (a match that would read further counts as none), so
// that hits never depend on where the file's pieces end and nothing runs away.
namespace Engine {

inline constexpr size_t DefaultLongestMatch = 4096;

class TRegexPattern final : public TFindPattern {
  public:
    // Null with error set for an empty or bad expression (naming the position where it is wrong).
    static std::unique_ptr<TRegexPattern> Make(const std::string& expression, bool caseSensitive,
                                               size_t longest, std::string& error);
    ~TRegexPattern() override;

    size_t MaxLength() const override { return Longest; }
    size_t Behind() const override { return Lookbehind; }
    std::unique_ptr<TFindMatcher> NewMatcher() const override;

  private:
    TRegexPattern() = default;
    pcre2_real_code_8* Code = nullptr;
    size_t Longest = DefaultLongestMatch;
    size_t Lookbehind = 1;
};

} // namespace Engine
