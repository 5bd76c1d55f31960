// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// The transformations a field's bytes may go through before they are read: zlib (through zlib), xor with
// a byte or a key, and rotating each byte left or right.
namespace Engine {

// Inflates a zlib stream; a data error on bad input, a limit error when the result would pass limit bytes.
std::string KsInflate(const std::string& bytes, uint64_t limit);
std::string KsXor(std::string bytes, const std::string& key);
std::string KsRotateLeft(std::string bytes, int amount);

} // namespace Engine
