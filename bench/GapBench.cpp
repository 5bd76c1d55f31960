// SPDX-License-Identifier: GPL-3.0-or-later
// Typing in insert mode at the front of a 1 GiB file: every key, the first too, costs what typing at the end
// of a small file costs (the store splits a piece, it moves no bytes), and a search afterwards runs over the
// new pieces as fast as over the file before the keys.
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
        if (!TestDoc().Store.Overwrite(BigSize - 1000, Planted)) Wrong("planting");
        TestApp().SearchRequest.Pattern.assign(Planted.begin(), Planted.end());
        TestApp().SearchRequest.CaseSensitive = true;
        TestApp().SearchRequest.JokerEnabled = false;
        auto scanSeconds = [&](TAddress hit) {
            TAddress pos = 1;
            const double start = NowSeconds();
            const Engine::TFindResult found = Engine::FindForward(TestDoc(), pos, false);
            const double seconds = NowSeconds() - start;
            if (!found.Found || pos != hit) Wrong("the scan");
            return seconds;
        };
        const double before = scanSeconds(BigSize - 1000);

        const TKeyTimes bigTimes = TypeKeys(big);
        if (TestDoc().Store.FileSize() != BigSize + Keys || uint8_t(TestDoc().Store.ByteAt(1)) != 'a' ||
            uint8_t(TestDoc().Store.ByteAt(Keys)) != 'a')
            Wrong("typing at the front");
        const double after = scanSeconds(BigSize - 1000 + Keys);

        TFormMain& small = OpenForTyping(SmallSize, SmallSize + 1);
        const TKeyTimes smallTimes = TypeKeys(small);
        if (TestDoc().Store.FileSize() != SmallSize + Keys ||
            uint8_t(TestDoc().Store.ByteAt(SmallSize + Keys)) != 'a')
            Wrong("typing at the end");
        small.hide();

        each.push_back(bigTimes.Each / smallTimes.Each);
        first.push_back(bigTimes.First / smallTimes.First);
        scan.push_back(after / before);
    }
    ClosePanes();
    ratios = {Median(each), Median(first), Median(scan)};
    return ratios;
}

[[maybe_unused]] const bool Registered = [] {
    RegisterGoal("type at 1 of 1 GiB, insert, each key after the first / at the end of 1 KiB", 2,
                 [] { return Measure().EachKey; });
    RegisterGoal("type at 1 of 1 GiB, insert, the first key / at the end of 1 KiB", 2,
                 [] { return Measure().FirstKey; });
    RegisterGoal("ScanDown 16 B after typing at 1 of 1 GiB / before typing", 1.15,
                 [] { return Measure().ScanAfter; });
    return true;
}();

} // namespace
