// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchData.h"
#include "common/TestDocument.h"

#include "BenchSupport.h"
#include "Floor.h"
#include "RoundRatio.h"

#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

uint64_t NextRandom(uint64_t& state) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

TBytes MakeRandom(uint64_t seed) {
    TBytes bytes(static_cast<size_t>(DataSize));
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
    bytes.reserve(static_cast<size_t>(DataSize) + 64);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    bool capital = true;
    while (bytes.size() < static_cast<size_t>(DataSize)) {
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
    bytes.resize(static_cast<size_t>(DataSize));
    return bytes;
}

void Plant(TBytes& bytes, int64_t address, const std::string& text) {
    std::memcpy(bytes.data() + address - 1, text.data(), text.size());
}

int LoadedKind = -1;
int LoadedAfterResets = -1; // another benchmark's engine reset makes the loaded data gone

} // namespace

const char* DataName(TData kind) {
    static const char* const Names[] = {"random", "text", "random, a hit per 4 KiB",
                                        "random, a hit per 16 B"};
    return Names[static_cast<int>(kind)];
}

const TBytes& Data(TData kind) {
    static TBytes data[4];
    TBytes& bytes = data[static_cast<int>(kind)];
    if (!bytes.empty()) return bytes;
    switch (kind) {
    case TData::Random:
    case TData::Text:
        bytes = kind == TData::Random ? MakeRandom(0x13198A2E03707344ull) : MakeText();
        Plant(bytes, FirstPlant, Planted);
        Plant(bytes, LastPlant, Planted);
        break;
    case TData::Replace:
    case TData::Dense: {
        bytes = MakeRandom(kind == TData::Replace ? 0x243F6A8885A308D3ull : 0xA4093822299F31D0ull);
        const int64_t spacing = kind == TData::Replace ? ReplaceSpacing : DenseSpacing;
        for (int64_t at = 1; at + 8 <= DataSize; at += spacing)
            Plant(bytes, kind == TData::Replace ? at + 100 : at, ReplacePattern);
        break;
    }
    }
    return bytes;
}

void LoadIntoEngine(TData kind) {
    if (LoadedKind == static_cast<int>(kind) && LoadedAfterResets == BenchEngineResets()) return;
    const TBytes& bytes = Data(kind);
    // The bytes lie in place, as a file mapped from the page cache does: the store reads them where they are.
    LoadBytesInPlace(bytes);
    LoadedKind = static_cast<int>(kind);
    LoadedAfterResets = BenchEngineResets();
}

void EngineDataDirty() {
    LoadedKind = -1;
}

double FloorSeconds() {
    const double start = NowSeconds();
    benchmark::DoNotOptimize(FloorCount(BytesInPlace().data(), BytesInPlace().size(), 'q'));
    return NowSeconds() - start;
}
