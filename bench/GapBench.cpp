// SPDX-License-Identifier: GPL-3.0-or-later
// Typing in insert mode at the front of a 1 GiB file: the first key moves the bytes once, the keys after it
// cost what typing at the end of a small file costs, and the first search afterwards pays one more move.
// The baselines' moves are timed in the store's own buffer: the first key's against a move by one byte,
// the scan's against the very move that closes the gap.
#include "BenchData.h"
#include "common/TestDocument.h"
#include "BenchSupport.h"
#include "FormSupport.h"
#include "RoundRatio.h"

#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"
#include "engine/editing/PaneEditing.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"
#include "engine/document/View.h"
#include "kit/JkGrid.h"
#include "ui/NIBLO_Main.h"

#include <QCoreApplication>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int64_t BigSize = int64_t{1} << 30;
constexpr int64_t SmallSize = 1024;
constexpr int Keys = 100;
constexpr int Rounds = 5;
constexpr std::array<uint8_t, 16> Planted{'g', 'a', 'p', '-', 'b', 'e', 'n', 'c', 'h', '-', 'p', 'l', 'a', 'n', 't', '!'};

[[noreturn]] void Wrong(const char* what) {
    std::fprintf(stderr, "gap benchmark: %s went wrong\n", what);
    std::exit(1);
}

// The file of the given size in the window, in insert mode, with the cursor on address.
TFormMain& OpenForTyping(int64_t size, TAddress address) {
    TFormMain& form = OpenInForm(size);
    form.show();
    QCoreApplication::processEvents();
    if (TestApp().OverwriteMode) Engine::ModusOverwrite1Click(TestDoc());
    if (!TestApp().TextMode) Engine::ModusText1Click(TestDoc()); // a typed letter is one byte
    Engine::ShowAddress(TestDoc(), address, true, false);
    QCoreApplication::processEvents();
    if (TestDoc().Store.FileSize() != size || Engine::CurrentAddress(TestDoc()) != address)
        Wrong("opening the file");
    return form;
}

// Seconds for the first key, and for each key after it on average.
struct TKeyTimes {
    double First = 0;
    double Each = 0;
};
TKeyTimes TypeKeys(TFormMain& form) {
    TKeyTimes times;
    for (int key = 0; key < Keys; ++key) {
        const double start = NowSeconds();
        SendKey(form.ActivePane(), Qt::Key_A, QStringLiteral("a"));
        const double seconds = NowSeconds() - start;
        (key == 0 ? times.First : times.Each) += seconds;
    }
    times.Each /= Keys - 1;
    return times;
}

struct TGapRatios {
    double EachKey = 0;
    double FirstKey = 0;
    double ScanAfter = 0;
};

// Each round measures the 1 GiB file and the small one afterwards; the ratios are the medians over rounds.
const TGapRatios& Measure() {
    static TGapRatios ratios;
    static bool measured = false;
    if (measured) return ratios;
    measured = true;
    std::vector<double> each, first, scan;
    for (int round = 0; round < Rounds; ++round) {
        TFormMain& big = OpenForTyping(BigSize, 1);
        std::ranges::copy(Planted, TestDoc().Store.StoreRun(BigSize - 1000, Planted.size()).begin());
        // One move of every byte up by one in the engine's own buffer, and back untimed: the least a first
        // key can add.
        uint8_t* const bytes = TestDoc().Store.ContiguousBytes();
        const double upStart = NowSeconds();
        std::memmove(bytes + 1, bytes, size_t(BigSize));
        benchmark::ClobberMemory();
        const double up = NowSeconds() - upStart;
        std::memmove(bytes, bytes + 1, size_t(BigSize));

        const TKeyTimes bigTimes = TypeKeys(big);
        if (TestDoc().Store.FileSize() != BigSize + Keys || uint8_t(TestDoc().Store.ByteAt(1)) != 'a' ||
            uint8_t(TestDoc().Store.ByteAt(Keys)) != 'a' || StoreInside::GapAt() != Keys + 1)
            Wrong("typing at the front");
        TestApp().SearchRequest.Pattern.assign(Planted.begin(), Planted.end());
        TestApp().SearchRequest.CaseSensitive = true;
        TestApp().SearchRequest.JokerEnabled = false;
        const auto gap = size_t(StoreInside::GapLength());
        TAddress pos = 1;
        const double scanStart = NowSeconds();
        const Engine::TFindResult found = Engine::FindForward(TestDoc(), pos, false);
        const double scanSeconds = NowSeconds() - scanStart;
        if (!found.Found || pos != BigSize - 1000 + Keys || StoreInside::GapAt() != StoreInside::NoGap)
            Wrong("the scan");
        const double floor = FloorSeconds();
        // The move that closed the gap: the tail down by the gap's length, timed in the same buffer after
        // an untimed move up.
        uint8_t* const file = TestDoc().Store.ContiguousBytes();
        const size_t tail = size_t(TestDoc().Store.FileSize()) - Keys;
        std::memmove(file + Keys + gap, file + Keys, tail);
        const double downStart = NowSeconds();
        std::memmove(file + Keys, file + Keys + gap, tail);
        benchmark::ClobberMemory();
        const double down = NowSeconds() - downStart;

        TFormMain& small = OpenForTyping(SmallSize, SmallSize + 1);
        const TKeyTimes smallTimes = TypeKeys(small);
        if (TestDoc().Store.FileSize() != SmallSize + Keys ||
            uint8_t(TestDoc().Store.ByteAt(SmallSize + Keys)) != 'a')
            Wrong("typing at the end");
        small.hide();

        each.push_back(bigTimes.Each / smallTimes.Each);
        first.push_back(bigTimes.First / up);
        scan.push_back(scanSeconds / (floor + down));
    }
    ClosePanes();
    ratios = {Median(each), Median(first), Median(scan)};
    return ratios;
}

[[maybe_unused]] const bool Registered = [] {
    RegisterGoal("type at 1 of 1 GiB, insert, each key after the first / at the end of 1 KiB", 2,
                 [] { return Measure().EachKey; });
    RegisterGoal("type at 1 of 1 GiB, insert, the first key / memmove of 1 GiB", 1.2,
                 [] { return Measure().FirstKey; });
    RegisterGoal("ScanDown 16 B after typing at 1 of 1 GiB / (floor + memmove)", 1.15,
                 [] { return Measure().ScanAfter; });
    return true;
}();

} // namespace
