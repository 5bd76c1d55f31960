// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/ScanFilter.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define NIBLO_SCAN_X86 1
#endif

namespace {

// How far ahead of the scan its memory is asked for: the scans compare more per byte than a plain pass, and
// without it they would keep fewer reads in flight.
constexpr int64_t PrefetchAhead = 2048;

struct TKernels {
    int64_t (*First)(const TScanPlan&, const uint8_t*, int64_t, int64_t);
    int64_t (*Last)(const TScanPlan&, const uint8_t*, int64_t, int64_t);
    int64_t (*CountDown)(const TScanPlan&, const uint8_t*, int64_t, int64_t, int64_t&);
    int64_t (*CountUp)(const TScanPlan&, const uint8_t*, int64_t, int64_t, int64_t&);
    int64_t (*CountAll)(const TScanPlan&, const uint8_t*, int64_t, int64_t, bool, int64_t&);
};

// Checks a window through the search itself: long patterns, or too near the end for a vector load. Kept
// out of line, so that the loops around it hold their vectors in registers.
[[gnu::noinline]] bool CheckBySearch(const TScanPlan& plan, const uint8_t* window) {
    return plan.Check(plan.Owner, window);
}

// Any processor: the anchors byte by byte, the candidates through the search itself.
namespace Portable {

class TBlock {
  public:
    TBlock(const TScanPlan& plan, const uint8_t* bytes) : Plan(plan), Bytes(bytes) {}
    uint32_t Mask(int64_t start) const {
        uint32_t mask = 0xFFFFFFFF;
        for (int a = 0; a < Plan.Anchors; ++a) {
            const uint8_t* at = Bytes + start + Plan.Anchor[a];
            for (int k = 0; k < 32; ++k)
                if (at[k] != Plan.Values[a][0] && at[k] != Plan.Values[a][1]) mask &= ~(uint32_t{1} << k);
        }
        return mask;
    }
    bool Quiet(int64_t start) const {
        return (Mask(start) | Mask(start + 32) | Mask(start + 64) | Mask(start + 96)) == 0;
    }
    void Prefetch(int64_t) const {}
    bool Check(int64_t window, int64_t) const { return CheckBySearch(Plan, Bytes + window); }
    uint32_t Verified(int64_t start) const {
        uint32_t mask = 0;
        for (int k = 0; k < 32; ++k)
            mask |= static_cast<uint32_t>(CheckBySearch(Plan, Bytes + start + k)) << k;
        return mask;
    }

  private:
    const TScanPlan& Plan;
    const uint8_t* Bytes;
};

#include "engine/search/ScanFilterLoops.inc"

constexpr TKernels Kernels[4] = {KernelsOf<TBlock>, KernelsOf<TBlock>, KernelsOf<TBlock>, KernelsOf<TBlock>};

} // namespace Portable

#if defined(NIBLO_SCAN_X86) && defined(__SSE2__)
// Every x86-64 has these: 16 windows per compare.
namespace Sse2 {

inline __m128i Load(const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Two: the anchors may accept two values each; else one, and half the compares do.
template <bool Two> __m128i AnyOf(const uint8_t* at, const uint8_t* values) {
    const __m128i data = Load(at);
    const __m128i first = _mm_cmpeq_epi8(data, _mm_set1_epi8(static_cast<char>(values[0])));
    if constexpr (!Two) return first;
    return _mm_or_si128(first, _mm_cmpeq_epi8(data, _mm_set1_epi8(static_cast<char>(values[1]))));
}

template <bool Two, bool Three> class TBlock {
  public:
    TBlock(const TScanPlan& plan, const uint8_t* bytes)
        : Plan(plan), Bytes(bytes), BaseA(bytes + plan.Anchor[0]), BaseB(bytes + plan.Anchor[1]),
          BaseC(bytes + plan.Anchor[2]) {}

    uint32_t Mask(int64_t start) const {
        return static_cast<uint32_t>(_mm_movemask_epi8(Candidates(start))) |
               (static_cast<uint32_t>(_mm_movemask_epi8(Candidates(start + 16))) << 16);
    }
    bool Quiet(int64_t start) const {
        __m128i any = Candidates(start);
        for (int k = 16; k < 128; k += 16)
            any = _mm_or_si128(any, Candidates(start + k));
        return _mm_movemask_epi8(any) == 0;
    }
    void Prefetch(int64_t start) const {
        _mm_prefetch(reinterpret_cast<const char*>(BaseA + start), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(BaseA + start + 64), _MM_HINT_T0);
    }
    bool Check(int64_t window, int64_t end) const {
        if (!Plan.RowsComplete || window + 32 > end) return CheckBySearch(Plan, Bytes + window);
        return (Accepted(window, 0) & Accepted(window, 16)) == 0xFFFF;
    }
    uint32_t Verified(int64_t start) const { return VerifiedHalf(start) | (VerifiedHalf(start + 16) << 16); }

  private:
    uint32_t VerifiedHalf(int64_t start) const {
        __m128i all = _mm_set1_epi8(-1);
        for (int k = 0; k < Plan.Checked; ++k) {
            const int i = Plan.CheckAt[k];
            const __m128i data = Load(Bytes + start + i);
            __m128i ok = _mm_cmpeq_epi8(data, Load(Plan.WideFirst[i]));
            if constexpr (Two) ok = _mm_or_si128(ok, _mm_cmpeq_epi8(data, Load(Plan.WideSecond[i])));
            all = _mm_and_si128(all, ok);
        }
        return static_cast<uint32_t>(_mm_movemask_epi8(all));
    }
    __m128i Candidates(int64_t start) const {
        const __m128i both = _mm_and_si128(AnyOf<Two>(BaseA + start, Plan.Values[0]),
                                           AnyOf<Two>(BaseB + start, Plan.Values[1]));
        if constexpr (!Three) return both;
        return _mm_and_si128(both, AnyOf<Two>(BaseC + start, Plan.Values[2]));
    }
    int Accepted(int64_t window, int half) const {
        const __m128i data = Load(Bytes + window + half);
        const __m128i ok = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(data, Load(Plan.First + half)),
                                                     _mm_cmpeq_epi8(data, Load(Plan.Second + half))),
                                        Load(Plan.Any + half));
        return _mm_movemask_epi8(ok);
    }

    const TScanPlan& Plan;
    const uint8_t* Bytes;
    const uint8_t* BaseA;
    const uint8_t* BaseB;
    const uint8_t* BaseC;
};

#include "engine/search/ScanFilterLoops.inc"

constexpr TKernels Kernels[4] = {KernelsOf<TBlock<false, false>>, KernelsOf<TBlock<true, false>>,
                                 KernelsOf<TBlock<false, true>>, KernelsOf<TBlock<true, true>>};

} // namespace Sse2

// 32 windows per compare, where the processor has them.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,popcnt")
#endif
namespace Avx2 {

inline __m256i Load(const uint8_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

template <bool Two> __m256i AnyOf(const uint8_t* at, const uint8_t* values) {
    const __m256i data = Load(at);
    const __m256i first = _mm256_cmpeq_epi8(data, _mm256_set1_epi8(static_cast<char>(values[0])));
    if constexpr (!Two) return first;
    return _mm256_or_si256(first, _mm256_cmpeq_epi8(data, _mm256_set1_epi8(static_cast<char>(values[1]))));
}

template <bool Two, bool Three> class TBlock {
  public:
    TBlock(const TScanPlan& plan, const uint8_t* bytes)
        : Plan(plan), Bytes(bytes), BaseA(bytes + plan.Anchor[0]), BaseB(bytes + plan.Anchor[1]),
          BaseC(bytes + plan.Anchor[2]) {}

    uint32_t Mask(int64_t start) const {
        return static_cast<uint32_t>(_mm256_movemask_epi8(Candidates(start)));
    }
    bool Quiet(int64_t start) const {
        const __m256i any = _mm256_or_si256(_mm256_or_si256(Candidates(start), Candidates(start + 32)),
                                            _mm256_or_si256(Candidates(start + 64), Candidates(start + 96)));
        return _mm256_testz_si256(any, any) != 0;
    }
    void Prefetch(int64_t start) const {
        _mm_prefetch(reinterpret_cast<const char*>(BaseA + start), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(BaseA + start + 64), _MM_HINT_T0);
    }
    bool Check(int64_t window, int64_t end) const {
        if (!Plan.RowsComplete || window + 32 > end) return CheckBySearch(Plan, Bytes + window);
        const __m256i data = Load(Bytes + window);
        const __m256i ok = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(data, Load(Plan.First)),
                                                           _mm256_cmpeq_epi8(data, Load(Plan.Second))),
                                           Load(Plan.Any));
        return _mm256_movemask_epi8(ok) == -1;
    }
    uint32_t Verified(int64_t start) const {
        __m256i all = _mm256_set1_epi8(-1);
        for (int k = 0; k < Plan.Checked; ++k) {
            const int i = Plan.CheckAt[k];
            const __m256i data = Load(Bytes + start + i);
            __m256i ok = _mm256_cmpeq_epi8(data, Load(Plan.WideFirst[i]));
            if constexpr (Two) ok = _mm256_or_si256(ok, _mm256_cmpeq_epi8(data, Load(Plan.WideSecond[i])));
            all = _mm256_and_si256(all, ok);
        }
        return static_cast<uint32_t>(_mm256_movemask_epi8(all));
    }

  private:
    __m256i Candidates(int64_t start) const {
        const __m256i both = _mm256_and_si256(AnyOf<Two>(BaseA + start, Plan.Values[0]),
                                              AnyOf<Two>(BaseB + start, Plan.Values[1]));
        if constexpr (!Three) return both;
        return _mm256_and_si256(both, AnyOf<Two>(BaseC + start, Plan.Values[2]));
    }

    const TScanPlan& Plan;
    const uint8_t* Bytes;
    const uint8_t* BaseA;
    const uint8_t* BaseB;
    const uint8_t* BaseC;
};

#include "engine/search/ScanFilterLoops.inc"

constexpr TKernels Kernels[4] = {KernelsOf<TBlock<false, false>>, KernelsOf<TBlock<true, false>>,
                                 KernelsOf<TBlock<false, true>>, KernelsOf<TBlock<true, true>>};

} // namespace Avx2
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

// The loops in use, for anchors of one value and of two, two anchors and three.
const TKernels* Active = nullptr;

const TKernels& Kernels(const TScanPlan& plan) {
    if (!Active) UseScanKernel(TScanKernel::Best);
    bool two = false;
    for (int a = 0; a < plan.Anchors; ++a)
        two = two || plan.Values[a][0] != plan.Values[a][1];
    return Active[int{two} + 2 * int{plan.Anchors == 3}];
}

} // namespace

bool ScanKernelAvailable(TScanKernel kernel) {
#if defined(NIBLO_SCAN_X86) && defined(__SSE2__)
    (void)kernel;
    return true;
#else
    return kernel != TScanKernel::Sse2;
#endif
}

void UseScanKernel(TScanKernel kernel) {
    Active = Portable::Kernels;
#if defined(NIBLO_SCAN_X86) && defined(__SSE2__)
    if (kernel == TScanKernel::Sse2) Active = Sse2::Kernels;
    if (kernel == TScanKernel::Best)
        Active = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") ? Avx2::Kernels
                                                                                    : Sse2::Kernels;
#else
    (void)kernel;
#endif
}

int64_t FilterFirst(const TScanPlan& plan, const uint8_t* bytes, int64_t lo, int64_t hi) {
    return Kernels(plan).First(plan, bytes, lo, hi);
}

int64_t FilterLast(const TScanPlan& plan, const uint8_t* bytes, int64_t lo, int64_t hi) {
    return Kernels(plan).Last(plan, bytes, lo, hi);
}

int64_t FilterCount(const TScanPlan& plan, const uint8_t* bytes, int64_t lo, int64_t hi, bool down,
                    int64_t& last) {
    const TKernels& kernels = Kernels(plan);
    return down ? kernels.CountDown(plan, bytes, lo, hi, last) : kernels.CountUp(plan, bytes, lo, hi, last);
}

int64_t FilterCountAll(const TScanPlan& plan, const uint8_t* bytes, int64_t lo, int64_t hi, bool down,
                       int64_t& last) {
    if (!Active) UseScanKernel(TScanKernel::Best);
    return Active[int{plan.RowsTwo}].CountAll(plan, bytes, lo, hi, down, last);
}
