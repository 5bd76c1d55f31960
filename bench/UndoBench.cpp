// Undo and redo against the memory moves they cannot avoid, the cost of recording while typing, and the
// journal's memory. Engine and baseline run by turns on the engine's own buffer; a ratio is the median of
// the per-round ratios.
#include "BenchSupport.h"
#include "RoundRatio.h"

#include "common/EngineSetup.h"
#include "engine/ByteStore.h"
#include "engine/EngineState.h"
#include "engine/FileIo.h"
#include "engine/PaneEditing.h"
#include "engine/Replace.h"
#include "engine/SearchRequest.h"
#include "engine/Undo.h"

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int Rounds = 15;

bool LoadFileOf(int64_t size) {
    ResetBenchEngine();
    Engine::AllocateBuffer();
    if (!Engine::LoadFile(BenchFile(size), false, 1)) return false;
    Engine::FileOpen = true;
    return Engine::FileSize == size;
}

template <typename TWork> double Timed(TWork&& work) {
    const double start = NowSeconds();
    work();
    benchmark::ClobberMemory();
    return NowSeconds() - start;
}

void Line(const char* label, double ratio, const char* goal, bool right) {
    std::printf("  %-58s %6.2f  (goal %s)%s\n", label, ratio, goal, right ? "" : "  WRONG RESULT");
}

// A byte inserted at address 1 of 256 MiB, undone and redone, against one memmove of the file each way.
void ReportUndoInsertion() {
    constexpr int64_t Size = int64_t{256} << 20;
    if (!LoadFileOf(Size)) return;
    Engine::OverwriteMode = false;
    Engine::PaneKeyPress('x');
    const uint8_t first = Engine::FileBuffer[1];
    bool right = Engine::FileSize == Size + 1;
    std::vector<double> undoRatios, redoRatios;
    uint8_t* const bytes = Engine::FileBuffer;
    for (int round = 0; round < Rounds; ++round) {
        const double undo = Timed([] { Engine::Undo1Click(); });
        right = right && Engine::FileSize == Size && bytes[0] == first;
        const double down = Timed([&] { std::memmove(bytes, bytes + 1, Size - 1); });
        const double up = Timed([&] { std::memmove(bytes + 1, bytes, Size - 1); });
        bytes[0] = first; // the two moves leave every byte as the undo left it
        const double redo = Timed([] { Engine::Redo1Click(); });
        right = right && Engine::FileSize == Size + 1 && bytes[0] == 'x';
        undoRatios.push_back(undo / down);
        redoRatios.push_back(redo / up);
    }
    std::printf("Undo and redo of one byte typed at address 1 of 256 MiB (median of %d rounds):\n", Rounds);
    Line("undo / memmove 256 MiB", Median(undoRatios), "<= 1.2", right);
    Line("redo / memmove 256 MiB", Median(redoRatios), "<= 1.2", right);
    ResetBenchEngine();
}

// Typing 10,000 bytes in overwrite mode with the journal on against the same with it off.
void ReportTypingCost() {
    constexpr int Typed = 10000;
    if (!EngineSetup::OpenBytes(std::vector<uint8_t>(1 << 20, 0x41))) return;
    Engine::OverwriteMode = true;
    Engine::TextMode = true;
    auto typing = [](bool on) {
        return [on] {
            Engine::Journal.Enabled = on;
            EngineSetup::PutCursorOn(1);
            Engine::SealUndoStep();
            const double start = NowSeconds();
            for (int i = 0; i < Typed; ++i)
                Engine::PaneKeyPress(uint8_t('a' + i % 26));
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
    Engine::Journal.Enabled = true;
    std::printf("Typing 10,000 bytes in overwrite mode, engine only (median of %d interleaved rounds;\n"
                "%.1f ns a byte with the journal, %.1f ns without):\n",
                Rounds * 3, Median(on) / Typed * 1e9, Median(off) / Typed * 1e9);
    Line("journal on / journal off", ratio, "<= 1.05", Engine::Journal.Steps.size() == size_t(Rounds * 3));
    ResetBenchEngine();
}

// Replace all of 65,536 same-length hits in 256 MiB, then its undo.
void ReportUndoReplaceAll() {
    constexpr int64_t Size = int64_t{256} << 20;
    constexpr int64_t Spacing = 4096;
    if (!LoadFileOf(Size)) return;
    const std::string pattern = "needle!!";
    for (int64_t at = 100; at + 8 < Size; at += Spacing)
        std::memcpy(Engine::FileBuffer + at, pattern.data(), pattern.size());
    const std::vector<uint8_t> original(Engine::FileBuffer, Engine::FileBuffer + Size);
    Engine::SearchRequest.Pattern.assign(pattern.begin(), pattern.end());
    Engine::SearchRequest.Replacement.assign(8, 'R');
    bool right = true;
    std::vector<double> ratios;
    for (int round = 0; round < Rounds; ++round) {
        Engine::SealUndoStep();
        Engine::GoToStart();
        const double replace = Timed([] { Engine::ReplaceAll(); });
        right = right && Engine::FileBuffer[100] == 'R';
        const double undo = Timed([] { Engine::Undo1Click(); });
        ratios.push_back(undo / replace);
    }
    right = right && std::memcmp(original.data(), Engine::FileBuffer, Size) == 0;
    std::printf("Replace all, 65,536 same-length hits in 256 MiB (median of %d rounds):\n", Rounds);
    Line("its undo / the Replace all", Median(ratios), "<= 2", right);
    ResetBenchEngine();
}

// What 10,000 typed bytes cost the journal, by its own count and by the heap's.
void ReportJournalMemory() {
    constexpr int Typed = 10000;
    for (bool steps : {false, true}) {
        ResetBenchEngine();
        EngineSetup::OpenBytes(std::vector<uint8_t>(4 * Typed, 0x41));
        Engine::OverwriteMode = true;
        Engine::TextMode = true;
        malloc_trim(0);
        const size_t heapBefore = mallinfo2().uordblks;
        for (int i = 0; i < Typed; ++i) {
            // Moving the cursor between bytes makes each a step of its own.
            if (steps) {
                EngineSetup::PutCursorOn(1 + 3 * i);
                Engine::SealUndoStep();
            }
            Engine::PaneKeyPress('z');
        }
        Engine::SealUndoStep(); // the run is over
        const auto heap = static_cast<double>(mallinfo2().uordblks - heapBefore);
        const auto count = static_cast<double>(Engine::Journal.Steps.size());
        std::printf("Journal for 10,000 bytes typed over others, %s (%.0f steps):\n",
                    steps ? "each a step" : "one run", count);
        std::printf("  %-58s %6.1f  (goal <= 64)\n", "journal's count a step, besides the bytes",
                    (Engine::Journal.Bytes - Typed) / count);
        // The heap's figure includes the list's first block, once.
        std::printf("  %-58s %6.1f\n", "heap growth a step, besides the bytes", (heap - Typed) / count);
    }
    std::printf("\n");
    ResetBenchEngine();
}

const bool Registered = [] {
    RegisterReport(ReportJournalMemory);
    RegisterReport(ReportTypingCost);
    RegisterReport(ReportUndoInsertion);
    RegisterReport(ReportUndoReplaceAll);
    return true;
}();

} // namespace
