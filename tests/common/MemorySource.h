// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/store/PieceSource.h"

#include <algorithm>
#include <cstring>
#include <vector>

// A file's bytes held in memory but read the way a file is (through Read, never in place), of which only the
// first Readable bytes can still be read: a file that another program shortened.
class TMemorySource final : public Engine::TPieceSource {
  public:
    explicit TMemorySource(std::vector<uint8_t> bytes)
        : Data(std::move(bytes)), Readable(static_cast<int64_t>(Data.size())) {}

    const uint8_t* Bytes(int64_t) const override { return nullptr; }
    int64_t Read(int64_t offset, std::span<uint8_t> into) const override {
        const int64_t count = std::clamp<int64_t>(Readable - offset, 0, static_cast<int64_t>(into.size()));
        if (count > 0) std::memcpy(into.data(), Data.data() + offset, static_cast<size_t>(count));
        return count;
    }

    std::vector<uint8_t> Data;
    int64_t Readable;
};
