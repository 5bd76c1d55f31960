// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/store/PieceStore.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// A fast hash of a file's contents (XXH3, 64 bits), at memory speed: what tells whether a file on disk is
// still the one a recovery journal was written against.
namespace Engine {

uint64_t ContentHash(const uint8_t* data, size_t size);

// The contents' hash a recovery journal names its base by, read through the store: every byte up to
// WholeHashLimit, past that the size and samples spread over the whole (a file of any size is hashed in a
// few reads; its size and time name it as well). Nothing when the bytes cannot be read.
inline constexpr int64_t WholeHashLimit = int64_t{16} << 20;
std::optional<uint64_t> StoreHash(const TStoreSnapshot& contents);

// The hash of bytes that arrive in pieces, one after another (a load adds each piece as it is read, while
// it is still in the cache).
class TContentHasher {
  public:
    TContentHasher();
    ~TContentHasher();
    TContentHasher(const TContentHasher&) = delete;
    TContentHasher& operator=(const TContentHasher&) = delete;

    void Add(const uint8_t* data, size_t size);
    uint64_t Digest() const;

  private:
    void* State;
};

} // namespace Engine
