// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/compare/Chunker.h"

#include <array>
#include <xxhash.h>

namespace Compare {

namespace {

// A cut where the top bits of the rolling hash are all zero: about one in 2048 places past the minimum.
constexpr uint64_t CutMask = ~uint64_t{0} << 53;

// One random 64-bit value per byte value (splitmix64), fixed so that chunks are the same from run to run.
constexpr std::array<uint64_t, 256> GearTable() {
    std::array<uint64_t, 256> table{};
    uint64_t state = 0x6E69626C6F636D70;
    for (auto& value : table) {
        uint64_t z = (state += 0x9E3779B97F4A7C15);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
        value = z ^ (z >> 31);
    }
    return table;
}
constexpr std::array<uint64_t, 256> Gear = GearTable();

struct TXxh3State {
    XXH3_state_t* State = XXH3_createState();
    ~TXxh3State() { XXH3_freeState(State); }
};

} // namespace

bool Chunks(const Engine::TStoreSnapshot& snapshot, TAddress first, TCount count,
            std::vector<TChunk>& chunks) {
    TXxh3State hash;
    XXH3_64bits_reset(hash.State);
    TChunk chunk{first, 0, 0};
    uint64_t rolling = 0;
    const auto read = snapshot.Visit(first, count, [&](std::span<const uint8_t> span) {
        const uint8_t* bytes = span.data();
        size_t left = span.size();
        while (left > 0) {
            // The bytes before the minimum less the hash's reach are never a cut: skip them unrolled.
            size_t i = 0;
            const TCount skip = ChunkMin - 64 - chunk.Length;
            if (skip > 0) {
                i = std::min(left, static_cast<size_t>(skip));
                chunk.Length += static_cast<TCount>(i);
            }
            bool cut = false;
            for (; i < left; ++i) {
                rolling = (rolling << 1) + Gear[bytes[i]];
                if (++chunk.Length >= ChunkMax || (chunk.Length >= ChunkMin && (rolling & CutMask) == 0)) {
                    cut = true;
                    ++i;
                    break;
                }
            }
            XXH3_64bits_update(hash.State, bytes, i);
            bytes += i;
            left -= i;
            if (cut) {
                chunk.Hash = XXH3_64bits_digest(hash.State);
                chunks.push_back(chunk);
                chunk = {chunk.First + chunk.Length, 0, 0};
                rolling = 0;
                XXH3_64bits_reset(hash.State);
            }
        }
        return true;
    });
    if (chunk.Length > 0) {
        chunk.Hash = XXH3_64bits_digest(hash.State);
        chunks.push_back(chunk);
    }
    return read.Readable();
}

} // namespace Compare
