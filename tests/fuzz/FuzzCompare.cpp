// SPDX-License-Identifier: GPL-3.0-or-later
// The comparers against the edits that made B from A: the gap aligner on its own (with a small bound, so that
// both its search and its fallback run) and both whole comparisons over pieced snapshots. Every script must
// turn A into B exactly; byte by byte must report exactly the differing bytes.
#include "FuzzSupport.h"

#include "common/CompareCheck.h"
#include "engine/compare/AlignCompare.h"
#include "engine/compare/ByteCompare.h"
#include "engine/compare/GapAligner.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

using TBytes = std::vector<uint8_t>;

// The aligner's runs are 0-based; the checker's 1-based.
std::vector<Compare::TDiffRun> FromOne(std::vector<Compare::TDiffRun> runs) {
    for (auto& run : runs) {
        ++run.A;
        ++run.B;
    }
    return runs;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Compare;
    FuzzedDataProvider input(data, size);
    // A few values make chance matches and repeated chunks common; sometimes long runs of one value.
    const int alphabet = input.ConsumeIntegralInRange<int>(1, 256);
    TBytes a;
    const size_t length = input.ConsumeIntegralInRange<size_t>(0, 40000);
    const uint32_t seed = input.ConsumeIntegral<uint32_t>();
    for (size_t i = 0, x = seed; i < length; ++i) {
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        a.push_back(static_cast<uint8_t>((x >> 33) % static_cast<size_t>(alphabet)));
    }
    TBytes b = a;
    while (input.remaining_bytes() > 0) {
        const size_t at = input.ConsumeIntegralInRange<size_t>(0, b.size());
        const size_t n = input.ConsumeIntegralInRange<size_t>(0, 3000);
        const uint8_t value = input.ConsumeIntegral<uint8_t>();
        switch (input.ConsumeIntegralInRange<int>(0, 2)) {
        case 0:
            for (size_t i = at; i < std::min(b.size(), at + n); ++i)
                b[i] ^= value | 1;
            break;
        case 1:
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), n, value);
            break;
        default:
            b.erase(b.begin() + static_cast<std::ptrdiff_t>(at),
                    b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), at + n)));
        }
    }

    const TBytes small(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(a.size(), 2000)));
    const TBytes smallB(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(b.size(), 2000)));
    const auto gap = ApplyScript(small, smallB, FromOne(AlignGap(small, smallB, 40)));
    FUZZ_CHECK(gap && *gap == smallB);

    const auto sa = PiecedSnapshot(a, seed), sb = PiecedSnapshot(b, seed + 1);
    const TCompareResult aligned = CompareAligned(sa, sb);
    FUZZ_CHECK(aligned.Status == TCompareStatus::Done);
    const auto made = ApplyScript(a, b, aligned.Runs);
    FUZZ_CHECK(made && *made == b);

    const TCompareResult bytes = CompareBytes(sa, sb);
    const auto same = ApplyScript(a, b, bytes.Runs);
    FUZZ_CHECK(same && *same == b);
    TCount differing = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        differing += a[i] != b[i];
    FUZZ_CHECK(bytes.Bytes ==
               differing + static_cast<TCount>(std::max(a.size(), b.size()) - std::min(a.size(), b.size())));
    return 0;
}
