// SPDX-License-Identifier: GPL-3.0-or-later
#define PCRE2_CODE_UNIT_WIDTH 8
#include "engine/search/RegexPattern.h"

#include "engine/text/FindTexts.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"

#include <pcre2.h>

#include <algorithm>

namespace Engine {

namespace {

// Starts tried per call of the matcher: a greedy loop reads at most this much past its start.
constexpr size_t Stretch = size_t{64} << 10;

class TRegexMatcher final : public TFindMatcher {
  public:
    TRegexMatcher(const pcre2_code* code, size_t longest) : Code(code), Longest(longest) {
        Data = pcre2_match_data_create_from_pattern(code, nullptr);
        Context = pcre2_match_context_create(nullptr);
        Stack = pcre2_jit_stack_create(32 << 10, 1 << 20, nullptr);
        pcre2_jit_stack_assign(Context, nullptr, Stack);
    }
    ~TRegexMatcher() override {
        pcre2_jit_stack_free(Stack);
        pcre2_match_context_free(Context);
        pcre2_match_data_free(Data);
    }
    TRegexMatcher(const TRegexMatcher&) = delete;
    TRegexMatcher& operator=(const TRegexMatcher&) = delete;

    std::optional<TWindowHit> First(const TSearchWindow& window, size_t from, size_t to) override {
        const size_t size = window.Bytes.size();
        const size_t chunk = std::max(Stretch, 8 * Longest);
        for (size_t start = from; start < to && Failed.empty();) {
            const size_t stop = std::min(to, start + chunk);
            // Every start before stop has Longest bytes after it, or the file's end.
            const size_t end = std::min(size, stop + Longest - 1);
            const int found = Match(window, end, start, 0);
            if (found == PCRE2_ERROR_NOMATCH) {
                start = stop;
                continue;
            }
            if (found < 0) break;
            const size_t at = pcre2_get_ovector_pointer(Data)[0];
            if (at >= stop) {
                start = stop;
                continue;
            }
            if (const size_t length = Verified(window, at)) return TWindowHit{at, length};
            start = at + 1;
        }
        return std::nullopt;
    }

    std::string Failure() const override { return Failed; }

  private:
    // PCRE2's answer for the subject window.Bytes[0 .. end) from start on.
    int Match(const TSearchWindow& window, size_t end, size_t start, uint32_t options) {
        const bool fileEnd = window.AtEnd && end == window.Bytes.size();
        options |= PCRE2_NOTEMPTY | (window.First > 1 ? PCRE2_NOTBOL : 0) | (fileEnd ? 0 : PCRE2_NOTEOL);
        const int found = pcre2_match(Code, window.Bytes.data(), end, start, options, Data, Context);
        if (found < 0 && found != PCRE2_ERROR_NOMATCH && found != PCRE2_ERROR_PARTIAL)
            Failed = FormatText(Texts::RegexTooMuchWork, {window.First + static_cast<TAddress>(start)});
        return found;
    }

    // The length of the hit at at, judged by the Longest bytes from there alone: a match that would need
    // to look past them is none.
    size_t Verified(const TSearchWindow& window, size_t at) {
        const size_t end = std::min(window.Bytes.size(), at + Longest);
        const bool partial = !(window.AtEnd && end == window.Bytes.size());
        if (Match(window, end, at, PCRE2_ANCHORED | (partial ? PCRE2_PARTIAL_HARD : 0)) <= 0) return 0;
        return pcre2_get_ovector_pointer(Data)[1] - at; // from at even after a \K
    }

    const pcre2_code* Code;
    size_t Longest;
    pcre2_match_data* Data = nullptr;
    pcre2_match_context* Context = nullptr;
    pcre2_jit_stack* Stack = nullptr;
    std::string Failed;
};

} // namespace

std::unique_ptr<TRegexPattern> TRegexPattern::Make(const std::string& expression, bool caseSensitive,
                                                   size_t longest, std::string& error) {
    if (expression.empty()) {
        error = Texts::CantFindEmptyString;
        return nullptr;
    }
    if (longest < 1 || longest > (size_t{1} << 20)) {
        error = FormatText(Texts::MatchLimitInvalid, {static_cast<int64_t>(longest)});
        return nullptr;
    }
    // Bytes, never UTF: (*UTF) and (*UCP) in the expression are refused.
    const uint32_t options =
        PCRE2_DOTALL | PCRE2_NEVER_UTF | PCRE2_NEVER_UCP | (caseSensitive ? 0 : PCRE2_CASELESS);
    int code = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expression.data()), expression.size(),
                                         options, &code, &offset, nullptr);
    if (!compiled) {
        PCRE2_UCHAR message[256];
        pcre2_get_error_message(code, message, sizeof message);
        error = FormatText(Texts::RegexInvalid,
                           {static_cast<int64_t>(offset) + 1, std::string(reinterpret_cast<char*>(message))});
        return nullptr;
    }
    // Without the JIT (a processor it does not know) the interpreter matches alike, only slower.
    pcre2_jit_compile(compiled, PCRE2_JIT_COMPLETE | PCRE2_JIT_PARTIAL_HARD);
    auto pattern = std::unique_ptr<TRegexPattern>(new TRegexPattern);
    pattern->Code = compiled;
    pattern->Longest = longest;
    uint32_t behind = 0;
    pcre2_pattern_info(compiled, PCRE2_INFO_MAXLOOKBEHIND, &behind);
    // One more: the byte before a start, which a multi-line ^ looks at.
    pattern->Lookbehind = behind + 1;
    return pattern;
}

TRegexPattern::~TRegexPattern() {
    pcre2_code_free(Code);
}

std::unique_ptr<TFindMatcher> TRegexPattern::NewMatcher() const {
    return std::make_unique<TRegexMatcher>(Code, Longest);
}

} // namespace Engine
