// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/store/PieceSource.h"

#include <algorithm>
#include <cstring>

namespace Engine {

int64_t TAddBlock::Read(int64_t offset, std::span<uint8_t> into) const {
    const int64_t count = std::clamp<int64_t>(Capacity - offset, 0, static_cast<int64_t>(into.size()));
    if (count > 0) std::memcpy(into.data(), Data.get() + offset, static_cast<size_t>(count));
    return count;
}

int64_t TAddBlock::Append(std::span<const uint8_t> bytes) {
    const int64_t at = Used;
    if (!bytes.empty()) std::memcpy(Data.get() + Used, bytes.data(), bytes.size());
    Used += static_cast<int64_t>(bytes.size());
    return at;
}

int64_t TAddBlock::AppendFill(uint8_t value, int64_t count) {
    const int64_t at = Used;
    std::memset(Data.get() + Used, value, static_cast<size_t>(count));
    Used += count;
    return at;
}

int64_t TFillSource::Read(int64_t, std::span<uint8_t> into) const {
    std::memset(into.data(), Value, into.size());
    return static_cast<int64_t>(into.size());
}

} // namespace Engine
