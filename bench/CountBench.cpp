#include "BenchSupport.h"
#include "RoundRatio.h"

#include "engine/ByteStore.h"
#include "engine/EngineState.h"
#include "engine/HostScopes.h"
#include "engine/Search.h"
#include "engine/SearchRequest.h"

#include <cstdio>
#include <cstring>

// Count on dense hits: the position-based progress between hits against the same count without any
// progress reporting.
namespace {

constexpr int32_t Size = int32_t{256} << 20;
constexpr int32_t Spacing = 16; // every 16th byte starts a hit
constexpr int Rounds = 7;

void ReportDenseCount() {
    ResetBenchEngine();
    Engine::AllocateBuffer();
    Engine::BufferArray->ReAlloc(Engine::FileBuffer, Engine::CapacityFor(Size));
    Engine::Capacity = Engine::BufferArray->ByteSize;
    std::memset(Engine::FileBuffer, 'x', Size);
    for (int32_t i = 0; i + 1 < Size; i += Spacing) {
        Engine::FileBuffer[i] = 'a';
        Engine::FileBuffer[i + 1] = 'b';
    }
    Engine::FileSize = Size;
    Engine::FileOpen = true;
    Engine::SearchRequest.Pattern = {'a', 'b'};
    Engine::SearchRequest.CaseSensitive = true;
    Engine::SearchRequest.JokerEnabled = false;
    const int32_t expected = Size / Spacing;
    bool right = true;

    auto counted = [&] {
        const double start = NowSeconds();
        Engine::TCountResult result;
        {
            TProgressScope progress("", "");
            result = Engine::CountMatches(true, 1);
        }
        const double seconds = NowSeconds() - start;
        right = right && result.Count == expected;
        return seconds;
    };
    // The same scans hit after hit, with no hook and no position checks.
    auto bare = [&] {
        const double start = NowSeconds();
        int32_t count = 0;
        int32_t pos = 1;
        for (;;) {
            const int32_t hit = Engine::QSearch.ScanDown(Engine::SearchRequest.Pattern, Engine::FileBuffer,
                                                         Engine::FileSize, true, false, 0, pos, nullptr);
            if (hit <= 0) break;
            ++count;
            pos = hit + 2;
        }
        const double seconds = NowSeconds() - start;
        right = right && count == expected;
        return seconds;
    };
    const double ratio = InterleavedRatio(counted, bare, Rounds);
    std::printf(
        "Count of a 2-byte pattern, a hit every %d bytes of 256 MiB (median of %d interleaved rounds):\n"
        "  with progress / without                 %6.2f  (goal <= 1.5)%s\n\n",
        Spacing, Rounds, ratio, right ? "" : "  WRONG COUNT");
    ResetBenchEngine();
}

const bool Registered = [] {
    RegisterReport(ReportDenseCount);
    return true;
}();

} // namespace
