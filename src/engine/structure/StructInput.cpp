// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/StructInput.h"

#include <cstring>

namespace Engine {

bool TSpanInput::Read(uint64_t offset, std::span<uint8_t> into) const {
    if (offset > Bytes.size() || into.size() > Bytes.size() - offset) return false;
    if (!into.empty()) std::memcpy(into.data(), Bytes.data() + offset, into.size());
    return true;
}

} // namespace Engine
