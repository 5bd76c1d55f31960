// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspector/DataInspector.h"

#include "engine/text/Cp1252.h"
#include "engine/inspector/InspectorTypes.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace Engine {

using namespace Inspector;

namespace {

int64_t SignExtend(uint64_t value, int size) {
    const int unused = 64 - 8 * size;
    return static_cast<int64_t>(value << unused) >> unused;
}

template <typename T> std::string FloatText(T value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string Leb128Text(TBytes bytes, bool isSigned) {
    uint64_t value = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint64_t payload = bytes[i] & 0x7Fu;
        // The tenth byte holds the 64th bit only (a signed number: its sign); more would not fit.
        if (i == 9 && (isSigned ? payload != 0 && payload != 0x7F : payload > 1))
            return Texts::InspectorInvalid;
        if (i == 10) return Texts::InspectorInvalid;
        value |= payload << (7 * i);
        if (bytes[i] & 0x80) continue;
        const int length = static_cast<int>(i) + 1;
        const int bits = 7 * length;
        if (isSigned && bits < 64 && (value >> (bits - 1) & 1)) value |= ~uint64_t{0} << bits;
        const std::string number =
            isSigned ? std::to_string(static_cast<int64_t>(value)) : std::to_string(value);
        return FormatText(Texts::InspectorLebLength, {number, int64_t{length}});
    }
    return bytes.size() < static_cast<size_t>(InspectorSpan) ? Texts::InspectorNoValue
                                                             : Texts::InspectorInvalid;
}

// ISO 8601 in UTC, with the fraction of a second (in 100 ns) only where there is one; "invalid" outside
// the four-digit years.
std::string UtcText(int64_t seconds, uint32_t ticks) {
    constexpr int64_t FirstDay = -719162; // 0001-01-01
    constexpr int64_t LastDay = 2932896;  // 9999-12-31
    const int64_t day = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    if (day < FirstDay || day > LastDay) return Texts::InspectorInvalid;
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{day}}};
    const int64_t inDay = seconds - day * 86400;
    char buffer[48];
    int length = std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02d",
                               static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                               static_cast<unsigned>(date.day()), static_cast<int>(inDay / 3600),
                               static_cast<int>(inDay / 60 % 60), static_cast<int>(inDay % 60));
    std::string text(buffer, static_cast<size_t>(length));
    if (ticks != 0) {
        length = std::snprintf(buffer, sizeof buffer, ".%07u", ticks);
        text.append(buffer, static_cast<size_t>(length));
        while (text.back() == '0')
            text.pop_back();
    }
    return text + "Z";
}

std::string FileTimeText(uint64_t ticks) {
    constexpr int64_t SecondsFrom1601To1970 = 11644473600;
    return UtcText(static_cast<int64_t>(ticks / 10000000) - SecondsFrom1601To1970,
                   static_cast<uint32_t>(ticks % 10000000));
}

// The time word comes first, as in a FAT directory entry; seconds are stored halved.
std::string DosDateTimeText(TBytes bytes, TByteOrder order) {
    const auto time = static_cast<unsigned>(Compose(bytes, 2, order));
    const auto date = static_cast<unsigned>(Compose(bytes.subspan(2), 2, order));
    const std::chrono::year_month_day day{std::chrono::year{1980 + static_cast<int>(date >> 9)},
                                          std::chrono::month{date >> 5 & 15}, std::chrono::day{date & 31}};
    const unsigned hour = time >> 11, minute = time >> 5 & 63, second = (time & 31) * 2;
    if (!day.ok() || hour > 23 || minute > 59 || second > 59) return Texts::InspectorInvalid;
    return UtcText(std::chrono::sys_days{day}.time_since_epoch().count() * 86400 + hour * 3600 + minute * 60 +
                       second,
                   0);
}

// Little endian: the mixed-endian form of Windows (three little-endian fields, then eight bytes as they
// stand); big endian: every byte as it stands, as RFC 4122 writes it.
std::string GuidText(TBytes bytes, TByteOrder order) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(Compose(bytes, 4, order)),
                  static_cast<unsigned>(Compose(bytes.subspan(4), 2, order)),
                  static_cast<unsigned>(Compose(bytes.subspan(6), 2, order)), bytes[8], bytes[9], bytes[10],
                  bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return buffer;
}

// The code point and, unless it is a control character, its glyph.
std::string CharacterText(char32_t c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    std::string text = buffer;
    if (c >= 0x20 && !(c >= 0x7F && c <= 0x9F)) {
        text += ' ';
        AppendUtf8(text, c);
    }
    return text;
}

std::string Utf8Text(TBytes bytes) {
    const TUtf8Character decoded = DecodeUtf8(bytes);
    if (decoded.status == TUtf8Status::Incomplete) return Texts::InspectorNoValue;
    if (decoded.status == TUtf8Status::Invalid) return Texts::InspectorInvalid;
    return CharacterText(decoded.c);
}

std::string Utf16Text(TBytes bytes, TByteOrder order) {
    const auto unit = static_cast<char32_t>(Compose(bytes, 2, order));
    if (unit < 0xD800 || unit > 0xDFFF) return CharacterText(unit);
    if (unit >= 0xDC00) return Texts::InspectorInvalid;
    if (bytes.size() < 4) return Texts::InspectorNoValue;
    const auto low = static_cast<char32_t>(Compose(bytes.subspan(2), 2, order));
    if (low < 0xDC00 || low > 0xDFFF) return Texts::InspectorInvalid;
    return CharacterText(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
}

std::string ValueText(TInspectorRow row, TBytes bytes, TByteOrder order) {
    const int size = RowSize(row);
    const uint64_t raw = size > 0 && size <= 8 ? Compose(bytes, size, order) : 0; // a GUID has no one number
    if (RowInteger(row)) return RowSigned(row) ? std::to_string(SignExtend(raw, size)) : std::to_string(raw);
    char buffer[16];
    switch (row) {
    case TInspectorRow::Binary8:
        for (int i = 0; i < 8; ++i)
            buffer[i] = static_cast<char>('0' + (raw >> (7 - i) & 1));
        return std::string(buffer, 8);
    case TInspectorRow::Octal8:
        std::snprintf(buffer, sizeof buffer, "%03o", static_cast<unsigned>(raw));
        return buffer;
    case TInspectorRow::Float16:
        return FloatText(static_cast<float>(SmallFloatValue(static_cast<uint32_t>(raw), Half)));
    case TInspectorRow::BFloat16:
        return FloatText(static_cast<float>(SmallFloatValue(static_cast<uint32_t>(raw), BFloat)));
    case TInspectorRow::Float32:
        return FloatText(std::bit_cast<float>(static_cast<uint32_t>(raw)));
    case TInspectorRow::Float64:
        return FloatText(std::bit_cast<double>(raw));
    case TInspectorRow::Sleb128:
    case TInspectorRow::Uleb128:
        return Leb128Text(bytes, row == TInspectorRow::Sleb128);
    case TInspectorRow::UnixTime32: // unsigned, so it reaches past 2038
    case TInspectorRow::UnixTime64:
        return UtcText(static_cast<int64_t>(raw), 0);
    case TInspectorRow::FileTime:
        return FileTimeText(raw);
    case TInspectorRow::DosDateTime:
        return DosDateTimeText(bytes, order);
    case TInspectorRow::Guid:
        return GuidText(bytes, order);
    case TInspectorRow::Utf8:
        return Utf8Text(bytes);
    case TInspectorRow::Utf16:
        return Utf16Text(bytes, order);
    case TInspectorRow::Windows1252:
        return CharacterText(Cp1252::ToUnicode(bytes[0]));
    default:
        return {};
    }
}

} // namespace

const char* InspectorRowName(TInspectorRow row) {
    return Texts::InspectorRowNames[static_cast<int>(row)];
}

std::string InspectRow(TInspectorRow row, std::span<const uint8_t> bytes, TByteOrder order) {
    if (bytes.empty() || bytes.size() < static_cast<size_t>(RowSize(row))) return Texts::InspectorNoValue;
    return ValueText(row, bytes.first(std::min(bytes.size(), size_t{InspectorSpan})), order);
}

std::vector<TInspectedValue> InspectBytes(std::span<const uint8_t> bytes, TByteOrder order) {
    std::vector<TInspectedValue> values;
    values.reserve(InspectorRowCount);
    for (int i = 0; i < InspectorRowCount; ++i) {
        const auto row = static_cast<TInspectorRow>(i);
        std::string text = InspectRow(row, bytes, order);
        const bool present = text != Texts::InspectorNoValue;
        values.push_back({row, InspectorRowName(row), std::move(text), present});
    }
    return values;
}

} // namespace Engine
