// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// The floor of every scan: one pass of the widest vectors this processor has (AVX2, else SSE2) that reads
// every byte of the buffer and counts one byte value. No search over the same memory can be faster.
int64_t FloorCount(const uint8_t* bytes, size_t size, uint8_t value);
// Which vectors the floor used.
const char* FloorKind();
