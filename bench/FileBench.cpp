// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"
#include "common/TestDocument.h"
#include "common/EngineSetup.h"
#include "RoundRatio.h"

#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileIo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

namespace {

constexpr int64_t BigSize = int64_t{256} << 20;

// Insert at the front: OpenGap(1, 1) on a loaded 256 MiB file against one memmove of the same bytes in the
// same buffer, by turns.
double OpenGapRatio() {
    if (!LoadBenchFile(BigSize)) {
        std::fprintf(stderr, "LoadFile failed\n");
        std::exit(1);
    }
    const int32_t size = TestDoc().Store.FileSize();
    auto engine = [&] {
        const double start = NowSeconds();
        const bool opened = TestDoc().Store.OpenGap(1, 1);
        const double seconds = NowSeconds() - start;
        if (!opened) std::exit(1);
        // Back to the same size, the bytes in one piece: every round moves the same bytes, never reallocates.
        TestDoc().Store.ContiguousBytes();
        EngineSetup::SetStoreSize(size);
        return seconds;
    };
    auto baseline = [&] {
        const double start = NowSeconds();
        std::memmove(StoreInside::FileBuffer() + 1, StoreInside::FileBuffer(), static_cast<size_t>(size));
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
    std::printf("Memory of a loaded file (one copy expected: capacity = size rounded up to 128 KiB):\n");
    std::printf("  %12s %12s %14s %16s %10s\n", "size", "capacity", "heap over", "resident over",
                "peak/size");
    for (int64_t size : {BigSize, int64_t{100000003}, int64_t{3000000}}) {
        const std::string& path = BenchFile(size);
        ResetBenchEngine();
        TestDoc().Store.AllocateBuffer();
        int64_t heapBefore = HeapBytes();
        {
            std::ofstream reset("/proc/self/clear_refs");
            reset << "5"; // the peak (VmHWM) starts again from the current resident size
        }
        int64_t residentBefore = StatusField("VmRSS:");
        bool ok = Engine::LoadFile(TestDoc(), path, false, 1);
        int64_t peak = StatusField("VmHWM:");
        // The start buffer was already counted before the load and is part of the new one.
        int64_t heapHeld = HeapBytes() - heapBefore + Engine::MinCapacity;
        int64_t residentGrowth = peak - residentBefore;
        std::printf("  %12lld %12lld %14lld %16lld %10.3f%s\n", static_cast<long long>(size),
                    static_cast<long long>(TestDoc().Store.Capacity()),
                    static_cast<long long>(heapHeld - size), static_cast<long long>(residentGrowth - size),
                    static_cast<double>(residentGrowth) / static_cast<double>(size),
                    ok ? "" : "  (load failed)");
        ResetBenchEngine();
    }
    std::printf(
        "  (heap over = bytes the heap holds for the buffer beyond the size; resident over = growth of the\n"
        "   resident peak during the load beyond the size)\n\n");
}

const bool Registered = [] {
    RegisterGoal("Store.OpenGap(1, 1) on 256 MiB / memmove", 0, OpenGapRatio);
    RegisterReport(ReportLoadMemory);
    return true;
}();

} // namespace
