// SPDX-License-Identifier: GPL-3.0-or-later
// Copy and Paste of a 64 MiB block through the clipboard, against the memory moves no copy can avoid.
// Engine and baseline run by turns in every round, on the same memory; a ratio is the median of the
// per-round ratios.
#include "BenchSupport.h"
#include "common/TestDocument.h"
#include "common/EngineSetup.h"
#include "RoundRatio.h"

#include "engine/editing/Clipboard.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileIo.h"
#include "kit/SystemClipboard.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int64_t BlockSize = int64_t{64} << 20;
constexpr int Rounds = 15;

template <typename TWork> double Seconds(TWork&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    benchmark::ClobberMemory();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(benchmark::State& state, const char* label, const std::vector<double>& ratios) {
    state.counters["ratio"] = Median(ratios);
    std::printf("  %-52s %6.2f  (median of %zu rounds)\n", label, Median(ratios), ratios.size());
}

// Copy of the whole 64 MiB file against a fresh block and one memcpy into it (the clipboard's block
// is new every time and the old one is freed, so the baseline does the same).
void BM_ClipboardCopy64MiB(benchmark::State& state) {
    if (!LoadBenchFile(BlockSize)) {
        state.SkipWithError("LoadFile failed");
        return;
    }
    TestDoc().Block.BlockBegin = 1;
    TestDoc().Block.BlockEnd = TestDoc().Store.FileSize();
    TSystemClipboard clipboard;
    std::vector<uint8_t> file(static_cast<size_t>(BlockSize));
    if (!TestDoc().Store.CopyOut(1, file).Readable()) state.SkipWithError("the file could not be read");
    uint8_t* previous = nullptr;
    std::vector<double> ratios;
    for (auto _ : state) {
        auto baseline = [&] {
            std::free(previous);
            previous = static_cast<uint8_t*>(std::malloc(BlockSize + Engine::PayloadHeader));
            std::memcpy(previous + Engine::PayloadHeader, file.data(), BlockSize);
        };
        auto engine = [&] { Engine::Cut1Click(TestDoc(), clipboard, false); };
        const bool baseFirst = ratios.size() % 2 == 0;
        const double base = baseFirst ? Seconds(baseline) : 0;
        const double ours = Seconds(engine);
        ratios.push_back(ours / (baseFirst ? base : Seconds(baseline)));
        state.SetIterationTime(ours);
    }
    std::free(previous);
    if (clipboard.Data(TClipFormat::Binary)->Bytes.size() != BlockSize + Engine::PayloadHeader)
        state.SkipWithError("the block did not reach the clipboard");
    clipboard.Clear();
    ResetBenchEngine();
    Report(state, "Copy 64 MiB / memcpy 64 MiB", ratios);
}

// Paste of a 64 MiB block at address 1 of a 64 MiB file against one memmove of the file and one memcpy
// of the block in one buffer of the file's bytes (what a store of one buffer would do).
void BM_ClipboardPaste64MiB(benchmark::State& state) {
    if (!LoadBenchFile(BlockSize)) {
        state.SkipWithError("LoadFile failed");
        return;
    }
    TSystemClipboard clipboard;
    std::vector<uint8_t> file(static_cast<size_t>(2 * BlockSize));
    if (!TestDoc().Store.CopyOut(1, std::span(file).first(BlockSize)).Readable())
        state.SkipWithError("the file could not be read");
    const std::span<uint8_t> payload = clipboard.Reserve(BlockSize + Engine::PayloadHeader);
    Engine::EncodePayload({file.data(), static_cast<size_t>(BlockSize)}, payload);
    clipboard.Publish({});
    const std::optional<TClipData> data = clipboard.Data(TClipFormat::Binary);
    const uint8_t* block = data->Bytes.data() + Engine::PayloadHeader;
    const int64_t size = TestDoc().Store.FileSize();
    const Engine::TStoreSnapshot original = TestDoc().Store.Snapshot();
    auto back = [&] {
        TestDoc().Store.Restore(original);
        TestDoc().View.BottomAddress = std::min<int64_t>(TestDoc().View.PageBytes, size);
    };
    // A first paste, so that the rounds find the clipboard's block touched.
    Engine::Paste1Click(TestDoc(), clipboard);
    back();
    std::vector<double> ratios;
    for (auto _ : state) {
        auto baseline = [&] {
            std::memmove(file.data() + BlockSize, file.data(), BlockSize);
            std::memcpy(file.data(), block, BlockSize);
        };
        auto engine = [&] { Engine::Paste1Click(TestDoc(), clipboard); };
        const bool baseFirst = ratios.size() % 2 == 0;
        const double base = baseFirst ? Seconds(baseline) : 0;
        const double ours = Seconds(engine);
        if (TestDoc().Store.FileSize() != 2 * size) state.SkipWithError("the block was not pasted");
        back();
        ratios.push_back(ours / (baseFirst ? base : Seconds(baseline)));
        state.SetIterationTime(ours);
    }
    clipboard.Clear();
    ResetBenchEngine();
    Report(state, "Paste 64 MiB at 1 of 64 MiB / memmove + memcpy", ratios);
}

BENCHMARK(BM_ClipboardCopy64MiB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(Rounds);
BENCHMARK(BM_ClipboardPaste64MiB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(Rounds);

} // namespace
