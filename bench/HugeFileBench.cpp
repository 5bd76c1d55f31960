// SPDX-License-Identifier: GPL-3.0-or-later
// A file of 4 GiB, past every 32-bit count: opened in a fresh process, scanned and saved, each against what
// the machine does with the same bytes at the least.
#include "BenchData.h"
#include "common/TestDocument.h"
#include "BenchSupport.h"
#include "FreshProcess.h"
#include "Floor.h"
#include "RoundRatio.h"

#include "engine/document/EngineState.h"
#include "engine/files/FileAccess.h"
#include "engine/files/FileIo.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"
#include "engine/store/PieceStore.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int64_t HugeSize = int64_t{4} << 30;
constexpr int Rounds = 3; // each round moves 4 GiB or more; the machine's noise is small beside that

[[noreturn]] void Wrong(const char* what) {
    std::fprintf(stderr, "benchmark failed: %s\n", what);
    std::exit(1);
}

struct TLaunches {
    double Ratio = 0;     // launch to first paint / malloc + read, fresh processes
    double PeakRatio = 0; // the editor's resident peak / (1.02 x size + 64 MiB)
};

// Both figures come from the same launches.
const TLaunches& Launches() {
    static const TLaunches launches = [] {
        const std::string& file = BenchFile(HugeSize);
        const std::string niblo = Sibling("niblo"), load = Sibling("niblo_load");
        RunFresh({niblo, file}, true); // libraries and fonts into the caches
        std::vector<double> ratios, editorTimes, plainTimes;
        int64_t peak = 0, basePeak = 0;
        for (int round = 0; round < Rounds + 2; ++round) {
            // The order turns with the round, so that neither always follows the other.
            TFreshRun editor, plain;
            if (round % 2 == 0) {
                editor = RunFresh({niblo, file}, true);
                plain = RunFresh({load, "read", file}, false);
            } else {
                plain = RunFresh({load, "read", file}, false);
                editor = RunFresh({niblo, file}, true);
            }
            if (editor.Seconds < 0 || plain.Seconds < 0) Wrong("a fresh process");
            ratios.push_back(editor.Seconds / plain.Seconds);
            editorTimes.push_back(editor.Seconds);
            plainTimes.push_back(plain.Seconds);
            peak = std::max(peak, editor.PeakBytes);
            basePeak = std::max(basePeak, plain.PeakBytes);
        }
        std::printf("  (4 GiB: first paint %.2f s, malloc + read %.2f s; resident peak %.0f MiB, malloc + read "
                    "%.0f MiB)\n",
                    Median(editorTimes), Median(plainTimes), double(peak) / (1 << 20), double(basePeak) / (1 << 20));
        const double allowed = 1.02 * double(HugeSize) + double(int64_t{64} << 20);
        return TLaunches{Median(ratios), double(peak) / allowed};
    }();
    return launches;
}

// The 4 GiB file's bytes where they lie in the page cache: what the floor and the plain write read.
const uint8_t* Mapped() {
    static const uint8_t* const bytes = [] {
        const int fd = open(BenchFile(HugeSize).c_str(), O_RDONLY);
        void* map = fd < 0 ? MAP_FAILED : mmap(nullptr, size_t(HugeSize), PROT_READ, MAP_SHARED, fd, 0);
        if (fd >= 0) close(fd);
        if (map == MAP_FAILED) Wrong("mapping 4 GiB");
        return static_cast<const uint8_t*>(map);
    }();
    return bytes;
}

// One pass of the floor over the file's bytes in memory.
double MappedFloorSeconds() {
    const double start = NowSeconds();
    benchmark::DoNotOptimize(FloorCount(Mapped(), size_t(HugeSize), 'q'));
    return NowSeconds() - start;
}

// The engine holding the 4 GiB file, Planted near its end.
void LoadHuge() {
    if (!LoadBenchFile(HugeSize)) Wrong("loading 4 GiB");
    const std::span plant(reinterpret_cast<const uint8_t*>(Planted.data()), Planted.size());
    if (!TestDoc().Store.Overwrite(HugeSize - 999, plant)) Wrong("planting");
}

double ScanDownRatio() {
    LoadHuge();
    TestApp().SearchRequest.Pattern.assign(Planted.begin(), Planted.end());
    TestApp().SearchRequest.CaseSensitive = true;
    TestApp().SearchRequest.JokerEnabled = false;
    auto scan = [] {
        TAddress pos = 1001;
        const double start = NowSeconds();
        const Engine::TFindResult found = Engine::FindForward(TestDoc(), pos, false);
        const double seconds = NowSeconds() - start;
        if (!found.Found || pos != HugeSize - 999) Wrong("scan down over 4 GiB");
        return seconds;
    };
    const double ratio = InterleavedRatio(scan, MappedFloorSeconds, Rounds + 2);
    ResetBenchEngine();
    return ratio;
}

// Saving after one changed byte over the file saved before (as a user saves again), against a plain program
// that writes the same bytes to a new file and syncs it once. Each side starts with nothing left to write
// back, so that neither pays for the other.
double SaveRatio() {
    LoadHuge();
    const int old = TestDoc().Store.ByteAt(HugeSize / 2);
    if (old == Engine::UnreadableByte || !TestDoc().Store.WriteByte(HugeSize / 2, uint8_t(old ^ 1)))
        Wrong("changing a byte");
    TestDoc().Modified = true;
    const std::string saved = BenchFile(HugeSize) + ".saved", plain = BenchFile(HugeSize) + ".plain";
    auto save = [&] {
        sync();
        const double start = NowSeconds();
        if (!Engine::SaveFile(TestDoc(), saved, false, 1, TestDoc().Store.FileSize())) Wrong("save of 4 GiB");
        const double seconds = NowSeconds() - start;
        // The old contents, let go after the save, must not weigh on the other side.
        FileAccess::FinishReleases();
        return seconds;
    };
    auto write = [&] {
        sync();
        const double start = NowSeconds();
        const int fd = open(plain.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) Wrong("plain write");
        for (int64_t done = 0; done < TestDoc().Store.FileSize();) {
            const ssize_t n = ::write(fd, Mapped() + done, size_t(TestDoc().Store.FileSize() - done));
            if (n <= 0) Wrong("plain write");
            done += n;
        }
        if (fsync(fd) != 0 || close(fd) != 0) Wrong("plain sync");
        const double seconds = NowSeconds() - start;
        unlink(plain.c_str()); // a new file every round
        return seconds;
    };
    if (!Engine::SaveFile(TestDoc(), saved, false, 1, TestDoc().Store.FileSize()))
        Wrong("save of 4 GiB"); // the file saved before
    const double ratio = InterleavedRatio(save, write, Rounds + 2);
    unlink(saved.c_str());
    ResetBenchEngine();
    return ratio;
}

const bool Registered = [] {
    RegisterGoal("4 GiB: launch to first paint / malloc + read, fresh", 1.2, [] { return Launches().Ratio; });
    RegisterGoal("4 GiB: resident peak / (1.02 x size + 64 MiB)", 1, [] { return Launches().PeakRatio; });
    RegisterGoal("4 GiB: ScanDown 16 B / floor", 1.15, ScanDownRatio);
    RegisterGoal("4 GiB: save after a 1-byte change / write + fsync", 1.2, SaveRatio);
    return true;
}();

} // namespace
