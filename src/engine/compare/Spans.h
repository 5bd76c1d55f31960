// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// Where two byte spans of the same length part and meet again, at the speed of memcmp: long equal
// stretches are skipped a block at a time, never a byte at a time.
namespace Compare {

// The first i < n where a[i] != b[i]; n when they are equal.
size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t n);
// The first i < n where a[i] == b[i]; n when every byte differs.
size_t FirstSame(const uint8_t* a, const uint8_t* b, size_t n);
// How many bytes at the ends of a and b (each n long) are equal.
size_t CommonSuffix(const uint8_t* a, const uint8_t* b, size_t n);

} // namespace Compare
