// SPDX-License-Identifier: GPL-3.0-or-later
// Count over 256 MiB held in the engine, with rare hits and with a hit every 16 bytes, against the floor over
// the same buffer, by turns in every round.
#include "BenchData.h"
#include "common/TestDocument.h"
#include "BenchSupport.h"
#include "RoundRatio.h"

#include "engine/document/EngineState.h"
#include "engine/document/HostScopes.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int Rounds = 11;

double CountRatio(TData data, const std::string& pattern, int32_t expected) {
    LoadIntoEngine(data);
    TestApp().SearchRequest.Pattern.assign(pattern.begin(), pattern.end());
    TestApp().SearchRequest.CaseSensitive = true;
    TestApp().SearchRequest.JokerEnabled = false;
    auto counted = [&] {
        const double start = NowSeconds();
        Engine::TCountResult result;
        {
            TProgressScope progress(*TestApp().Host, "", "");
            result = Engine::CountMatches(TestDoc(), true, 1);
        }
        const double seconds = NowSeconds() - start;
        if (result.Count != expected || !result.Completed) {
            std::fprintf(stderr, "Count gave %lld, not %lld\n", static_cast<long long>(result.Count),
                         static_cast<long long>(expected));
            std::exit(1);
        }
        return seconds;
    };
    return InterleavedRatio(counted, FloorSeconds, Rounds);
}

const bool Registered = [] {
    for (TData data : {TData::Random, TData::Text})
        RegisterGoal(std::string("Count 6 B ") + DataName(data) + ", rare hits / floor", 1.3,
                     [data] { return CountRatio(data, Planted.substr(0, 6), 2); });
    RegisterGoal("Count 8 B random, a hit per 16 B / floor", 1.3, [] {
        return CountRatio(TData::Dense, ReplacePattern, static_cast<int32_t>(DataSize / DenseSpacing));
    });
    return true;
}();

} // namespace
