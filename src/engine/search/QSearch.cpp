// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/QSearch.h"

#include "engine/search/CaseTable.h"

#include <algorithm>
#include <cstring>

TQSearch::TQSearch() {
    for (int c = 0; c < 256; ++c)
        UpperTable[c] = UpperCase1252(static_cast<uint8_t>(c));
}

namespace {

// How common an (upper-case) byte is in text: a rough rank, higher for more common.
int TextFrequency(uint8_t upper) {
    static constexpr char Letters[] = "ZQXJKVBPYGFWMUCLDRHSNIOATE"; // rarest first
    if (upper == ' ') return 40;
    for (int i = 0; Letters[i] != 0; ++i)
        if (upper == static_cast<uint8_t>(Letters[i])) return 10 + i;
    return upper == 0 || upper == 0xFF || upper == '\n' || upper == '.' || upper == ',' ? 20 : 0;
}

} // namespace

bool TQSearch::PrepareIfChanged(const std::vector<uint8_t>& pattern, bool caseSensitive, bool jokerOn,
                                uint8_t joker) {
    if (pattern.empty()) return false;
    if (!Prepared || pattern != Pattern || caseSensitive != CaseSensitive || jokerOn != JokerEnabled ||
        joker != JokerChar)
        Prepare(pattern, caseSensitive, jokerOn, joker);
    return true;
}

void TQSearch::Prepare(const std::vector<uint8_t>& pattern, bool caseSensitive, bool jokerOn, uint8_t joker) {
    Pattern = pattern;
    PatternLen = static_cast<int32_t>(pattern.size());
    CaseSensitive = caseSensitive;
    JokerEnabled = jokerOn;
    JokerChar = joker;
    Prepared = true;
    const int32_t length = PatternLen;
    std::vector<uint8_t> lower(pattern.size());
    UpperPattern.assign(pattern.size(), 0);
    for (size_t i = 0; i < pattern.size(); ++i) {
        UpperPattern[i] = UpperTable[pattern[i]];
        lower[i] = LowerCase1252(pattern[i]);
    }
    Compare = caseSensitive ? (jokerOn ? TCompare::ExactJoker : TCompare::Exact)
                            : (jokerOn ? TCompare::FoldedJoker : TCompare::Folded);
    auto isJoker = [&](int32_t i) { return jokerOn && pattern[i] == joker; }; // 0-based

    // Forward skips: how far the window may move when the byte after it is c.
    int32_t d = length + 1;
    for (int32_t j = length - 1; j >= 0; --j)
        if (isJoker(j)) {
            d = length - j; // L - (j + 1) + 1 for the highest joker position
            break;
        }
    ShiftDown.fill(d);
    for (int32_t i = 0; i < length; ++i) {
        int32_t shift = length - i;
        if (shift >= d) continue;
        if (caseSensitive) {
            ShiftDown[pattern[i]] = shift;
        } else {
            ShiftDown[UpperPattern[i]] = shift;
            ShiftDown[lower[i]] = shift;
        }
    }
    // Backward skips: how far the window may move when the byte before it is c.
    d = length + 1;
    for (int32_t j = 0; j < length; ++j)
        if (isJoker(j)) {
            d = j + 1;
            break;
        }
    ShiftUp.fill(d);
    for (int32_t i = length - 1; i >= 0; --i) {
        int32_t shift = i + 1;
        if (shift >= d) continue;
        if (caseSensitive) {
            ShiftUp[pattern[i]] = shift;
        } else {
            ShiftUp[UpperPattern[i]] = shift;
            ShiftUp[lower[i]] = shift;
        }
    }

    PlanFilter();
}

void TQSearch::PlanFilter() {
    // The byte values position i accepts, when there are at most two.
    auto acceptedValues = [&](int32_t i, uint8_t* values) {
        int count = 0;
        for (int c = 0; c < 256; ++c) {
            const bool accepted = CaseSensitive ? c == Pattern[i] : UpperTable[c] == UpperPattern[i];
            if (!accepted) continue;
            if (count == 2) return false;
            values[count++] = static_cast<uint8_t>(c);
        }
        if (count == 1) values[1] = values[0];
        return count > 0;
    };
    auto isJoker = [&](int32_t i) { return JokerEnabled && Pattern[i] == JokerChar; };
    Plan = TScanPlan{};
    Plan.Owner = this;
    Plan.Check = [](const void* owner, const uint8_t* window) {
        return static_cast<const TQSearch*>(owner)->Matches(window);
    };
    Plan.Length = PatternLen;
    // The first and last bytes that are no jokers, and a third between them, the least common in text,
    // so that text with many of the same letters seldom makes a candidate.
    AllJoker = true;
    int32_t third = -1;
    for (int32_t i = 0; i < PatternLen; ++i)
        if (!isJoker(i)) {
            if (AllJoker) Plan.Anchor[0] = i;
            Plan.Anchor[1] = i;
            AllJoker = false;
        }
    Filtered = !AllJoker && acceptedValues(Plan.Anchor[0], Plan.Values[0]) &&
               acceptedValues(Plan.Anchor[1], Plan.Values[1]);
    for (int32_t i = Plan.Anchor[0] + 1; i < Plan.Anchor[1]; ++i)
        if (!isJoker(i) && (third < 0 || TextFrequency(UpperPattern[i]) < TextFrequency(UpperPattern[third])))
            third = i;
    if (third >= 0 && acceptedValues(third, Plan.Values[2])) {
        Plan.Anchor[2] = third;
        Plan.Anchors = 3;
    }
    // The rows that check a candidate at once; past the pattern every byte is accepted.
    Plan.RowsComplete = PatternLen <= 32;
    for (int32_t i = 0; i < 32; ++i) {
        if (i >= PatternLen || isJoker(i)) {
            Plan.Any[i] = 0xFF;
            continue;
        }
        uint8_t values[2];
        if (!acceptedValues(i, values)) {
            Plan.RowsComplete = false;
            continue;
        }
        Plan.First[i] = values[0];
        Plan.Second[i] = values[1];
    }
    if (!Plan.RowsComplete) return;
    for (int32_t i = 0; i < PatternLen; ++i) {
        if (Plan.Any[i]) continue;
        Plan.CheckAt[Plan.Checked++] = i;
        std::memset(Plan.WideFirst[i], Plan.First[i], 32);
        std::memset(Plan.WideSecond[i], Plan.Second[i], 32);
        Plan.RowsTwo = Plan.RowsTwo || Plan.First[i] != Plan.Second[i];
    }
    // Two hits can never overlap when, at every shift, some pair of positions accepts no byte in common.
    auto apart = [&](int32_t i, int32_t j) {
        const uint8_t a[2] = {Plan.First[i], Plan.Second[i]}, b[2] = {Plan.First[j], Plan.Second[j]};
        return !Plan.Any[i] && !Plan.Any[j] && a[0] != b[0] && a[0] != b[1] && a[1] != b[0] && a[1] != b[1];
    };
    Plan.Disjoint = true;
    for (int32_t shift = 1; shift < PatternLen && Plan.Disjoint; ++shift) {
        bool someApart = false;
        for (int32_t i = 0; i + shift < PatternLen && !someApart; ++i)
            someApart = apart(i, i + shift);
        Plan.Disjoint = someApart;
    }
}

bool TQSearch::Matches(const uint8_t* window) const {
    const uint8_t* p = Pattern.data();
    switch (Compare) {
    case TCompare::Exact:
        return std::memcmp(window, p, static_cast<size_t>(PatternLen)) == 0;
    case TCompare::ExactJoker:
        for (int32_t i = PatternLen - 1; i >= 0; --i)
            if (p[i] != JokerChar && window[i] != p[i]) return false;
        return true;
    case TCompare::Folded:
        for (int32_t i = PatternLen - 1; i >= 0; --i)
            if (UpperTable[window[i]] != UpperPattern[i]) return false;
        return true;
    case TCompare::FoldedJoker:
        for (int32_t i = PatternLen - 1; i >= 0; --i)
            if (p[i] != JokerChar && UpperTable[window[i]] != UpperPattern[i]) return false;
        return true;
    }
    return false;
}

TAddress TQSearch::QuickScanDown(const uint8_t* bytes, TAddress lastAddress, TAddress start,
                                 const TProgressHook& hook) const {
    int64_t k = start + PatternLen - 1;
    while (k <= lastAddress) {
        if (Matches(bytes + (k - PatternLen))) return k - PatternLen + 1;
        if (k == lastAddress) break;
        k += ShiftDown[bytes[k]]; // the byte at address k + 1
        if (hook && hook(std::min<TAddress>(k, lastAddress))) return -1;
    }
    return -1;
}

TAddress TQSearch::QuickScanUp(const uint8_t* bytes, TAddress firstAddress, TAddress start,
                               const TProgressHook& hook) const {
    int64_t k = start;
    const int64_t lowest = firstAddress + PatternLen - 1;
    while (k >= lowest) {
        if (Matches(bytes + (k - PatternLen))) return k - PatternLen + 1;
        if (k - PatternLen + 1 == firstAddress) break;
        k -= ShiftUp[bytes[k - PatternLen - 1]]; // the byte just before the window
        if (hook && hook(std::max<TAddress>(k, 0))) return -1;
    }
    return -1;
}

int64_t TQSearch::FindFirst(const uint8_t* bytes, int64_t lo, int64_t hi) const {
    if (lo > hi) return -1;
    if (AllJoker) return lo;
    if (Filtered) return FilterFirst(Plan, bytes, lo, hi);
    const TAddress hit = QuickScanDown(bytes, hi + PatternLen, lo + 1, {});
    return hit > 0 ? hit - 1 : -1;
}

int64_t TQSearch::FindLast(const uint8_t* bytes, int64_t lo, int64_t hi) const {
    if (lo > hi) return -1;
    if (AllJoker) return hi;
    if (Filtered) return FilterLast(Plan, bytes, lo, hi);
    const TAddress hit = QuickScanUp(bytes, lo + 1, hi + PatternLen, {});
    return hit > 0 ? hit - 1 : -1;
}

int64_t TQSearch::CountIn(const uint8_t* bytes, int64_t lo, int64_t hi, bool down, int64_t& last) const {
    if (lo > hi) return 0;
    if (AllJoker) {
        const int64_t count = (hi - lo) / PatternLen + 1;
        last = down ? lo + (count - 1) * PatternLen : hi - (count - 1) * PatternLen;
        return count;
    }
    if (Filtered) return FilterCount(Plan, bytes, lo, hi, down, last);
    int64_t count = 0;
    for (;;) {
        const int64_t hit = down ? FindFirst(bytes, lo, hi) : FindLast(bytes, lo, hi);
        if (hit < 0) return count;
        ++count;
        last = hit;
        (down ? lo : hi) = down ? hit + PatternLen : hit - PatternLen;
    }
}

int64_t TQSearch::CountIn(const uint8_t* bytes, int64_t lo, int64_t hi, bool down, int64_t& last,
                          bool& dense) const {
    const int64_t found = dense ? FilterCountAll(Plan, bytes, lo, hi, down, last) : CountIn(bytes, lo, hi, down, last);
    dense = Dense(found, hi - lo + 1);
    return found;
}

int64_t ProgressStride(int64_t total) {
    return std::max<int64_t>(1, total / 128);
}

TAddress TQSearch::ScanDown(const std::vector<uint8_t>& pattern, const uint8_t* bytes, TAddress lastAddress,
                            bool caseSensitive, bool jokerOn, uint8_t joker, TAddress start,
                            const TProgressHook& hook) {
    if (!PrepareIfChanged(pattern, caseSensitive, jokerOn, joker)) return -2;
    if (start < 1) start = 1;
    const int64_t highestStart = lastAddress - PatternLen; // 0-based window start
    const int64_t stride = ProgressStride(lastAddress);
    for (int64_t lo = start - 1; lo <= highestStart; lo += stride) {
        const int64_t hi = std::min(highestStart, lo + stride - 1);
        const int64_t hit = FindFirst(bytes, lo, hi);
        if (hit >= 0) return hit + 1;
        if (hi < highestStart && hook && hook(hi + 1 + PatternLen)) return -1;
    }
    return -1;
}

TAddress TQSearch::ScanUp(const std::vector<uint8_t>& pattern, const uint8_t* bytes, TAddress firstAddress,
                          bool caseSensitive, bool jokerOn, uint8_t joker, TAddress start,
                          const TProgressHook& hook) {
    if (!PrepareIfChanged(pattern, caseSensitive, jokerOn, joker)) return -2;
    if (firstAddress < 1) firstAddress = 1;
    const int64_t lowestStart = firstAddress - 1;
    const int64_t stride = ProgressStride(start);
    for (int64_t hi = start - PatternLen; hi >= lowestStart; hi -= stride) {
        const int64_t lo = std::max(lowestStart, hi - stride + 1);
        const int64_t hit = FindLast(bytes, lo, hi);
        if (hit >= 0) return hit + 1;
        if (lo > lowestStart && hook && hook(lo - 1 + PatternLen)) return -1;
    }
    return -1;
}

bool TQSearch::Dense(int64_t hits, int64_t windows) const {
    // Past one hit in 64 windows, comparing every window in full beats checking candidates one by one.
    return Filtered && Plan.Disjoint && hits * 64 > windows;
}

TQSearch::TTally TQSearch::CountDown(const uint8_t* bytes, TAddress lastAddress, TAddress start,
                                     const TProgressHook& hook) const {
    TTally result;
    const int64_t highestStart = lastAddress - PatternLen;
    const int64_t stride = ProgressStride(lastAddress);
    int64_t count = 0, last = -1;
    bool dense = false;
    for (int64_t lo = std::max<TAddress>(start, 1) - 1; lo <= highestStart;) {
        const int64_t hi = std::min(highestStart, lo + stride - 1);
        const int64_t found =
            dense ? FilterCountAll(Plan, bytes, lo, hi, true, last) : CountIn(bytes, lo, hi, true, last);
        count += found;
        dense = Dense(found, hi - lo + 1);
        if (hi == highestStart) break;
        if (hook && hook(hi + 1 + PatternLen)) {
            result.Cancelled = true;
            break;
        }
        lo = std::max(hi + 1, last >= 0 ? last + PatternLen : 0);
    }
    result.Count = count;
    result.Last = last >= 0 ? last + 1 : -1;
    return result;
}

TQSearch::TTally TQSearch::CountUp(const uint8_t* bytes, TAddress firstAddress, TAddress start,
                                   const TProgressHook& hook) const {
    TTally result;
    const int64_t lowestStart = std::max<TAddress>(firstAddress, 1) - 1;
    const int64_t stride = ProgressStride(start);
    int64_t count = 0, last = -1;
    bool dense = false;
    for (int64_t hi = start - PatternLen; hi >= lowestStart;) {
        const int64_t lo = std::max(lowestStart, hi - stride + 1);
        const int64_t found =
            dense ? FilterCountAll(Plan, bytes, lo, hi, false, last) : CountIn(bytes, lo, hi, false, last);
        count += found;
        dense = Dense(found, hi - lo + 1);
        if (lo == lowestStart) break;
        if (hook && hook(lo - 1 + PatternLen)) {
            result.Cancelled = true;
            break;
        }
        hi = last >= 0 ? std::min(lo - 1, last - PatternLen) : lo - 1;
    }
    result.Count = count;
    result.Last = last >= 0 ? last + 1 : -1;
    return result;
}

bool TQSearch::EachDown(const uint8_t* bytes, TAddress lastAddress, TAddress start, const TProgressHook& hook,
                        const std::function<bool(TAddress address)>& onHit) const {
    const int64_t highestStart = lastAddress - PatternLen;
    const int64_t stride = ProgressStride(lastAddress);
    for (int64_t lo = std::max<TAddress>(start, 1) - 1; lo <= highestStart;) {
        const int64_t hi = std::min(highestStart, lo + stride - 1);
        int64_t next = hi + 1;
        for (int64_t hit; (hit = FindFirst(bytes, lo, hi)) >= 0; lo = hit + PatternLen) {
            if (!onHit(hit + 1)) return false;
            next = std::max(next, hit + PatternLen);
        }
        if (hi == highestStart) break;
        if (hook && hook(hi + 1 + PatternLen)) return true;
        lo = next;
    }
    return false;
}
