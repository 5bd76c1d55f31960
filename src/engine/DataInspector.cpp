// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DataInspector.h"

#include "engine/Cp1252.h"
#include "engine/EngineHost.h"
#include "engine/EngineState.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "engine/UndoJournal.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace Engine {

namespace {

using TBytes = std::span<const uint8_t>;

// The row's fixed size in bytes; 0 for the rows whose length depends on the bytes.
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

int64_t SignExtend(uint64_t value, int size) {
    const int unused = 64 - 8 * size;
    return static_cast<int64_t>(value << unused) >> unused;
}

// Half and bfloat16 share one layout: sign, exponent with its bias, mantissa. The C++20 library has no
// type for either, so they are converted through double here.
struct TSmallFloat {
    int mantissaBits;
    int exponentBits;
};
constexpr TSmallFloat Half{10, 5};
constexpr TSmallFloat BFloat{7, 8};

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

// The nearest small float (ties to even), or none when a finite value rounds beyond the largest.
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

// The character of the UTF-8 sequence at the front of the bytes, with its length; Incomplete when the
// bytes end inside it.
enum class TUtf8Status { Valid, Invalid, Incomplete };
struct TUtf8Character {
    TUtf8Status status;
    char32_t c;
    size_t length;
};
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

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    // from_chars takes a minus sign but no plus sign.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    return text;
}

// The whole text as one number, or the error code of from_chars (invalid_argument for trailing junk).
template <typename T, typename... Base> std::errc ParseWhole(std::string_view text, T& value, Base... base) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, base...);
    if (result.ec == std::errc{} && result.ptr != text.data() + text.size())
        return std::errc::invalid_argument;
    return result.ec;
}


// Typed LEB128: the number, and optionally the length shown beside it, so that a padded encoding keeps
// its length when it is typed back.
std::optional<std::vector<uint8_t>> Leb128Bytes(std::string_view text, bool isSigned, std::errc& error) {
    std::string_view number = text;
    int length = 0;
    if (const size_t comma = text.find(','); comma != std::string_view::npos) {
        number = Trimmed(text.substr(0, comma));
        std::string_view rest = Trimmed(text.substr(comma + 1));
        constexpr std::string_view Word = "length";
        if (rest.substr(0, Word.size()) != Word) return std::nullopt;
        rest = Trimmed(rest.substr(Word.size()));
        if (ParseWhole(rest, length, 10) != std::errc{}) return std::nullopt;
        if (length < 1 || length > 10) {
            error = std::errc::result_out_of_range;
            return std::nullopt;
        }
    }
    uint64_t value = 0;
    if (isSigned) {
        int64_t signedValue = 0;
        error = ParseWhole(number, signedValue, 10);
        value = static_cast<uint64_t>(signedValue);
    } else {
        if (!number.empty() && number.front() == '-') error = std::errc::result_out_of_range;
        else error = ParseWhole(number, value, 10);
    }
    if (error != std::errc{}) return std::nullopt;
    std::vector<uint8_t> bytes;
    for (;;) {
        const auto payload = static_cast<uint8_t>(value & 0x7F);
        const bool last = isSigned ? static_cast<int64_t>(value) >> 6 == static_cast<int64_t>(value) >> 63
                                   : value >> 7 == 0;
        value = isSigned ? static_cast<uint64_t>(static_cast<int64_t>(value) >> 7) : value >> 7;
        bytes.push_back(payload);
        if (last) break;
        bytes.back() |= 0x80;
    }
    if (length != 0 && static_cast<size_t>(length) < bytes.size()) {
        error = std::errc::result_out_of_range;
        return std::nullopt;
    }
    // Padding continues the sign: 0x80 bytes for a positive number, 0xFF for a negative one.
    const uint8_t fill = isSigned && static_cast<int64_t>(value) < 0 ? 0x7F : 0x00;
    while (static_cast<int>(bytes.size()) < length) {
        bytes.back() |= 0x80;
        bytes.push_back(fill);
    }
    return bytes;
}

// "YYYY-MM-DDTHH:MM:SS" with an optional fraction of up to seven digits and an optional "Z" (a space may
// stand for the "T"); the seconds since 1970 and the fraction in 100 ns.
struct TUtcTime {
    int64_t seconds;
    uint32_t ticks;
};
std::optional<TUtcTime> ParseUtc(std::string_view text) {
    if (!text.empty() && (text.back() == 'Z' || text.back() == 'z')) text.remove_suffix(1);
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != 't' &&
        text[10] != ' ') || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const auto field = [&](size_t at, size_t size, int& value) {
        for (size_t i = at; i < at + size; ++i)
            if (text[i] < '0' || text[i] > '9') return false;
        return ParseWhole(text.substr(at, size), value, 10) == std::errc{};
    };
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!field(0, 4, year) || !field(5, 2, month) || !field(8, 2, day) || !field(11, 2, hour) ||
        !field(14, 2, minute) || !field(17, 2, second))
        return std::nullopt;
    uint32_t ticks = 0;
    if (text.size() > 19) {
        const std::string_view fraction = text.substr(20);
        if (text[19] != '.' || fraction.empty() || fraction.size() > 7) return std::nullopt;
        int digits = 0;
        if (!field(20, fraction.size(), digits)) return std::nullopt;
        ticks = static_cast<uint32_t>(digits);
        for (size_t i = fraction.size(); i < 7; ++i)
            ticks *= 10;
    }
    const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{unsigned(month)},
                                           std::chrono::day{unsigned(day)}};
    if (!date.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return TUtcTime{std::chrono::sys_days{date}.time_since_epoch().count() * int64_t{86400} + hour * 3600 +
                        minute * 60 + second,
                    ticks};
}

std::optional<std::vector<uint8_t>> TimeBytes(TInspectorRow row, std::string_view text, TByteOrder order,
                                              std::errc& error) {
    const std::optional<TUtcTime> time = ParseUtc(text);
    if (!time) return std::nullopt;
    error = std::errc::result_out_of_range;
    constexpr int64_t SecondsFrom1601To1970 = 11644473600;
    switch (row) {
    case TInspectorRow::UnixTime32:
        if (time->ticks != 0 || time->seconds < 0 || time->seconds > UINT32_MAX) return std::nullopt;
        break;
    case TInspectorRow::UnixTime64:
        if (time->ticks != 0) return std::nullopt;
        break;
    case TInspectorRow::FileTime:
        if (time->seconds < -SecondsFrom1601To1970) return std::nullopt;
        error = {};
        return Spread(static_cast<uint64_t>(time->seconds + SecondsFrom1601To1970) * 10000000 + time->ticks, 8,
                      order);
    default: { // a DOS date and time: 1980 to 2107, even seconds
        const int64_t day = time->seconds >= 0 ? time->seconds / 86400 : -1;
        const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{day}}};
        const int year = static_cast<int>(date.year()) - 1980;
        const int64_t inDay = time->seconds - day * 86400;
        if (time->ticks != 0 || year < 0 || year > 127 || inDay % 2 != 0) return std::nullopt;
        const auto timeWord = static_cast<uint64_t>(inDay / 3600 << 11 | inDay / 60 % 60 << 5 | inDay % 60 / 2);
        const auto dateWord = static_cast<uint64_t>(year << 9 | static_cast<int>(unsigned(date.month())) << 5 |
                                                    static_cast<int>(unsigned(date.day())));
        std::vector<uint8_t> bytes = Spread(timeWord, 2, order);
        const std::vector<uint8_t> dateBytes = Spread(dateWord, 2, order);
        bytes.insert(bytes.end(), dateBytes.begin(), dateBytes.end());
        error = {};
        return bytes;
    }
    }
    error = {};
    return Spread(static_cast<uint64_t>(time->seconds), row == TInspectorRow::UnixTime32 ? 4 : 8, order);
}

// Braces and dashes are optional; the 32 hex digits are read in the order GuidText writes them.
std::optional<std::vector<uint8_t>> GuidBytes(std::string_view text, TByteOrder order) {
    if (text.size() >= 2 && text.front() == '{' && text.back() == '}') text = text.substr(1, text.size() - 2);
    std::string digits;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '-') continue;
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        digits += text[i];
    }
    if (digits.size() != 32) return std::nullopt;
    std::vector<uint8_t> bytes(16);
    for (size_t i = 0; i < 16; ++i)
        std::from_chars(digits.data() + 2 * i, digits.data() + 2 * i + 2, bytes[i], 16);
    if (order == TByteOrder::LsbFirst) {
        std::reverse(bytes.begin(), bytes.begin() + 4);
        std::reverse(bytes.begin() + 4, bytes.begin() + 6);
        std::reverse(bytes.begin() + 6, bytes.begin() + 8);
    }
    return bytes;
}

// One character: "U+hex" as the rows show it (the glyph after it is ignored), or the character itself.
std::optional<char32_t> TypedCharacter(std::string_view text) {
    if (text.size() > 2 && (text[0] == 'U' || text[0] == 'u') && text[1] == '+') {
        const std::string_view digits = text.substr(2, text.find(' ') == std::string_view::npos
                                                            ? std::string_view::npos
                                                            : text.find(' ') - 2);
        uint32_t c = 0;
        if (digits.empty() || digits.size() > 6 || ParseWhole(digits, c, 16) != std::errc{}) return std::nullopt;
        return static_cast<char32_t>(c);
    }
    if (text.empty()) return std::nullopt;
    const TUtf8Character decoded =
        DecodeUtf8(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    // Exactly one character.
    if (decoded.status != TUtf8Status::Valid || decoded.length != text.size()) return std::nullopt;
    return decoded.c;
}

std::optional<std::vector<uint8_t>> CharacterBytes(TInspectorRow row, std::string_view text, TByteOrder order,
                                                   std::errc& error) {
    const std::optional<char32_t> c = TypedCharacter(text);
    if (!c) return std::nullopt;
    error = std::errc::result_out_of_range;
    if (*c > 0x10FFFF || (*c >= 0xD800 && *c <= 0xDFFF)) return std::nullopt;
    std::vector<uint8_t> bytes;
    if (row == TInspectorRow::Utf8) {
        AppendUtf8(bytes, *c);
    } else if (row == TInspectorRow::Utf16) {
        if (*c < 0x10000) {
            bytes = Spread(*c, 2, order);
        } else {
            bytes = Spread(0xD800 + ((*c - 0x10000) >> 10), 2, order);
            const std::vector<uint8_t> low = Spread(0xDC00 + ((*c - 0x10000) & 0x3FF), 2, order);
            bytes.insert(bytes.end(), low.begin(), low.end());
        }
    } else {
        const std::optional<uint8_t> byte = Cp1252::FromUnicode(*c);
        if (!byte) return std::nullopt;
        bytes.push_back(*byte);
    }
    error = {};
    return bytes;
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

TInspectorEncoding EncodeInspectorText(TInspectorRow row, std::string_view typed, TByteOrder order) {
    const std::string name = InspectorRowName(row);
    const std::string_view text = Trimmed(typed);
    const auto failure = [&](const char* message) {
        return TInspectorEncoding{{}, FormatText(message, {name, std::string(typed)})};
    };
    if (row > TInspectorRow::Float64) {
        std::errc error = std::errc::invalid_argument;
        std::optional<std::vector<uint8_t>> bytes;
        if (row == TInspectorRow::Sleb128 || row == TInspectorRow::Uleb128)
            bytes = Leb128Bytes(text, row == TInspectorRow::Sleb128, error);
        else if (row == TInspectorRow::Guid)
            bytes = GuidBytes(text, order);
        else if (row >= TInspectorRow::Utf8)
            bytes = CharacterBytes(row, text, order, error);
        else
            bytes = TimeBytes(row, text, order, error);
        if (bytes) return {std::move(*bytes), {}};
        return failure(error == std::errc::result_out_of_range ? Texts::InspectorOutOfRange
                                                               : Texts::InspectorBadValue);
    }
    const int size = RowSize(row);
    uint64_t bits = 0;
    std::errc error{};
    if (RowInteger(row) && RowSigned(row)) {
        int64_t value = 0;
        error = ParseWhole(text, value, 10);
        const int64_t limit = size == 8 ? INT64_MAX : (int64_t{1} << (8 * size - 1)) - 1;
        if (error == std::errc{} && (value > limit || value < -limit - 1))
            error = std::errc::result_out_of_range;
        bits = static_cast<uint64_t>(value);
    } else if (RowInteger(row) || row == TInspectorRow::Binary8 || row == TInspectorRow::Octal8) {
        const int base = row == TInspectorRow::Binary8 ? 2 : row == TInspectorRow::Octal8 ? 8 : 10;
        if (!text.empty() && text.front() == '-') return failure(Texts::InspectorOutOfRange);
        error = ParseWhole(text, bits, base);
        if (error == std::errc{} && size < 8 && bits >> (8 * size) != 0)
            error = std::errc::result_out_of_range;
    } else if (row == TInspectorRow::Float32) {
        float value = 0;
        error = ParseWhole(text, value);
        bits = std::bit_cast<uint32_t>(value);
    } else {
        double value = 0;
        error = ParseWhole(text, value);
        bits = std::bit_cast<uint64_t>(value);
        if (error == std::errc{} && row != TInspectorRow::Float64) {
            const auto small = SmallFloatBits(value, row == TInspectorRow::Float16 ? Half : BFloat);
            if (!small) error = std::errc::result_out_of_range;
            bits = small.value_or(0);
        }
    }
    if (error == std::errc::result_out_of_range) return failure(Texts::InspectorOutOfRange);
    if (error != std::errc{}) return failure(Texts::InspectorBadValue);
    return {Spread(bits, size, order), {}};
}

std::string WriteInspectorText(TInspectorRow row, std::string_view text, TByteOrder order) {
    if (!FileOpen) return {};
    if (ReadOnly) {
        Host->Beep();
        return {};
    }
    TInspectorEncoding encoded = EncodeInspectorText(row, text, order);
    if (!encoded.error.empty()) return encoded.error;
    WriteEncodedAs(encoded.bytes, true, TStepName::InspectorEdit);
    return {};
}

} // namespace Engine
