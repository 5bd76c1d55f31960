#include "engine/QSearch.h"

#include "engine/CaseTable.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

TQSearch::TQSearch() {
    for (int c = 0; c < 256; ++c)
        UpperTable[c] = UpperCase1252(static_cast<uint8_t>(c));
}

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

    // The fast filter needs two positions that are not jokers, each accepting at most two byte values.
    AnchorA = AnchorB = -1;
    AllJoker = true;
    for (int32_t i = 0; i < length; ++i)
        if (!isJoker(i)) {
            if (AnchorA < 0) AnchorA = i;
            AnchorB = i;
            AllJoker = false;
        }
    auto acceptedValues = [&](int32_t i, uint8_t* values) {
        int count = 0;
        for (int c = 0; c < 256; ++c) {
            bool accepted = caseSensitive ? c == pattern[i] : UpperTable[c] == UpperPattern[i];
            if (!accepted) continue;
            if (count == 2) return false;
            values[count++] = static_cast<uint8_t>(c);
        }
        if (count == 1) values[1] = values[0];
        return count > 0;
    };
    if (!AllJoker && !(acceptedValues(AnchorA, AnchorAValues) && acceptedValues(AnchorB, AnchorBValues)))
        AnchorA = AnchorB = -1;
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

int32_t TQSearch::QuickScanDown(const uint8_t* bytes, int32_t lastAddress, int32_t start,
                                const TProgressHook& hook) const {
    int64_t k = static_cast<int64_t>(start) + PatternLen - 1;
    while (k <= lastAddress) {
        if (Matches(bytes + (k - PatternLen))) return static_cast<int32_t>(k - PatternLen + 1);
        if (k == lastAddress) break;
        k += ShiftDown[bytes[k]]; // the byte at address k + 1
        if (hook && hook(static_cast<int32_t>(std::min<int64_t>(k, lastAddress)))) return -1;
    }
    return -1;
}

int32_t TQSearch::QuickScanUp(const uint8_t* bytes, int32_t firstAddress, int32_t start,
                              const TProgressHook& hook) const {
    int64_t k = start;
    const int64_t lowest = static_cast<int64_t>(firstAddress) + PatternLen - 1;
    while (k >= lowest) {
        if (Matches(bytes + (k - PatternLen))) return static_cast<int32_t>(k - PatternLen + 1);
        if (k - PatternLen + 1 == firstAddress) break;
        k -= ShiftUp[bytes[k - PatternLen - 1]]; // the byte just before the window
        if (hook && hook(static_cast<int32_t>(std::max<int64_t>(k, 0)))) return -1;
    }
    return -1;
}

namespace {

#if defined(__SSE2__)
// The candidate windows among 32 consecutive starts: a bit for each start whose two anchor bytes are
// each one of their accepted values.
class TAnchorFilter {
  public:
    TAnchorFilter(const uint8_t* bytes, int32_t anchorA, const uint8_t* valuesA, int32_t anchorB,
                  const uint8_t* valuesB)
        : BaseA(bytes + anchorA), BaseB(bytes + anchorB), A1(Splat(valuesA[0])), A2(Splat(valuesA[1])),
          B1(Splat(valuesB[0])), B2(Splat(valuesB[1])) {}

    uint32_t Candidates(int64_t start) const {
        const __m128i low = _mm_and_si128(AnyOf(BaseA + start, A1, A2), AnyOf(BaseB + start, B1, B2));
        const __m128i high =
            _mm_and_si128(AnyOf(BaseA + start + 16, A1, A2), AnyOf(BaseB + start + 16, B1, B2));
        return static_cast<uint32_t>(_mm_movemask_epi8(low)) |
               (static_cast<uint32_t>(_mm_movemask_epi8(high)) << 16);
    }

  private:
    static __m128i Splat(uint8_t value) { return _mm_set1_epi8(static_cast<char>(value)); }
    static __m128i AnyOf(const uint8_t* at, __m128i first, __m128i second) {
        const __m128i data = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return _mm_or_si128(_mm_cmpeq_epi8(data, first), _mm_cmpeq_epi8(data, second));
    }

    const uint8_t* BaseA;
    const uint8_t* BaseB;
    __m128i A1, A2, B1, B2;
};
#endif

} // namespace

int64_t TQSearch::FindFirst(const uint8_t* bytes, int64_t lo, int64_t hi) const {
    if (AllJoker) return lo <= hi ? lo : -1;
    int64_t i = lo;
#if defined(__SSE2__)
    if (AnchorA >= 0) {
        const TAnchorFilter filter(bytes, AnchorA, AnchorAValues, AnchorB, AnchorBValues);
        for (; i + 31 <= hi; i += 32) {
            for (uint32_t mask = filter.Candidates(i); mask != 0; mask &= mask - 1) {
                const int bit = __builtin_ctz(mask);
                if (Matches(bytes + i + bit)) return i + bit;
            }
        }
    }
#endif
    for (; i <= hi; ++i)
        if (Matches(bytes + i)) return i;
    return -1;
}

int64_t TQSearch::FindLast(const uint8_t* bytes, int64_t lo, int64_t hi) const {
    if (AllJoker) return lo <= hi ? hi : -1;
    int64_t i = hi;
#if defined(__SSE2__)
    if (AnchorA >= 0) {
        const TAnchorFilter filter(bytes, AnchorA, AnchorAValues, AnchorB, AnchorBValues);
        // Blocks of 32 window starts ending at i, from the top down.
        for (; i - 31 >= lo; i -= 32) {
            const int64_t start = i - 31;
            for (uint32_t mask = filter.Candidates(start); mask != 0;) {
                const int bit = 31 - __builtin_clz(mask);
                if (Matches(bytes + start + bit)) return start + bit;
                mask &= ~(1u << bit);
            }
        }
    }
#endif
    for (; i >= lo; --i)
        if (Matches(bytes + i)) return i;
    return -1;
}

int64_t ProgressStride(int64_t total) {
    return std::max<int64_t>(1, total / 128);
}

int32_t TQSearch::ScanDown(const std::vector<uint8_t>& pattern, const uint8_t* bytes, int32_t lastAddress,
                           bool caseSensitive, bool jokerOn, uint8_t joker, int32_t start,
                           const TProgressHook& hook) {
    if (!PrepareIfChanged(pattern, caseSensitive, jokerOn, joker)) return -2;
    if (start < 1) start = 1;
    const int64_t highestStart = static_cast<int64_t>(lastAddress) - PatternLen; // 0-based window start
    if (AnchorA < 0 && !AllJoker) return QuickScanDown(bytes, lastAddress, start, hook);
    const int64_t stride = ProgressStride(lastAddress);
    for (int64_t lo = start - 1; lo <= highestStart; lo += stride) {
        const int64_t hi = std::min(highestStart, lo + stride - 1);
        int64_t hit = FindFirst(bytes, lo, hi);
        if (hit >= 0) return static_cast<int32_t>(hit + 1);
        if (hi < highestStart && hook && hook(static_cast<int32_t>(hi + 1 + PatternLen))) return -1;
    }
    return -1;
}

int32_t TQSearch::ScanUp(const std::vector<uint8_t>& pattern, const uint8_t* bytes, int32_t firstAddress,
                         bool caseSensitive, bool jokerOn, uint8_t joker, int32_t start,
                         const TProgressHook& hook) {
    if (!PrepareIfChanged(pattern, caseSensitive, jokerOn, joker)) return -2;
    if (firstAddress < 1) firstAddress = 1;
    const int64_t lowestStart = firstAddress - 1;
    if (AnchorA < 0 && !AllJoker) return QuickScanUp(bytes, firstAddress, start, hook);
    const int64_t stride = ProgressStride(start);
    for (int64_t hi = static_cast<int64_t>(start) - PatternLen; hi >= lowestStart; hi -= stride) {
        const int64_t lo = std::max(lowestStart, hi - stride + 1);
        int64_t hit = FindLast(bytes, lo, hi);
        if (hit >= 0) return static_cast<int32_t>(hit + 1);
        if (lo > lowestStart && hook && hook(static_cast<int32_t>(lo - 1 + PatternLen))) return -1;
    }
    return -1;
}
