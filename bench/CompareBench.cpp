// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing two files held in memory (as the page cache holds them): byte by byte against a memcmp pass over
// both, and across insertions (one byte inserted at the front; 1,000 small random edits) against byte by byte
// over the same files. Every ratio runs engine and baseline on the same buffers.
#include "BenchSupport.h"
#include "RoundRatio.h"

#include "engine/compare/AlignCompare.h"
#include "engine/compare/ByteCompare.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

using TBytes = std::vector<uint8_t>;

// 1 GiB a side: the 4 GiB of the first goal halved twice to fit beside other work on a shared machine.
constexpr int64_t Size = int64_t{1} << 30;
constexpr int Edits = 1000;
constexpr int Rounds = 5;

[[noreturn]] void Wrong(const char* what) {
    std::fprintf(stderr, "compare benchmark: %s went wrong\n", what);
    std::exit(1);
}

// Bytes that lie in memory, visited in place, as a file mapped from the page cache is.
class TInPlace final : public Engine::TPieceSource {
  public:
    explicit TInPlace(const TBytes& bytes) : Data(bytes) {}
    const uint8_t* Bytes(int64_t offset) const override { return Data.data() + offset; }
    int64_t Read(int64_t offset, std::span<uint8_t> into) const override {
        std::memcpy(into.data(), Data.data() + offset, into.size());
        return static_cast<int64_t>(into.size());
    }

  private:
    const TBytes& Data;
};

Engine::TStoreSnapshot Snapshot(Engine::TPieceStore& store, const TBytes& bytes) {
    store.Load(std::make_shared<TInPlace>(bytes), static_cast<TCount>(bytes.size()));
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

// The floor: memcmp over both buffers a block at a time, never stopping at a difference.
double MemcmpPass(const TBytes& a, const TBytes& b) {
    constexpr size_t Block = size_t{64} << 10;
    int sum = 0;
    const double start = NowSeconds();
    for (size_t i = 0; i < a.size(); i += Block)
        sum += std::memcmp(a.data() + i, b.data() + i, std::min(Block, a.size() - i)) != 0;
    const double seconds = NowSeconds() - start;
    if (sum < 0) Wrong("the floor");
    return seconds;
}

struct TCompareRatios {
    double Bytes = 0, Front = 0, Sparse = 0;
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
                                        [&] { return MemcmpPass(a, b); }, Rounds);
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
        // 1,000 overwrites, insertions and deletions of 1 to 16 bytes, far apart.
        TBytes b = a;
        std::mt19937_64 random(2);
        TCount planted = 0;
        for (int i = 0; i < Edits; ++i) {
            const size_t at = random() % (b.size() - 16), length = 1 + random() % 16;
            const TBytes bytes = RandomBytes(16, random());
            switch (random() % 3) {
            case 0:
                std::memcpy(b.data() + at, bytes.data(), length);
                break;
            case 1:
                b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(),
                         bytes.begin() + static_cast<std::ptrdiff_t>(length));
                break;
            default:
                b.erase(b.begin() + static_cast<std::ptrdiff_t>(at),
                        b.begin() + static_cast<std::ptrdiff_t>(at + length));
            }
            planted += static_cast<TCount>(length);
        }
        const auto sb = Snapshot(storeB, b);
        if (Compare::CompareAligned(sa, sb).Bytes * 10 > planted * 11) Wrong("the script of 1,000 edits");
        ratios.Sparse = InterleavedRatio([&] { return Timed(Compare::CompareAligned, sa, sb, size); },
                                         [&] { return Timed(Compare::CompareBytes, sa, sb, size); }, Rounds);
    }
    return ratios;
}

[[maybe_unused]] const bool Registered = [] {
    RegisterGoal("compare: byte by byte, 1 GiB a side, 1,000 differences / memcmp pass", 1.3,
                 [] { return Measure().Bytes; });
    RegisterGoal("compare: across insertions, 1 GiB + 1 byte at the front / byte by byte", 5,
                 [] { return Measure().Front; });
    RegisterGoal("compare: across insertions, 1 GiB with 1,000 small edits / byte by byte", 5,
                 [] { return Measure().Sparse; });
    return true;
}();

} // namespace
