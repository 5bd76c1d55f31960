// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/compare/Spans.h"

#include <bit>
#include <cstring>
#include <emmintrin.h>

namespace Compare {

namespace {

// memcmp only says whether a block differs; this block size keeps its call cost small against the bytes it
// skips while the search for the exact byte stays inside one block.
constexpr size_t Block = 256;

// Bit i set where a[i] == b[i], for 16 bytes.
unsigned SameMask(const uint8_t* a, const uint8_t* b) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
}

} // namespace

size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t n) {
    size_t i = 0;
    while (i + Block <= n && std::memcmp(a + i, b + i, Block) == 0)
        i += Block;
    for (; i + 16 <= n; i += 16)
        if (const unsigned same = SameMask(a + i, b + i); same != 0xFFFF)
            return i + static_cast<size_t>(std::countr_one(same));
    for (; i < n; ++i)
        if (a[i] != b[i]) return i;
    return n;
}

size_t FirstSame(const uint8_t* a, const uint8_t* b, size_t n) {
    size_t i = 0;
    for (; i + 16 <= n; i += 16)
        if (const unsigned same = SameMask(a + i, b + i))
            return i + static_cast<size_t>(std::countr_zero(same));
    for (; i < n; ++i)
        if (a[i] == b[i]) return i;
    return n;
}

size_t CommonSuffix(const uint8_t* a, const uint8_t* b, size_t n) {
    size_t end = n;
    while (end >= Block && std::memcmp(a + end - Block, b + end - Block, Block) == 0)
        end -= Block;
    for (; end >= 16; end -= 16)
        if (const unsigned same = SameMask(a + end - 16, b + end - 16); same != 0xFFFF)
            return n - end + static_cast<size_t>(std::countl_one(same << 16));
    for (; end > 0; --end)
        if (a[end - 1] != b[end - 1]) return n - end;
    return n;
}

} // namespace Compare
