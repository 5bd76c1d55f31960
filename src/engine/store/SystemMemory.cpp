// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/store/SystemMemory.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

std::function<int64_t()> AvailableMemoryHook;

int64_t AvailableMemory() {
    if (AvailableMemoryHook) return AvailableMemoryHook();
    std::ifstream meminfo("/proc/meminfo");
    if (!meminfo) return -1;
    int64_t available = -1, swapFree = 0;
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        std::string key;
        int64_t kib = 0;
        fields >> key >> kib;
        if (key == "MemAvailable:") available = kib * 1024;
        if (key == "SwapFree:") swapFree = kib * 1024;
    }
    return available < 0 ? -1 : available + swapFree;
}

bool MemoryFits(int64_t extra) {
    if (extra <= 0) return true;
    const int64_t available = AvailableMemory();
    return available < 0 || extra <= available - MemoryMargin;
}

int64_t MemoryBeyondMargin() {
    const int64_t available = AvailableMemory();
    return available < MemoryMargin ? 0 : available - MemoryMargin;
}

int64_t PhysicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? static_cast<int64_t>(pages) * pageSize : -1;
}
