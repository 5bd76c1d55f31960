// SPDX-License-Identifier: GPL-3.0-or-later
// Find all over 1 GiB of random bytes held in memory (as the page cache holds a file, visited in place)
// against the floor over the same buffer, by turns in every round: a 6-byte text with rare hits and with a
// hit every 4 KiB (every row kept), a 4-byte integer in any width and order, a regular expression with a
// literal prefix, and UTF-16LE text without regard to case.
#include "BenchSupport.h"
#include "InPlaceSource.h"
#include "Floor.h"
#include "RoundRatio.h"

#include "engine/search/FindAll.h"
#include "engine/search/NumberPattern.h"
#include "engine/search/RegexPattern.h"
#include "engine/search/UnicodePattern.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

namespace {

using TBytes = std::vector<uint8_t>;

constexpr int64_t Size = int64_t{1} << 30;
constexpr int64_t Spacing = 4096;
constexpr int Rounds = 7;

// Random bytes with the same plants at both ends, and every Spacing bytes when dense.
TBytes& Data(bool dense) {
    static TBytes bytes;
    static int kind = -1;
    if (kind == int{dense}) return bytes;
    if (bytes.empty()) {
        bytes.resize(static_cast<size_t>(Size));
        std::mt19937_64 random(39);
        for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
            const uint64_t value = random();
            std::memcpy(bytes.data() + i, &value, 8);
        }
    }
    kind = int{dense};
    auto plant = [&](int64_t at, const std::string& text) {
        std::memcpy(bytes.data() + at, text.data(), text.size());
    };
    for (const int64_t at : {int64_t{501}, Size - 1000}) {
        plant(at, "ropes!");
        plant(at + 20, "\x78\x56\x34\x12");
        plant(at + 40, "needle42x");
        plant(at + 60, std::string("S\0t\0R\0a\0N\0d\0", 12));
    }
    for (int64_t at = 4000; at + 6 < Size - 2000; at += Spacing)
        plant(at, dense ? "ropes!" : "blank!");
    return bytes;
}

double FindSeconds(const Engine::TStoreSnapshot& snapshot, const Engine::TFindPattern& pattern,
                   TCount expected) {
    Engine::TFindAllOptions options;
    options.MaxRows = 1 << 20;
    const double start = NowSeconds();
    const Engine::TFindAllResult result = Engine::FindAll(snapshot, pattern, options);
    const double seconds = NowSeconds() - start;
    // Random bytes may hold a short number by chance: then at least the plants.
    if (result.Status != Engine::TFindAllStatus::Done ||
        (expected >= 0 ? result.Count != expected : result.Count < 2)) {
        std::fprintf(stderr, "Find all found %lld, not %lld\n", static_cast<long long>(result.Count),
                     static_cast<long long>(expected));
        std::exit(1);
    }
    return seconds;
}

double FindRatio(const Engine::TFindPattern& pattern, bool dense, TCount expected) {
    const TBytes& bytes = Data(dense);
    Engine::TPieceStore store;
    store.Load(std::make_shared<TInPlaceSource>(bytes), static_cast<TCount>(bytes.size()));
    const Engine::TStoreSnapshot snapshot = store.Snapshot();
    auto floor = [&] {
        const double start = NowSeconds();
        int64_t count = FloorCount(bytes.data(), bytes.size(), 0);
        benchmark::DoNotOptimize(count);
        return NowSeconds() - start;
    };
    return InterleavedRatio([&] { return FindSeconds(snapshot, pattern, expected); }, floor, Rounds);
}

template <typename TPattern>
const TPattern& Made(std::unique_ptr<TPattern> pattern, const std::string& error) {
    if (!pattern) {
        std::fprintf(stderr, "pattern refused: %s\n", error.c_str());
        std::exit(1);
    }
    static std::vector<std::unique_ptr<Engine::TFindPattern>> kept;
    kept.push_back(std::move(pattern));
    return static_cast<const TPattern&>(*kept.back());
}

const bool Registered = [] {
    RegisterGoal("Find all 6 B, 1 GiB, rare hits / floor", 1.3, [] {
        std::string error;
        const auto& text =
            Made(Engine::TUnicodePattern::Make("ropes!", Engine::TTextEncoding::Utf8, true, error), error);
        return FindRatio(text, false, 2);
    });
    RegisterGoal("Find all 6 B, 1 GiB, a hit per 4 KiB, rows kept / floor", 2, [] {
        std::string error;
        const auto& text =
            Made(Engine::TUnicodePattern::Make("ropes!", Engine::TTextEncoding::Utf8, true, error), error);
        TCount planted = 2;
        for (int64_t at = 4000; at + 6 < Size - 2000; at += Spacing)
            ++planted;
        return FindRatio(text, true, planted);
    });
    RegisterGoal("Find all 4-byte integer, any width and order, 1 GiB / floor", 2, [] {
        std::string error;
        const auto& number = Made(
            Engine::TNumberPattern::Make(
                {"0x12345678", Engine::TNumberKind::Signed, 0, Engine::TNumberOrder::Either, "", 1}, error),
            error);
        return FindRatio(number, false, -1);
    });
    RegisterGoal("Find all regular expression with a literal prefix, 1 GiB / floor", 2, [] {
        std::string error;
        const auto& regex = Made(
            Engine::TRegexPattern::Make("needle[0-9]+x", true, Engine::DefaultLongestMatch, error), error);
        return FindRatio(regex, false, 2);
    });
    RegisterGoal("Find all UTF-16LE text, any case, 1 GiB / floor", 1.5, [] {
        std::string error;
        const auto& text = Made(
            Engine::TUnicodePattern::Make("strand", Engine::TTextEncoding::Utf16Le, false, error), error);
        return FindRatio(text, false, 2);
    });
    return true;
}();

} // namespace
