// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/Cp1252.h"

#include <array>

namespace Cp1252 {

namespace {

// 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98
};

} // namespace

char32_t ToUnicode(uint8_t byte) {
    if (byte >= 0x80 && byte <= 0x9F) return High[byte - 0x80];
    return byte;
}

std::optional<uint8_t> FromUnicode(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<uint8_t>(character);
    for (size_t i = 0; i < High.size(); ++i)
        if (High[i] == character) return static_cast<uint8_t>(0x80 + i);
    return std::nullopt;
}

} // namespace Cp1252
