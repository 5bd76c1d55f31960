// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"
#include "common/TestDocument.h"
#include "RoundRatio.h"

#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileIo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

namespace {

constexpr int64_t BigSize = int64_t{256} << 20;

// Insert at the front: OpenGap(1, 1) on a loaded 256 MiB file against one memmove of the same bytes in one
// buffer (what a store of one buffer pays), by turns.
double OpenGapRatio() {
    if (!LoadBenchFile(BigSize)) {
        std::fprintf(stderr, "LoadFile failed\n");
        std::exit(1);
    }
    const int64_t size = TestDoc().Store.FileSize();
    const Engine::TStoreSnapshot original = TestDoc().Store.Snapshot();
    std::vector<uint8_t> buffer(static_cast<size_t>(size) + 1);
    if (!TestDoc().Store.CopyOut(1, std::span(buffer).first(static_cast<size_t>(size))).Readable())
        std::exit(1);
    auto engine = [&] {
        const double start = NowSeconds();
        const bool opened = TestDoc().Store.OpenGap(1, 1);
        const double seconds = NowSeconds() - start;
        if (!opened) std::exit(1);
        // Back to the file as loaded: every round inserts into the same pieces.
        TestDoc().Store.Restore(original);
        return seconds;
    };
    auto baseline = [&] {
        const double start = NowSeconds();
        std::memmove(buffer.data() + 1, buffer.data(), static_cast<size_t>(size));
        benchmark::ClobberMemory();
        return NowSeconds() - start;
    };
    const double ratio = InterleavedRatio(engine, baseline, 11);
    ResetBenchEngine();
    return ratio;
}

// Memory held for a loaded file: what the heap hands out and the resident peak, both over the file size.
int64_t StatusField(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0) return std::atoll(line.c_str() + length + 1) * 1024;
    return -1;
}

int64_t HeapBytes() {
    struct mallinfo2 info = mallinfo2();
    return static_cast<int64_t>(info.hblkhd + info.uordblks);
}

void ReportLoadMemory() {
    std::printf("Memory of a loaded file (the store reads the file when needed: little expected):\n");
    std::printf("  %12s %12s %14s %16s %10s\n", "size", "pieces", "heap held", "resident growth",
                "peak/size");
    for (int64_t size : {BigSize, int64_t{100000003}, int64_t{3000000}}) {
        const std::string& path = BenchFile(size);
        ResetBenchEngine();
        int64_t heapBefore = HeapBytes();
        {
            std::ofstream reset("/proc/self/clear_refs");
            reset << "5"; // the peak (VmHWM) starts again from the current resident size
        }
        int64_t residentBefore = StatusField("VmRSS:");
        bool ok = Engine::LoadFile(TestDoc(), path, false, 1);
        int64_t peak = StatusField("VmHWM:");
        int64_t heapHeld = HeapBytes() - heapBefore;
        int64_t residentGrowth = peak - residentBefore;
        std::printf("  %12lld %12lld %14lld %16lld %10.3f%s\n", static_cast<long long>(size),
                    static_cast<long long>(TestDoc().Store.PieceCount()), static_cast<long long>(heapHeld),
                    static_cast<long long>(residentGrowth),
                    static_cast<double>(residentGrowth) / static_cast<double>(size),
                    ok ? "" : "  (load failed)");
        ResetBenchEngine();
    }
    std::printf(
        "  (heap held = bytes the heap holds after the load; resident growth = growth of the resident\n"
        "   peak during the load)\n\n");
}

const bool Registered = [] {
    RegisterGoal("Store.OpenGap(1, 1) on 256 MiB / memmove", 0, OpenGapRatio);
    RegisterReport(ReportLoadMemory);
    return true;
}();

} // namespace
