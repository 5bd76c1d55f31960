// SPDX-License-Identifier: GPL-3.0-or-later
#include "Floor.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace {

// Four independent counters, so that the pass is limited by memory and never by one chain of adds.
// A byte counter takes at most 255 blocks before it is summed into the 64-bit totals.
__attribute__((target("avx2"))) int64_t CountAvx2(const uint8_t* bytes, size_t size, uint8_t value) {
    const __m256i needle = _mm256_set1_epi8(static_cast<char>(value));
    const __m256i zero = _mm256_setzero_si256();
    __m256i total = zero;
    size_t i = 0;
    while (i + 128 <= size) {
        __m256i c0 = zero, c1 = zero, c2 = zero, c3 = zero;
        const size_t stop = i + 255 * 128 < size ? i + 255 * 128 : size;
        for (; i + 128 <= stop; i += 128) {
            const auto* at = reinterpret_cast<const __m256i*>(bytes + i);
            c0 = _mm256_sub_epi8(c0, _mm256_cmpeq_epi8(_mm256_loadu_si256(at), needle));
            c1 = _mm256_sub_epi8(c1, _mm256_cmpeq_epi8(_mm256_loadu_si256(at + 1), needle));
            c2 = _mm256_sub_epi8(c2, _mm256_cmpeq_epi8(_mm256_loadu_si256(at + 2), needle));
            c3 = _mm256_sub_epi8(c3, _mm256_cmpeq_epi8(_mm256_loadu_si256(at + 3), needle));
        }
        total = _mm256_add_epi64(total, _mm256_sad_epu8(c0, zero));
        total = _mm256_add_epi64(total, _mm256_sad_epu8(c1, zero));
        total = _mm256_add_epi64(total, _mm256_sad_epu8(c2, zero));
        total = _mm256_add_epi64(total, _mm256_sad_epu8(c3, zero));
    }
    alignas(32) int64_t lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), total);
    int64_t count = lanes[0] + lanes[1] + lanes[2] + lanes[3];
    for (; i < size; ++i)
        count += bytes[i] == value;
    return count;
}

int64_t CountSse2(const uint8_t* bytes, size_t size, uint8_t value) {
    const __m128i needle = _mm_set1_epi8(static_cast<char>(value));
    const __m128i zero = _mm_setzero_si128();
    __m128i total = zero;
    size_t i = 0;
    while (i + 64 <= size) {
        __m128i c0 = zero, c1 = zero, c2 = zero, c3 = zero;
        const size_t stop = i + 255 * 64 < size ? i + 255 * 64 : size;
        for (; i + 64 <= stop; i += 64) {
            const auto* at = reinterpret_cast<const __m128i*>(bytes + i);
            c0 = _mm_sub_epi8(c0, _mm_cmpeq_epi8(_mm_loadu_si128(at), needle));
            c1 = _mm_sub_epi8(c1, _mm_cmpeq_epi8(_mm_loadu_si128(at + 1), needle));
            c2 = _mm_sub_epi8(c2, _mm_cmpeq_epi8(_mm_loadu_si128(at + 2), needle));
            c3 = _mm_sub_epi8(c3, _mm_cmpeq_epi8(_mm_loadu_si128(at + 3), needle));
        }
        total = _mm_add_epi64(total, _mm_sad_epu8(c0, zero));
        total = _mm_add_epi64(total, _mm_sad_epu8(c1, zero));
        total = _mm_add_epi64(total, _mm_sad_epu8(c2, zero));
        total = _mm_add_epi64(total, _mm_sad_epu8(c3, zero));
    }
    alignas(16) int64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), total);
    int64_t count = lanes[0] + lanes[1];
    for (; i < size; ++i)
        count += bytes[i] == value;
    return count;
}

} // namespace

int64_t FloorCount(const uint8_t* bytes, size_t size, uint8_t value) {
    return __builtin_cpu_supports("avx2") ? CountAvx2(bytes, size, value) : CountSse2(bytes, size, value);
}

const char* FloorKind() {
    return __builtin_cpu_supports("avx2") ? "AVX2" : "SSE2";
}

#else

int64_t FloorCount(const uint8_t* bytes, size_t size, uint8_t value) {
    int64_t count = 0;
    for (size_t i = 0; i < size; ++i)
        count += bytes[i] == value;
    return count;
}

const char* FloorKind() {
    return "portable";
}

#endif
