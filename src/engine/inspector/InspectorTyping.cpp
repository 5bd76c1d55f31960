// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspector/DataInspector.h"

#include "engine/text/Cp1252.h"
#include "engine/document/EngineHost.h"
#include "engine/document/EngineState.h"
#include "engine/editing/Editing.h"
#include "engine/inspector/InspectorTypes.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/editing/UndoJournal.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <chrono>
#include <cctype>
#include <cmath>
#include <optional>

// Typed text turned back into the bytes of an inspector row.
namespace Engine {

using namespace Inspector;

namespace {

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

std::string WriteInspectorText(TDocument& doc, TInspectorRow row, std::string_view text, TByteOrder order) {
    if (!doc.FileOpen) return {};
    if (doc.File.ReadOnly) {
        RefuseReadOnly(doc);
        return {};
    }
    TInspectorEncoding encoded = EncodeInspectorText(row, text, order);
    if (!encoded.error.empty()) return encoded.error;
    WriteEncodedAs(doc, encoded.bytes, true, TStepName::InspectorEdit);
    return {};
}

} // namespace Engine
