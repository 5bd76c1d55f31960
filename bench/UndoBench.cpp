// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo against the memory moves they cannot avoid, the cost of recording while typing, and the
// journal's memory. Engine and baseline run by turns on the engine's own buffer; a ratio is the median of
// the per-round ratios.
#include "BenchData.h"
#include "common/TestDocument.h"
#include "BenchSupport.h"
#include "RoundRatio.h"

#include "common/EngineSetup.h"
#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileIo.h"
#include "engine/editing/PaneEditing.h"
#include "engine/search/Replace.h"
#include "engine/search/SearchRequest.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr int Rounds = 15;

template <typename TWork> double Timed(TWork&& work) {
    const double start = NowSeconds();
    work();
    benchmark::ClobberMemory();
    return NowSeconds() - start;
}

// A benchmark whose work went wrong measures nothing: the run stops.
void Check(bool right, const char* what) {
    if (right) return;
    std::fprintf(stderr, "undo benchmark: %s went wrong\n", what);
    std::exit(1);
}

struct TInsertionRatios {
    double Undo = -1;
    double Redo = -1;
};

// A byte inserted at address 1 of 256 MiB, undone and redone, against one memmove of the file each way (what
// a store of one buffer pays).
// Measured once for both lines of the table.
TInsertionRatios& InsertionRatios() {
    static TInsertionRatios ratios;
    if (ratios.Undo >= 0) return ratios;
    constexpr int64_t Size = int64_t{256} << 20;
    if (!LoadBenchFile(Size)) std::exit(1);
    TestApp().OverwriteMode = false;
    Engine::PaneKeyPress(TestDoc(), 'x');
    const uint8_t first = uint8_t(TestDoc().Store.ByteAt(2));
    bool right = TestDoc().Store.FileSize() == Size + 1;
    std::vector<uint8_t> buffer;
    right = right && TestDoc().Store.Read(1, Size + 1, buffer);
    uint8_t* const bytes = buffer.data();
    std::vector<double> undoRatios, redoRatios;
    for (int round = 0; round < Rounds; ++round) {
        const double undo = Timed([] { Engine::Undo1Click(TestDoc()); });
        right = right && TestDoc().Store.FileSize() == Size && uint8_t(TestDoc().Store.ByteAt(1)) == first;
        const double down = Timed([&] { std::memmove(bytes, bytes + 1, Size - 1); });
        const double up = Timed([&] { std::memmove(bytes + 1, bytes, Size - 1); });
        bytes[0] = 'x'; // the two moves leave every byte as it was
        const double redo = Timed([] { Engine::Redo1Click(TestDoc()); });
        right = right && TestDoc().Store.FileSize() == Size + 1 && uint8_t(TestDoc().Store.ByteAt(1)) == 'x';
        undoRatios.push_back(undo / down);
        redoRatios.push_back(redo / up);
    }
    ResetBenchEngine();
    Check(right, "undo or redo of the typed byte");
    ratios = {Median(undoRatios), Median(redoRatios)};
    return ratios;
}

// Typing 10,000 bytes in overwrite mode with the journal on against the same with it off, in the engine
// alone: the journal's share of the least work a typed byte is.
double TypingCost() {
    constexpr int Typed = 10000;
    ResetBenchEngine();
    if (!EngineSetup::OpenBytes(std::vector<uint8_t>(1 << 20, 0x41))) std::exit(1);
    TestApp().OverwriteMode = true;
    TestApp().TextMode = true;
    auto typing = [](bool on) {
        return [on] {
            TestDoc().Undo.Journal.Enabled = on;
            EngineSetup::PutCursorOn(1);
            Engine::SealUndoStep(TestDoc());
            const double start = NowSeconds();
            for (int i = 0; i < Typed; ++i)
                Engine::PaneKeyPress(TestDoc(), uint8_t('a' + i % 26));
            return NowSeconds() - start;
        };
    };
    std::vector<double> on, off;
    auto timed = [&](bool journal, std::vector<double>& times) {
        return [&, journal] {
            times.push_back(typing(journal)());
            return times.back();
        };
    };
    const double ratio = InterleavedRatio(timed(true, on), timed(false, off), Rounds * 3);
    TestDoc().Undo.Journal.Enabled = true;
    std::printf("  (%.1f ns a typed byte with the journal, %.1f ns without)\n", Median(on) / Typed * 1e9,
                Median(off) / Typed * 1e9);
    Check(TestDoc().Undo.Journal.Steps.size() == size_t(Rounds * 3), "a run of typing was not one step");
    ResetBenchEngine();
    return ratio;
}

// Replace all of 65,536 same-length hits in 256 MiB (the search benchmarks' data), then its undo.
double UndoReplaceAll() {
    LoadIntoEngine(TData::Replace);
    TestApp().SearchRequest.Pattern.assign(ReplacePattern.begin(), ReplacePattern.end());
    TestApp().SearchRequest.Replacement.assign(ReplacePattern.size(), 'R');
    bool right = true;
    std::vector<double> ratios;
    for (int round = 0; round < Rounds; ++round) {
        Engine::SealUndoStep(TestDoc());
        Engine::GoToStart(TestDoc());
        int32_t hits = 0;
        const double replace = Timed([&] { hits = Engine::ReplaceAll(TestDoc()).Count; });
        right = right && hits == DataSize / ReplaceSpacing;
        const double undo = Timed([] { Engine::Undo1Click(TestDoc()); });
        ratios.push_back(undo / replace);
    }
    const TBytes& original = Data(TData::Replace);
    size_t at = 0;
    auto same = [&](std::span<const uint8_t> run) {
        const bool equal = std::memcmp(original.data() + at, run.data(), run.size()) == 0;
        at += run.size();
        return equal;
    };
    right = right && TestDoc().Store.FileSize() == TCount(original.size()) &&
            TestDoc().Store.Visit(1, TestDoc().Store.FileSize(), same).Status == Engine::TReadStatus::Done;
    ResetBenchEngine();
    Check(right, "Replace all or its undo");
    return Median(ratios);
}

// What 10,000 bytes typed over others cost the journal beyond the bytes themselves, a step, by the heap's
// count: each byte a step of its own (the cursor moved between them), or all one run of typing (one step,
// whose figure is mostly the first block of the journal's list, taken once).
double JournalHeapPerStep(bool eachAStep) {
    constexpr int Typed = 10000;
    ResetBenchEngine();
    EngineSetup::OpenBytes(std::vector<uint8_t>(4 * Typed, 0x41));
    TestApp().OverwriteMode = true;
    TestApp().TextMode = true;
    malloc_trim(0);
    const size_t heapBefore = mallinfo2().uordblks;
    for (int i = 0; i < Typed; ++i) {
        if (eachAStep) {
            EngineSetup::PutCursorOn(1 + 3 * i);
            Engine::SealUndoStep(TestDoc());
        }
        Engine::PaneKeyPress(TestDoc(), 'z');
    }
    Engine::SealUndoStep(TestDoc()); // the run is over
    const auto heap = static_cast<double>(mallinfo2().uordblks - heapBefore);
    const auto steps = static_cast<double>(TestDoc().Undo.Journal.Steps.size());
    Check(steps == (eachAStep ? Typed : 1), "the steps of typing");
    std::printf("  (journal's own count: %.1f bytes a step besides the bytes)\n",
                static_cast<double>(TestDoc().Undo.Journal.Bytes - Typed) / steps);
    ResetBenchEngine();
    return (heap - Typed) / steps;
}

const bool Registered = [] {
    RegisterGoal("journal heap bytes a step, 10,000 typed bytes each a step", 64,
                 [] { return JournalHeapPerStep(true); });
    RegisterGoal("journal heap bytes a step, 10,000 typed bytes in one run", 0,
                 [] { return JournalHeapPerStep(false); });
    RegisterGoal("undo of 1 typed byte at 1 of 256 MiB / memmove", 1.2,
                 [] { return InsertionRatios().Undo; });
    RegisterGoal("redo of 1 typed byte at 1 of 256 MiB / memmove", 1.2,
                 [] { return InsertionRatios().Redo; });
    RegisterGoal("typing 10,000 B overwrite, engine only: journal on / off", 1.05, TypingCost);
    RegisterGoal("undo of Replace all, 64 Ki same-length hits / the Replace all", 2, UndoReplaceAll);
    return true;
}();

} // namespace
