// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Upper and lower case of the Windows-1252 code page, byte for byte (0xE0 -> 0xC0, 0xFF -> 0x9F,
// 0x9A -> 0x8A, ...). Bytes without a case partner stay as they are.
uint8_t UpperCase1252(uint8_t c);
uint8_t LowerCase1252(uint8_t c);
