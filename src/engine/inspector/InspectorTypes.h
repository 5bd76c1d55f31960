// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/editing/Integers.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The data inspector's rows, and what reading them and typing into them share: the rows' sizes and kinds,
// numbers of a given size in either byte order, the small floats, and UTF-8.
namespace Engine {

// The most bytes any row reads (a GUID); callers pass up to this many, fewer near the end of the file.
inline constexpr int InspectorSpan = 16;

enum class TInspectorRow : int {
    Int8,
    UInt8,
    Int16,
    UInt16,
    Int24,
    UInt24,
    Int32,
    UInt32,
    Int64,
    UInt64,
    Binary8,
    Octal8,
    Float16,
    BFloat16,
    Float32,
    Float64,
    Sleb128,
    Uleb128,
    UnixTime32,
    UnixTime64,
    FileTime,
    DosDateTime,
    Guid,
    Utf8,
    Utf16,
    Windows1252
};
inline constexpr int InspectorRowCount = static_cast<int>(TInspectorRow::Windows1252) + 1;

} // namespace Engine

namespace Engine::Inspector {

using TBytes = std::span<const uint8_t>;

// The row's fixed size in bytes; 0 for the rows whose length depends on the bytes.
int RowSize(TInspectorRow row);
bool RowSigned(TInspectorRow row);
bool RowInteger(TInspectorRow row);
uint64_t Compose(TBytes bytes, int size, TByteOrder order);
std::vector<uint8_t> Spread(uint64_t value, int size, TByteOrder order);

// Half and bfloat16 share one layout: sign, exponent with its bias, mantissa. The C++20 library has no
// type for either, so they are converted through double.
struct TSmallFloat {
    int mantissaBits;
    int exponentBits;
};
inline constexpr TSmallFloat Half{10, 5};
inline constexpr TSmallFloat BFloat{7, 8};
double SmallFloatValue(uint32_t bits, TSmallFloat form);
// The nearest small float (ties to even), or none when a finite value rounds beyond the largest.
std::optional<uint32_t> SmallFloatBits(double value, TSmallFloat form);

template <typename TText> void AppendUtf8(TText& text, char32_t c) {
    using TUnit = typename TText::value_type;
    if (c < 0x80) {
        text.push_back(static_cast<TUnit>(c));
        return;
    }
    const int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    text.push_back(static_cast<TUnit>(((0xF00u >> (extra + 1)) & 0xFF) | c >> (6 * extra)));
    for (int i = extra - 1; i >= 0; --i)
        text.push_back(static_cast<TUnit>(0x80 | (c >> (6 * i) & 0x3F)));
}

// The character of the UTF-8 sequence at the front of the bytes, with its length; Incomplete when the
// bytes end inside it.
enum class TUtf8Status { Valid, Invalid, Incomplete };
struct TUtf8Character {
    TUtf8Status status;
    char32_t c;
    size_t length;
};
TUtf8Character DecodeUtf8(TBytes bytes);

} // namespace Engine::Inspector
