// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

// Bytes the system can still hand out (available memory plus free swap); -1 when unknown.
int64_t AvailableMemory();

// Whether extra more bytes of memory can be had without the kernel ending the process for them: they must
// leave a margin of the available memory. Unknown memory fits, as nothing better can be said.
bool MemoryFits(int64_t extra);
// The margin MemoryFits keeps free for the rest of the system and the program itself.
inline constexpr int64_t MemoryMargin = int64_t{64} << 20;
// The memory the program may still take: the available memory less the margin (0 when unknown or less).
int64_t MemoryBeyondMargin();

// The machine's physical memory in bytes; -1 when unknown.
int64_t PhysicalMemory();

// Tests pin the figure: when set, AvailableMemory returns its result.
extern std::function<int64_t()> AvailableMemoryHook;
