// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/store/PieceStore.h"

#include <cstdint>
#include <vector>

// Content-defined chunks: a cut falls where a rolling hash of the last 64 bytes hits a pattern, so that the
// same content is cut the same way wherever it lies. Two files that share a stretch, shifted by an insertion,
// share the chunks inside it; their hashes are the anchors that align the files.
namespace Compare {

struct TChunk {
    TAddress First = 0;
    TCount Length = 0;
    uint64_t Hash = 0; // XXH3 of the chunk's bytes
};

inline constexpr TCount ChunkMin = 512;
inline constexpr TCount ChunkMax = 16384;

// The chunks of count bytes of snapshot from first on. The first chunk starts at first and the last ends at
// the range's end wherever the content would cut them. False when the bytes could not all be read.
bool Chunks(const Engine::TStoreSnapshot& snapshot, TAddress first, TCount count,
            std::vector<TChunk>& chunks);

} // namespace Compare
