// SPDX-License-Identifier: GPL-3.0-or-later
// Find and Replace all over 256 MiB held in the engine, against the floor (one vector pass over the same
// buffer) and glibc memmem, engine and baseline by turns in every round.
#include "BenchData.h"
#include "common/TestDocument.h"
#include "BenchSupport.h"
#include "RoundRatio.h"

#include "engine/document/EngineState.h"
#include "engine/search/Replace.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int Rounds = 11;
constexpr int32_t DownFrom = 1001; // past the first plant: a scan down crosses it all
constexpr int32_t UpFrom = static_cast<int32_t>(DataSize - 2000); // before the last plant: so does a scan up

void Request(const std::string& pattern, const std::string& replacement, bool caseSensitive, bool joker) {
    TestApp().SearchRequest.Pattern.assign(pattern.begin(), pattern.end());
    TestApp().SearchRequest.Replacement.assign(replacement.begin(), replacement.end());
    TestApp().SearchRequest.CaseSensitive = caseSensitive;
    TestApp().SearchRequest.JokerEnabled = joker;
    TestApp().SearchRequest.JokerChar = '.';
}

[[noreturn]] void Wrong(const char* what) {
    std::fprintf(stderr, "benchmark gave a wrong result: %s\n", what);
    std::exit(1);
}

// --- Scans -------------------------------------------------------------------------------------------------

enum class TScan { Exact, Folded, Joker, Up };

void RequestScan(TScan scan, size_t length) {
    std::string pattern = Planted.substr(0, length);
    if (scan == TScan::Folded)
        for (char& c : pattern)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (scan == TScan::Joker) pattern[3] = '.';
    Request(pattern, "", scan != TScan::Folded, scan == TScan::Joker);
}

// Find again from DownFrom to the hit near the end, or from UpFrom up to the hit near the start.
double ScanSeconds(TScan scan) {
    TestDoc().Search.LastFoundAddress = 0;
    TAddress pos = scan == TScan::Up ? UpFrom : DownFrom;
    const double start = NowSeconds();
    const Engine::TFindResult found =
        scan == TScan::Up ? Engine::FindBackward(TestDoc(), pos) : Engine::FindForward(TestDoc(), pos, false);
    const double seconds = NowSeconds() - start;
    if (!found.Found || pos != (scan == TScan::Up ? FirstPlant : LastPlant)) Wrong("scan");
    return seconds;
}

// memmem over the same stretch of the bytes the engine reads in place.
double MemmemSeconds(size_t length) {
    const uint8_t* const bytes = BytesInPlace().data();
    const double start = NowSeconds();
    const void* hit =
        memmem(bytes + DownFrom - 1, static_cast<size_t>(TestDoc().Store.FileSize() - DownFrom + 1),
               Planted.data(), length);
    const double seconds = NowSeconds() - start;
    if (hit != bytes + LastPlant - 1) Wrong("memmem");
    return seconds;
}

void AddScan(TData data, size_t length, TScan scan, const char* name, double goal) {
    const std::string label = std::string(name) + " " + std::to_string(length) + " B " + DataName(data);
    RegisterGoal(label + " / floor", goal, [=] {
        LoadIntoEngine(data);
        RequestScan(scan, length);
        return InterleavedRatio([=] { return ScanSeconds(scan); }, FloorSeconds, Rounds);
    });
    if (scan != TScan::Exact) return;
    RegisterGoal(label + " / memmem", 0, [=] {
        LoadIntoEngine(data);
        RequestScan(scan, length);
        return InterleavedRatio([=] { return ScanSeconds(scan); }, [=] { return MemmemSeconds(length); },
                                Rounds);
    });
}

// --- Replace all -------------------------------------------------------------------------------------------

constexpr int32_t ReplaceHits = static_cast<int32_t>((DataSize - 108) / ReplaceSpacing + 1);

void StartReplaceAll() {
    TestDoc().View.TopAddress = 1;
    TestDoc().View.CursorCol = TestDoc().View.CursorRow = 0;
    TestDoc().Search.LastReplaceAddress = TestDoc().Search.LastFoundAddress = 0;
}

double ReplaceAllSeconds() {
    StartReplaceAll();
    const double start = NowSeconds();
    const Engine::TReplaceAllResult result = Engine::ReplaceAll(TestDoc());
    const double seconds = NowSeconds() - start;
    if (result.Count != ReplaceHits) Wrong("Replace all count");
    return seconds;
}

// The file as loaded, before each round of the engine's side.
void Pristine() {
    TestDoc().Store.Restore(TestDoc().File.Saved);
}

double SameLengthRatio() {
    LoadIntoEngine(TData::Replace);
    bool forth = true;
    auto engine = [&] {
        // Back and forth, so that every round finds the same hits.
        Request(forth ? ReplacePattern : "NEEDLE??", forth ? "NEEDLE??" : ReplacePattern, true, false);
        forth = !forth;
        return ReplaceAllSeconds();
    };
    const double ratio = InterleavedRatio(engine, FloorSeconds, Rounds);
    EngineDataDirty();
    return ratio;
}

// Growing or shrinking by 2 bytes against the least a store of one buffer must do: read every byte and
// move every byte once.
double ChangingLengthRatio(bool growing) {
    LoadIntoEngine(TData::Replace);
    const TBytes& data = Data(TData::Replace);
    TBytes buffer(data.size() + 2);
    Request(ReplacePattern, growing ? ReplacePattern + "++" : ReplacePattern.substr(0, 6), true, false);
    auto engine = [&] {
        Pristine();
        return ReplaceAllSeconds();
    };
    auto baseline = [&] {
        std::memcpy(buffer.data(), data.data(), data.size());
        const double start = NowSeconds();
        FloorSeconds();
        uint8_t* bytes = buffer.data();
        const auto size = data.size();
        if (growing)
            std::memmove(bytes + 2, bytes, size);
        else
            std::memmove(bytes, bytes + 2, size - 2);
        benchmark::ClobberMemory();
        return NowSeconds() - start;
    };
    const double ratio = InterleavedRatio(engine, baseline, Rounds);
    EngineDataDirty();
    return ratio;
}

const bool Registered = [] {
    for (TData data : {TData::Random, TData::Text}) {
        for (size_t length : {6, 16})
            AddScan(data, length, TScan::Exact, "ScanDown", 1.15);
        AddScan(data, 6, TScan::Folded, "ScanDown case-insensitive", 1.3);
        AddScan(data, 6, TScan::Joker, "ScanDown with joker", 1.3);
        AddScan(data, 6, TScan::Up, "ScanUp", 1.3);
    }
    RegisterGoal("Replace all same length, a hit per 4 KiB / floor", 1.4, SameLengthRatio);
    RegisterGoal("Replace all +2 B, a hit per 4 KiB / (floor + memmove)", 1.3,
                 [] { return ChangingLengthRatio(true); });
    RegisterGoal("Replace all -2 B, a hit per 4 KiB / (floor + memmove)", 1.3,
                 [] { return ChangingLengthRatio(false); });
    return true;
}();

} // namespace
