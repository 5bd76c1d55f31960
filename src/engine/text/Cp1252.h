// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

// Windows-1252, the code page of every text the user types into the program. The five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same
// number, so that every byte has a character and every such character its byte.
namespace Cp1252 {

char32_t ToUnicode(uint8_t byte);
// The byte of a character, or nothing when Windows-1252 has none for it.
std::optional<uint8_t> FromUnicode(char32_t character);

} // namespace Cp1252
