// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/UnicodePattern.h"

#include "engine/search/PlannedScan.h"
#include "engine/text/FindTexts.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstring>

namespace Engine {

namespace {

using TFolded = std::vector<int32_t>;

TFolded Folded(int32_t codePoint) {
    int32_t folded[8];
    int boundary = 0;
    const auto n = utf8proc_decompose_char(codePoint, folded, 8, UTF8PROC_CASEFOLD, &boundary);
    if (n <= 0 || n > 8) return {codePoint};
    return TFolded(folded, folded + n);
}

// The characters of text that fold alike to each of its own, found by folding every character that case
// folding changes (a few thousand, looked up among more than a million code points).
std::vector<std::vector<int32_t>> CaseClasses(const std::vector<int32_t>& text) {
    std::vector<std::vector<int32_t>> classes(text.size());
    std::vector<TFolded> folds;
    for (size_t i = 0; i < text.size(); ++i) {
        folds.push_back(Folded(text[i]));
        classes[i].push_back(text[i]);
        if (folds[i].size() == 1) classes[i].push_back(folds[i][0]);
    }
    for (int32_t x = 0; x <= 0x10FFFF; ++x) {
        if (x == 0xD800) x = 0xE000; // surrogates are no characters
        if (utf8proc_get_property(x)->casefold_seqindex == UINT16_MAX) continue;
        const TFolded folded = Folded(x);
        for (size_t i = 0; i < text.size(); ++i)
            if (folded == folds[i]) classes[i].push_back(x);
    }
    return classes;
}

class TUnicodeMatcher final : public TFindMatcher {
  public:
    explicit TUnicodeMatcher(const TUnicodePattern& pattern, size_t shortest)
        : Pattern(pattern), Scan(this, Accepts) {
        Scan.AddLane(0, static_cast<int32_t>(shortest), Anchors(pattern));
    }

    std::optional<TWindowHit> First(const TSearchWindow& window, size_t from, size_t to) override {
        const TScanBytes bytes{window.Bytes.data(), static_cast<int64_t>(window.Bytes.size()), window.First};
        const int64_t at = Scan.First(bytes, static_cast<int64_t>(from), static_cast<int64_t>(to));
        if (at < 0) return std::nullopt;
        const auto offset = static_cast<size_t>(at);
        return TWindowHit{offset, Pattern.MatchLength(bytes.Base + at, window.Bytes.size() - offset)};
    }

  private:
    static bool Accepts(const void* owner, int32_t, const uint8_t* at, const TScanBytes& window) {
        const auto& self = *static_cast<const TUnicodeMatcher*>(owner);
        return self.Pattern.MatchLength(at, static_cast<size_t>(window.Base + window.Size - at)) > 0;
    }

    // Bytes at fixed offsets from a hit's start, as long as every character before has one length.
    static std::vector<TAnchorChoice> Anchors(const TUnicodePattern& pattern) {
        std::vector<TAnchorChoice> choices;
        int32_t offset = 0;
        for (const auto& forms : pattern.Characters()) {
            size_t shortest = forms.front().size(), longest = 0;
            for (const auto& form : forms) {
                shortest = std::min(shortest, form.size());
                longest = std::max(longest, form.size());
            }
            for (size_t j = 0; j < shortest; ++j) {
                std::vector<uint8_t> values;
                for (const auto& form : forms)
                    if (std::find(values.begin(), values.end(), form[j]) == values.end())
                        values.push_back(form[j]);
                if (values.size() > 2) continue;
                const uint8_t second = values.back();
                choices.push_back({offset + static_cast<int32_t>(j),
                                   {values[0], second},
                                   std::max(ByteCommonness(values[0]), ByteCommonness(second))});
            }
            if (shortest != longest) break;
            offset += static_cast<int32_t>(shortest);
        }
        return choices;
    }

    const TUnicodePattern& Pattern;
    TPlannedScan Scan;
};

} // namespace

std::vector<uint8_t> EncodeCharacter(int32_t codePoint, TTextEncoding encoding) {
    if (encoding == TTextEncoding::Utf8) {
        uint8_t bytes[4];
        const auto n = utf8proc_encode_char(codePoint, bytes);
        return std::vector<uint8_t>(bytes, bytes + n);
    }
    std::vector<uint16_t> units;
    if (codePoint >= 0x10000) {
        units = {static_cast<uint16_t>(0xD800 + ((codePoint - 0x10000) >> 10)),
                 static_cast<uint16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF))};
    } else {
        units = {static_cast<uint16_t>(codePoint)};
    }
    std::vector<uint8_t> bytes;
    for (const uint16_t unit : units) {
        const auto high = static_cast<uint8_t>(unit >> 8), low = static_cast<uint8_t>(unit);
        bytes.push_back(encoding == TTextEncoding::Utf16Le ? low : high);
        bytes.push_back(encoding == TTextEncoding::Utf16Le ? high : low);
    }
    return bytes;
}

std::unique_ptr<TUnicodePattern> TUnicodePattern::Make(const std::string& text, TTextEncoding encoding,
                                                       bool caseSensitive, std::string& error) {
    if (text.empty()) {
        error = Texts::CantFindEmptyString;
        return nullptr;
    }
    std::vector<int32_t> characters;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    for (size_t at = 0; at < text.size();) {
        int32_t codePoint = 0;
        const auto n =
            utf8proc_iterate(bytes + at, static_cast<utf8proc_ssize_t>(text.size() - at), &codePoint);
        if (n <= 0) {
            error = FormatText(Texts::TextNotUnicode, {static_cast<int64_t>(characters.size() + 1)});
            return nullptr;
        }
        characters.push_back(codePoint);
        at += static_cast<size_t>(n);
    }
    std::vector<std::vector<int32_t>> classes;
    if (caseSensitive) {
        for (const int32_t c : characters)
            classes.push_back({c});
    } else {
        classes = CaseClasses(characters);
    }
    auto pattern = std::unique_ptr<TUnicodePattern>(new TUnicodePattern);
    for (const auto& members : classes) {
        std::vector<std::vector<uint8_t>> forms;
        size_t shortest = 4, longest = 0;
        for (const int32_t c : members) {
            forms.push_back(EncodeCharacter(c, encoding));
            shortest = std::min(shortest, forms.back().size());
            longest = std::max(longest, forms.back().size());
        }
        std::sort(forms.begin(), forms.end());
        forms.erase(std::unique(forms.begin(), forms.end()), forms.end());
        pattern->Forms.push_back(std::move(forms));
        pattern->Shortest += shortest;
        pattern->Longest += longest;
    }
    return pattern;
}

size_t TUnicodePattern::MatchLength(const uint8_t* at, size_t room) const {
    // Each encoding is a prefix code: at most one form of a character can match at a place.
    size_t done = 0;
    for (const auto& forms : Forms) {
        const auto match = std::find_if(forms.begin(), forms.end(), [&](const std::vector<uint8_t>& form) {
            return form.size() <= room - done && std::memcmp(at + done, form.data(), form.size()) == 0;
        });
        if (match == forms.end()) return 0;
        done += match->size();
    }
    return done;
}

std::unique_ptr<TFindMatcher> TUnicodePattern::NewMatcher() const {
    return std::make_unique<TUnicodeMatcher>(*this, Shortest);
}

} // namespace Engine
