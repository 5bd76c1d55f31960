// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing two files held in memory (as the page cache holds them): byte by byte against the floor, a pass
// that reads both at memcmp speed; across insertions (one byte inserted at the front; 1,000 small random
// edits) against byte by byte over the same files, and against the floor. Engine and baseline run on the
// same buffers.
#include "BenchSupport.h"
#include "InPlaceSource.h"
#include "Floor.h"
#include "RoundRatio.h"

#include "engine/compare/AlignCompare.h"
#include "engine/compare/ByteCompare.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <random>

namespace {

using TBytes = std::vector<uint8_t>;

// 512 MiB a side: the sizes of the goals (4 GiB and 1 GiB) cut to fit beside other work on a shared machine.
constexpr int64_t Size = int64_t{512} << 20;
constexpr int Edits = 1000;
constexpr int Rounds = 5;

[[noreturn]] void Wrong(const char* what) {
    std::fprintf(stderr, "compare benchmark: %s went wrong\n", what);
    std::exit(1);
}

Engine::TStoreSnapshot Snapshot(Engine::TPieceStore& store, const TBytes& bytes) {
    store.Load(std::make_shared<TInPlaceSource>(bytes), static_cast<TCount>(bytes.size()));
    return store.Snapshot();
}

TBytes RandomBytes(int64_t size, uint64_t seed) {
    TBytes bytes(static_cast<size_t>(size));
    std::mt19937_64 random(seed);
    for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
        const uint64_t value = random();
        std::memcpy(bytes.data() + i, &value, 8);
    }
    return bytes;
}

// Seconds for a comparison; checks what it found.
template <typename TCompare>
double Timed(TCompare compare, const Engine::TStoreSnapshot& a, const Engine::TStoreSnapshot& b,
             TCount& scriptSize) {
    const double start = NowSeconds();
    const Compare::TCompareResult result = compare(a, b, {});
    const double seconds = NowSeconds() - start;
    if (result.Status != Compare::TCompareStatus::Done) Wrong("a comparison");
    scriptSize = result.Bytes;
    return seconds;
}

// The floor: one vector pass that reads every byte of both buffers (memcmp itself would stop at the first
// difference of each block, and out-of-step files differ at once).
double FloorPass(const TBytes& a, const TBytes& b) {
    const double start = NowSeconds();
    int64_t sum = FloorCount(a.data(), a.size(), 0) + FloorCount(b.data(), b.size(), 0);
    benchmark::DoNotOptimize(sum);
    return NowSeconds() - start;
}

struct TCompareRatios {
    double Bytes = 0, Front = 0, Sparse = 0, SparseFloor = 0;
};

const TCompareRatios& Measure() {
    static TCompareRatios ratios;
    static bool measured = false;
    if (measured) return ratios;
    measured = true;
    const TBytes a = RandomBytes(Size, 38);
    TCount size = 0;
    Engine::TPieceStore storeA, storeB;
    const auto sa = Snapshot(storeA, a);
    {
        // Sparse differences at equal places: the common case of two builds of one file.
        TBytes b = a;
        std::mt19937_64 random(1);
        for (int i = 0; i < Edits; ++i)
            b[random() % b.size()] ^= 0x5A;
        const auto sb = Snapshot(storeB, b);
        ratios.Bytes = InterleavedRatio([&] { return Timed(Compare::CompareBytes, sa, sb, size); },
                                        [&] { return FloorPass(a, b); }, Rounds);
    }
    {
        TBytes b(a.size() + 1);
        b[0] = 'x';
        std::memcpy(b.data() + 1, a.data(), a.size());
        const auto sb = Snapshot(storeB, b);
        const auto result = Compare::CompareAligned(sa, sb);
        if (result.Runs != std::vector<Compare::TDiffRun>{{Compare::TDiffKind::Inserted, 1, 1, 1}})
            Wrong("one byte inserted at the front");
        ratios.Front = InterleavedRatio([&] { return Timed(Compare::CompareAligned, sa, sb, size); },
                                        [&] { return Timed(Compare::CompareBytes, sa, sb, size); }, Rounds);
    }
    {
        // 1,000 overwrites, insertions and deletions of 1 to 16 bytes at random places, made in one pass.
        std::mt19937_64 random(2);
        std::vector<size_t> places(Edits);
        for (size_t& at : places)
            at = random() % (a.size() - 16);
        std::sort(places.begin(), places.end());
        TBytes b;
        b.reserve(a.size() + Edits * 16);
        size_t from = 0;
        TCount planted = 0;
        for (const size_t at : places) {
            if (at < from) continue; // inside the last deletion or overwrite
            b.insert(b.end(), a.begin() + static_cast<std::ptrdiff_t>(from),
                     a.begin() + static_cast<std::ptrdiff_t>(at));
            const size_t length = 1 + random() % 16;
            const TBytes bytes = RandomBytes(16, random());
            const auto kind = random() % 3;
            if (kind != 2)
                b.insert(b.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
            from = kind == 1 ? at : at + length;
            planted += static_cast<TCount>(length);
        }
        b.insert(b.end(), a.begin() + static_cast<std::ptrdiff_t>(from), a.end());
        const auto sb = Snapshot(storeB, b);
        if (Compare::CompareAligned(sa, sb).Bytes * 10 > planted * 11) Wrong("the script of 1,000 edits");
        ratios.Sparse = InterleavedRatio([&] { return Timed(Compare::CompareAligned, sa, sb, size); },
                                         [&] { return Timed(Compare::CompareBytes, sa, sb, size); }, Rounds);
        // Byte by byte is slow where the files are out of step; the floor shows the cost in plain terms.
        ratios.SparseFloor = InterleavedRatio([&] { return Timed(Compare::CompareAligned, sa, sb, size); },
                                              [&] { return FloorPass(a, b); }, Rounds);
    }
    return ratios;
}

[[maybe_unused]] const bool Registered = [] {
    RegisterGoal("compare: byte by byte, 512 MiB a side, 1,000 differences / floor pass over both", 1.3,
                 [] { return Measure().Bytes; });
    RegisterGoal("compare: across insertions, 512 MiB + 1 byte at the front / byte by byte", 5,
                 [] { return Measure().Front; });
    RegisterGoal("compare: across insertions, 512 MiB with 1,000 small edits / byte by byte", 5,
                 [] { return Measure().Sparse; });
    RegisterGoal("compare: across insertions, 512 MiB with 1,000 small edits / floor pass over both", 0,
                 [] { return Measure().SparseFloor; });
    return true;
}();

} // namespace
