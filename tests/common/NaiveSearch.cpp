#include "common/NaiveSearch.h"

#include "engine/CaseTable.h"

#include <algorithm>

namespace NaiveSearch {

bool Match(const uint8_t* window, const TBytes& pattern, const TRule& rule) {
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (rule.JokerOn && pattern[i] == rule.Joker) continue;
        const bool same = rule.CaseSensitive ? window[i] == pattern[i]
                                             : UpperCase1252(window[i]) == UpperCase1252(pattern[i]);
        if (!same) return false;
    }
    return true;
}

int32_t Down(const uint8_t* bytes, const TBytes& pattern, const TRule& rule, int32_t last, int32_t start) {
    const auto length = static_cast<int32_t>(pattern.size());
    for (int32_t a = std::max(start, 1); a + length - 1 <= last; ++a)
        if (Match(bytes + a - 1, pattern, rule)) return a;
    return -1;
}

int32_t Up(const uint8_t* bytes, const TBytes& pattern, const TRule& rule, int32_t first, int32_t start) {
    const auto length = static_cast<int32_t>(pattern.size());
    for (int32_t a = start - length + 1; a >= std::max(first, 1); --a)
        if (Match(bytes + a - 1, pattern, rule)) return a;
    return -1;
}

TReplaced ReplaceAll(const TBytes& file, const TBytes& pattern, const TBytes& replacement, const TRule& rule,
                     int32_t start, int32_t limit) {
    const auto size = static_cast<int32_t>(file.size());
    const auto length = static_cast<int32_t>(pattern.size());
    TReplaced m;
    m.Bytes.assign(file.begin(), file.begin() + std::min(start - 1, size));
    int32_t pos = start; // the first original byte not yet copied
    for (int32_t a = start; m.Count < limit && a + length - 1 <= size; ++a) {
        if (!Match(file.data() + a - 1, pattern, rule)) continue;
        m.Bytes.insert(m.Bytes.end(), file.begin() + pos - 1, file.begin() + a - 1);
        m.LastAt = static_cast<int32_t>(m.Bytes.size()) + 1;
        if (m.First == 0) m.First = m.LastAt;
        m.LastHit.assign(file.begin() + a - 1, file.begin() + a - 1 + length);
        m.Hits.push_back(a);
        m.Bytes.insert(m.Bytes.end(), replacement.begin(), replacement.end());
        ++m.Count;
        pos = a + length;
        a = pos - 1;
    }
    if (pos <= size) m.Bytes.insert(m.Bytes.end(), file.begin() + pos - 1, file.end());
    return m;
}

} // namespace NaiveSearch
