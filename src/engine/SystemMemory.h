#pragma once

#include <cstdint>
#include <functional>

// Bytes the system can still hand out (available memory plus free swap); -1 when unknown.
int64_t AvailableMemory();

// The machine's physical memory in bytes; -1 when unknown.
int64_t PhysicalMemory();

// Tests pin the figure: when set, AvailableMemory returns its result.
extern std::function<int64_t()> AvailableMemoryHook;
