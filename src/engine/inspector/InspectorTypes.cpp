// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspector/InspectorTypes.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Engine::Inspector {

int RowSize(TInspectorRow row) {
    switch (row) {
    case TInspectorRow::Int16:
    case TInspectorRow::UInt16:
    case TInspectorRow::Float16:
    case TInspectorRow::BFloat16:
    case TInspectorRow::Utf16:
        return 2;
    case TInspectorRow::Int24:
    case TInspectorRow::UInt24:
        return 3;
    case TInspectorRow::Int32:
    case TInspectorRow::UInt32:
    case TInspectorRow::Float32:
    case TInspectorRow::UnixTime32:
    case TInspectorRow::DosDateTime:
        return 4;
    case TInspectorRow::Int64:
    case TInspectorRow::UInt64:
    case TInspectorRow::Float64:
    case TInspectorRow::UnixTime64:
    case TInspectorRow::FileTime:
        return 8;
    case TInspectorRow::Guid:
        return 16;
    case TInspectorRow::Sleb128:
    case TInspectorRow::Uleb128:
    case TInspectorRow::Utf8:
        return 0;
    default:
        return 1;
    }
}

bool RowSigned(TInspectorRow row) {
    return row == TInspectorRow::Int8 || row == TInspectorRow::Int16 || row == TInspectorRow::Int24 ||
           row == TInspectorRow::Int32 || row == TInspectorRow::Int64;
}

bool RowInteger(TInspectorRow row) {
    return row <= TInspectorRow::UInt64;
}

uint64_t Compose(TBytes bytes, int size, TByteOrder order) {
    return ComposeBytes(bytes.first(static_cast<size_t>(size)), order);
}

std::vector<uint8_t> Spread(uint64_t value, int size, TByteOrder order) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i)
        bytes[static_cast<size_t>(order == TByteOrder::MsbFirst ? size - 1 - i : i)] =
            static_cast<uint8_t>(value >> (8 * i));
    return bytes;
}

double SmallFloatValue(uint32_t bits, TSmallFloat form) {
    const int bias = (1 << (form.exponentBits - 1)) - 1;
    const uint32_t expMask = (1u << form.exponentBits) - 1;
    const uint32_t exponent = bits >> form.mantissaBits & expMask;
    const uint32_t mantissa = bits & ((1u << form.mantissaBits) - 1);
    const double sign = bits >> (form.mantissaBits + form.exponentBits) ? -1.0 : 1.0;
    if (exponent == expMask)
        return mantissa ? std::numeric_limits<double>::quiet_NaN()
                        : sign * std::numeric_limits<double>::infinity();
    if (exponent == 0) return sign * std::ldexp(mantissa, 1 - bias - form.mantissaBits);
    return sign * std::ldexp(mantissa | 1u << form.mantissaBits,
                             static_cast<int>(exponent) - bias - form.mantissaBits);
}

std::optional<uint32_t> SmallFloatBits(double value, TSmallFloat form) {
    const int bias = (1 << (form.exponentBits - 1)) - 1;
    const uint32_t signBit = std::signbit(value) ? 1u << (form.mantissaBits + form.exponentBits) : 0;
    const uint32_t infinity = ((1u << form.exponentBits) - 1) << form.mantissaBits;
    if (std::isnan(value)) return infinity | 1u << (form.mantissaBits - 1);
    if (std::isinf(value)) return signBit | infinity;
    const double magnitude = std::fabs(value);
    const int exponent = magnitude == 0 ? 1 - bias : std::max(std::ilogb(magnitude), 1 - bias);
    if (exponent > bias) return std::nullopt;
    // Subnormals share the smallest exponent; a mantissa rounded up to the next power carries into it.
    const auto mantissa =
        static_cast<uint32_t>(std::nearbyint(std::ldexp(magnitude, form.mantissaBits - exponent)));
    const uint32_t bits =
        (static_cast<uint32_t>(exponent + bias) << form.mantissaBits) + mantissa - (1u << form.mantissaBits);
    if (bits >= infinity) return std::nullopt;
    return signBit | bits;
}

TUtf8Character DecodeUtf8(TBytes bytes) {
    const uint8_t lead = bytes[0];
    if (lead < 0x80) return {TUtf8Status::Valid, lead, 1};
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length == 0) return {TUtf8Status::Invalid, 0, 0};
    char32_t c = lead & (0x7Fu >> length);
    for (size_t i = 1; i < length; ++i) {
        if (i == bytes.size()) return {TUtf8Status::Incomplete, 0, 0};
        if ((bytes[i] & 0xC0) != 0x80) return {TUtf8Status::Invalid, 0, 0};
        c = c << 6 | (bytes[i] & 0x3Fu);
    }
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {TUtf8Status::Invalid, 0, 0};
    return {TUtf8Status::Valid, c, length};
}

} // namespace Engine::Inspector
