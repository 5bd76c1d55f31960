// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/store/PieceSource.h"

#include <cstring>
#include <vector>

// Bytes that lie in memory, visited in place, as a file mapped from the page cache is.
class TInPlaceSource final : public Engine::TPieceSource {
  public:
    explicit TInPlaceSource(const std::vector<uint8_t>& bytes) : Data(bytes) {}
    const uint8_t* Bytes(int64_t offset) const override { return Data.data() + offset; }
    int64_t Read(int64_t offset, std::span<uint8_t> into) const override {
        std::memcpy(into.data(), Data.data() + offset, into.size());
        return static_cast<int64_t>(into.size());
    }

  private:
    const std::vector<uint8_t>& Data;
};
