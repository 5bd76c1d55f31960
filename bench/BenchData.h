// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The 256 MiB buffers the search, count and replace benchmarks run on, and the engine holding one of them.
using TBytes = std::vector<uint8_t>;

inline constexpr int64_t DataSize = int64_t{256} << 20;
inline const std::string Planted = "strands of ropes"; // never produced by the generators
inline const std::string ReplacePattern = "needle!!";
inline constexpr int32_t FirstPlant = 501;                                  // a hit near the start
inline constexpr int32_t LastPlant = static_cast<int32_t>(DataSize - 1000); // and one near the end
inline constexpr int64_t ReplaceSpacing = 4096;                             // Replace all: a hit every 4 KiB
inline constexpr int64_t DenseSpacing = 16;                                 // dense hits: one every 16 bytes

enum class TData {
    Random,  // random bytes, Planted near both ends
    Text,    // English-like text, Planted near both ends
    Replace, // random bytes, ReplacePattern every ReplaceSpacing bytes
    Dense,   // random bytes, ReplacePattern every DenseSpacing bytes
};
const char* DataName(TData kind);
const TBytes& Data(TData kind);

// The engine holding the data as an open file whose bytes lie in place (a file in the page cache). Loaded
// again only when other data is wanted or Dirty() was called.
void LoadIntoEngine(TData kind);
void EngineDataDirty();

// One pass of the floor over the bytes the engine loaded in place, in seconds.
double FloorSeconds();
