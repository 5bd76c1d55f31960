#include "BenchSupport.h"

#include "engine/ByteStore.h"
#include "engine/EngineState.h"
#include "engine/Replace.h"
#include "engine/Search.h"
#include "engine/SearchRequest.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Search and Replace all over 256 MiB held in the engine, against glibc memmem over the same bytes.
namespace {

using TBytes = std::vector<uint8_t>;

constexpr int64_t Size = int64_t{256} << 20;
constexpr int32_t FirstPlant = 501;                              // a hit near the start, for the scans up
constexpr int32_t LastPlant = static_cast<int32_t>(Size - 1000); // and one near the end, for the scans down
constexpr int32_t DownFrom = 1001; // past the first plant: a scan down crosses the whole file
constexpr int32_t UpFrom =
    static_cast<int32_t>(Size - 2000); // before the last plant: a scan up crosses it all
constexpr int64_t HitSpacing = 4096;   // Replace all: one hit per 4 KiB

const std::string Planted = "strands of ropes"; // never produced by the generators below
const std::string ReplacePattern = "needle!!";

enum TData : int { RandomBytes = 0, EnglishText = 1, ReplaceData = 2 };

uint64_t NextRandom(uint64_t& state) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

TBytes MakeRandom(uint64_t seed) {
    TBytes bytes(static_cast<size_t>(Size));
    for (size_t i = 0; i < bytes.size(); i += 8) {
        uint64_t v = NextRandom(seed);
        std::memcpy(bytes.data() + i, &v, 8);
    }
    return bytes;
}

// Words with English letter and word frequencies, sentences and line breaks.
TBytes MakeText() {
    static const char* const Words[] = {
        "the",     "of",     "and",     "to",      "in",      "a",       "is",     "that",    "for",
        "it",      "as",     "was",     "with",    "be",      "by",      "on",     "not",     "he",
        "this",    "are",    "or",      "his",     "from",    "at",      "which",  "but",     "have",
        "an",      "had",    "they",    "you",     "were",    "their",   "one",    "all",     "we",
        "can",     "her",    "has",     "there",   "been",    "if",      "more",   "when",    "will",
        "would",   "who",    "so",      "no",      "she",     "other",   "its",    "may",     "these",
        "about",   "them",   "than",    "some",    "time",    "into",    "only",   "do",      "could",
        "new",     "then",   "first",   "any",     "my",      "now",     "such",   "like",    "our",
        "over",    "man",    "me",      "even",    "most",    "made",    "after",  "also",    "did",
        "many",    "before", "must",    "through", "years",   "where",   "much",   "your",    "way",
        "down",    "should", "because", "each",    "just",    "those",   "people", "how",     "too",
        "little",  "state",  "good",    "very",    "make",    "world",   "still",  "own",     "see",
        "men",     "work",   "long",    "get",     "here",    "between", "both",   "life",    "being",
        "under",   "never",  "day",     "same",    "another", "know",    "while",  "last",    "might",
        "us",      "great",  "old",     "year",    "off",     "come",    "since",  "against", "go",
        "came",    "right",  "used",    "take",    "three",   "harbor",  "stone",  "river",   "quiet",
        "morning", "window", "garden",  "letter",  "street",  "rope",
    };
    constexpr size_t WordCount = sizeof(Words) / sizeof(Words[0]);
    TBytes bytes;
    bytes.reserve(static_cast<size_t>(Size) + 64);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    bool capital = true;
    while (bytes.size() < static_cast<size_t>(Size)) {
        uint64_t r = NextRandom(state);
        // Frequent words far more often than rare ones (roughly Zipf: the smaller of two draws).
        size_t a = r % WordCount, b = (r >> 20) % WordCount;
        const char* word = Words[a < b ? a : b];
        size_t start = bytes.size();
        bytes.insert(bytes.end(), word, word + std::strlen(word));
        if (capital) bytes[start] = static_cast<uint8_t>(bytes[start] - 32);
        capital = false;
        uint64_t punctuation = (r >> 40) % 100;
        if (punctuation < 7) {
            bytes.push_back('.');
            capital = true;
        } else if (punctuation < 12) {
            bytes.push_back(',');
        }
        bytes.push_back(punctuation == 0 ? '\n' : ' ');
    }
    bytes.resize(static_cast<size_t>(Size));
    return bytes;
}

void Plant(TBytes& bytes, int64_t address, const std::string& text) {
    std::memcpy(bytes.data() + address - 1, text.data(), text.size());
}

const TBytes& Data(int kind) {
    static TBytes data[3];
    TBytes& bytes = data[kind];
    if (bytes.empty()) {
        if (kind == ReplaceData) {
            bytes = MakeRandom(0x243F6A8885A308D3ull);
            for (int64_t at = 1; at + 8 <= Size; at += HitSpacing)
                Plant(bytes, at + 100, ReplacePattern);
        } else {
            bytes = kind == RandomBytes ? MakeRandom(0x13198A2E03707344ull) : MakeText();
            Plant(bytes, FirstPlant, Planted);
            Plant(bytes, LastPlant, Planted);
        }
    }
    return bytes;
}

// The engine holding one of the data sets as an open file, loaded again only when another one is wanted.
int LoadedKind = -1;

void LoadEngine(int kind) {
    if (LoadedKind == kind) return;
    const TBytes& bytes = Data(kind);
    ResetBenchEngine();
    Engine::AllocateBuffer();
    Engine::BufferArray->ReAlloc(Engine::FileBuffer, Engine::CapacityFor(static_cast<int32_t>(bytes.size())));
    Engine::Capacity = Engine::BufferArray->ByteSize;
    std::memcpy(Engine::FileBuffer, bytes.data(), bytes.size());
    Engine::FileSize = static_cast<int32_t>(bytes.size());
    Engine::FileOpen = true;
    Engine::BottomAddress = Engine::PageBytes;
    LoadedKind = kind;
}

void Request(const std::string& pattern, const std::string& replacement, bool caseSensitive, bool joker) {
    Engine::SearchRequest.Pattern.assign(pattern.begin(), pattern.end());
    Engine::SearchRequest.Replacement.assign(replacement.begin(), replacement.end());
    Engine::SearchRequest.CaseSensitive = caseSensitive;
    Engine::SearchRequest.JokerEnabled = joker;
    Engine::SearchRequest.JokerChar = '.';
}

// --- Scans -------------------------------------------------------------------------------------------------

// memmem from the same start to the hit near the end.
void BM_Memmem(benchmark::State& state) {
    const TBytes& bytes = Data(static_cast<int>(state.range(0)));
    const size_t length = static_cast<size_t>(state.range(1));
    const uint8_t* from = bytes.data() + DownFrom - 1;
    for (auto _ : state) {
        const void* hit = memmem(from, bytes.size() - (DownFrom - 1), Planted.data(), length);
        benchmark::DoNotOptimize(hit);
        if (static_cast<const uint8_t*>(hit) != bytes.data() + LastPlant - 1)
            state.SkipWithError("wrong hit");
    }
    state.SetBytesProcessed(state.iterations() * Size);
}

enum TScan : int { Exact = 0, Folded = 1, Joker = 2, Up = 3 };

void BM_Scan(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const size_t length = static_cast<size_t>(state.range(1));
    const auto scan = static_cast<TScan>(state.range(2));
    LoadEngine(kind);
    std::string pattern = Planted.substr(0, length);
    if (scan == Folded)
        for (char& c : pattern)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (scan == Joker) pattern[3] = '.';
    Request(pattern, "", scan != Folded, scan == Joker);
    const int32_t expected = scan == Up ? FirstPlant : LastPlant;
    for (auto _ : state) {
        Engine::LastFoundAddress = 0;
        int32_t pos = scan == Up ? UpFrom : DownFrom;
        Engine::TFindResult found = scan == Up ? Engine::FindBackward(pos) : Engine::FindForward(pos, false);
        if (!found.Found || pos != expected) state.SkipWithError("wrong hit");
    }
    state.SetBytesProcessed(state.iterations() * Size);
}

// --- Replace all
// -----------------------------------------------------------------------------------------------

// memmem counting the hits that Replace all replaces.
int64_t CountWithMemmem(const uint8_t* bytes, size_t size) {
    int64_t count = 0;
    const uint8_t* end = bytes + size;
    for (const uint8_t* p = bytes; p < end; ++count) {
        p = static_cast<const uint8_t*>(memmem(p, static_cast<size_t>(end - p), ReplacePattern.data(), 8));
        if (!p) break;
        p += 8;
    }
    return count;
}

void BM_MemmemCount(benchmark::State& state) {
    const TBytes& bytes = Data(ReplaceData);
    for (auto _ : state)
        benchmark::DoNotOptimize(CountWithMemmem(bytes.data(), bytes.size()));
    state.SetBytesProcessed(state.iterations() * Size);
}

// The least a length-changing Replace all can do: find the hits, then move every byte once.
void BM_MemmemCountAndMemmove(benchmark::State& state) {
    const TBytes& source = Data(ReplaceData);
    TBytes bytes(source.size() + 4096);
    std::memcpy(bytes.data(), source.data(), source.size());
    bool up = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CountWithMemmem(bytes.data() + (up ? 0 : 2), source.size()));
        // Up and back down on alternate rounds: one move of the whole buffer each time.
        if (up)
            std::memmove(bytes.data() + 2, bytes.data(), source.size());
        else
            std::memmove(bytes.data(), bytes.data() + 2, source.size());
        up = !up;
    }
    state.SetBytesProcessed(state.iterations() * Size);
}

void StartReplaceAll() {
    Engine::TopAddress = 1;
    Engine::CursorCol = Engine::CursorRow = 0;
    Engine::LastReplaceAddress = Engine::LastFoundAddress = 0;
}

void BM_ReplaceAllSameLength(benchmark::State& state) {
    LoadEngine(ReplaceData);
    const int64_t expected = CountWithMemmem(Data(ReplaceData).data(), static_cast<size_t>(Size));
    const std::string other = "NEEDLE??";
    bool forth = true;
    for (auto _ : state) {
        // Back and forth, so that every round finds the same hits.
        Request(forth ? ReplacePattern : other, forth ? other : ReplacePattern, true, false);
        StartReplaceAll();
        Engine::TReplaceAllResult result = Engine::ReplaceAll();
        if (result.Count != expected) state.SkipWithError("wrong count");
        forth = !forth;
    }
    LoadedKind = -1; // the bytes may have been left replaced
    state.SetBytesProcessed(state.iterations() * Size);
}

void BM_ReplaceAllChangingLength(benchmark::State& state) {
    const std::string replacement = state.range(0) > 0 ? ReplacePattern + "++" : ReplacePattern.substr(0, 6);
    const TBytes& pristine = Data(ReplaceData);
    const int64_t expected = CountWithMemmem(pristine.data(), pristine.size());
    LoadEngine(ReplaceData);
    for (auto _ : state) {
        state.PauseTiming();
        // The file as loaded, with the capacity it had then, so that every round allocates the same way.
        Engine::BufferArray->ReAlloc(Engine::FileBuffer, Engine::CapacityFor(static_cast<int32_t>(Size)));
        Engine::Capacity = Engine::BufferArray->ByteSize;
        std::memcpy(Engine::FileBuffer, pristine.data(), pristine.size());
        Engine::FileSize = static_cast<int32_t>(Size);
        Request(ReplacePattern, replacement, true, false);
        StartReplaceAll();
        state.ResumeTiming();
        Engine::TReplaceAllResult result = Engine::ReplaceAll();
        if (result.Count != expected) state.SkipWithError("wrong count");
    }
    LoadedKind = -1;
    state.SetBytesProcessed(state.iterations() * Size);
}

void Timed(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
}

BENCHMARK(BM_Memmem)
    ->ArgNames({"data", "len"})
    ->ArgsProduct({{RandomBytes, EnglishText}, {6, 16}})
    ->Apply(Timed);
BENCHMARK(BM_Scan)
    ->ArgNames({"data", "len", "kind"})
    ->ArgsProduct({{RandomBytes, EnglishText}, {6, 16}, {Exact}})
    ->ArgsProduct({{RandomBytes, EnglishText}, {6}, {Folded, Joker, Up}})
    ->Apply(Timed);
BENCHMARK(BM_MemmemCount)->Apply(Timed);
BENCHMARK(BM_MemmemCountAndMemmove)->Apply(Timed);
BENCHMARK(BM_ReplaceAllSameLength)->Apply(Timed);
BENCHMARK(BM_ReplaceAllChangingLength)->ArgName("growing")->Arg(1)->Arg(0)->Apply(Timed);

const bool Registered = [] {
    const char* data[] = {"random", "text"};
    for (int d = 0; d < 2; ++d) {
        const std::string in = std::string(" B ") + data[d];
        const std::string suffix = "/data:" + std::to_string(d);
        for (int len : {6, 16})
            RegisterRatio("ScanDown " + std::to_string(len) + in + " vs memmem",
                          "BM_Scan" + suffix + "/len:" + std::to_string(len) + "/kind:0",
                          "BM_Memmem" + suffix + "/len:" + std::to_string(len));
        const char* names[] = {"", "ScanDown folded", "ScanDown joker", "ScanUp"};
        for (int kind : {Folded, Joker, Up})
            RegisterRatio(std::string(names[kind]) + " 6" + in + " vs memmem",
                          "BM_Scan" + suffix + "/len:6/kind:" + std::to_string(kind),
                          "BM_Memmem" + suffix + "/len:6");
    }
    RegisterRatio("Replace all same length vs memmem", "BM_ReplaceAllSameLength", "BM_MemmemCount");
    RegisterRatio("Replace all +2 B vs memmem + memmove", "BM_ReplaceAllChangingLength/growing:1",
                  "BM_MemmemCountAndMemmove");
    RegisterRatio("Replace all -2 B vs memmem + memmove", "BM_ReplaceAllChangingLength/growing:0",
                  "BM_MemmemCountAndMemmove");
    return true;
}();

} // namespace
