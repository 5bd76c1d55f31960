// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/NaiveSearch.h"

#include "engine/search/CaseTable.h"

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

TAddress Down(const uint8_t* bytes, const TBytes& pattern, const TRule& rule, TAddress last, TAddress start) {
    const auto length = static_cast<TCount>(pattern.size());
    for (TAddress a = std::max<TAddress>(start, 1); a + length - 1 <= last; ++a)
        if (Match(bytes + a - 1, pattern, rule)) return a;
    return -1;
}

TAddress Up(const uint8_t* bytes, const TBytes& pattern, const TRule& rule, TAddress first, TAddress start) {
    const auto length = static_cast<TCount>(pattern.size());
    for (TAddress a = start - length + 1; a >= std::max<TAddress>(first, 1); --a)
        if (Match(bytes + a - 1, pattern, rule)) return a;
    return -1;
}

TReplaced ReplaceAll(const TBytes& file, const TBytes& pattern, const TBytes& replacement, const TRule& rule,
                     TAddress start, TCount limit) {
    const auto size = static_cast<TCount>(file.size());
    const auto length = static_cast<TCount>(pattern.size());
    TReplaced m;
    m.Bytes.assign(file.begin(), file.begin() + std::min(start - 1, size));
    TAddress pos = start; // the first original byte not yet copied
    for (TAddress a = start; m.Count < limit && a + length - 1 <= size; ++a) {
        if (!Match(file.data() + a - 1, pattern, rule)) continue;
        m.Bytes.insert(m.Bytes.end(), file.begin() + pos - 1, file.begin() + a - 1);
        m.LastAt = static_cast<TAddress>(m.Bytes.size()) + 1;
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
