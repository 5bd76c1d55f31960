// SPDX-License-Identifier: GPL-3.0-or-later
// The inspector's rows against hand-written texts for exact values, integers and floats against memcpy
// into the machine's own types, and every editable row's text typed back into the same bytes.
#include "engine/inspector/DataInspector.h"

#include "common/TestRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

using namespace Engine;
using Row = TInspectorRow;

namespace {

constexpr TByteOrder Le = TByteOrder::LsbFirst;
constexpr TByteOrder Be = TByteOrder::MsbFirst;

std::vector<uint8_t> Hex(const char* text) {
    std::vector<uint8_t> bytes;
    for (const char* p = text; p[0] && p[1]; p += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
    return bytes;
}

struct TCase {
    const char* bytes;
    TByteOrder order;
    Row row;
    const char* text;
};

TEST(DataInspector, RowsShowExactValues) {
    const TCase cases[] = {
        {"ff", Le, Row::Int8, "-1"},
        {"ff", Le, Row::UInt8, "255"},
        {"0080", Le, Row::Int16, "-32768"},
        {"0080", Be, Row::Int16, "128"},
        {"fffffe", Be, Row::Int24, "-2"},
        {"0000000000000080", Le, Row::Int64, "-9223372036854775808"},
        {"ffffffffffffffff", Be, Row::UInt64, "18446744073709551615"},
        {"41", Le, Row::Binary8, "01000001"},
        {"ff", Le, Row::Octal8, "377"},
        {"003e", Le, Row::Float16, "1.5"},
        {"7c00", Be, Row::Float16, "Infinity"},
        {"7e01", Be, Row::Float16, "NaN"},
        {"0100", Le, Row::Float16, "5.9604645e-08"},
        {"c03f", Le, Row::BFloat16, "1.5"},
        {"0000c03f", Le, Row::Float32, "1.5"},
        {"ff800000", Be, Row::Float32, "-Infinity"},
        {"7fc00000", Be, Row::Float32, "NaN"},
        {"000000000000f83f", Le, Row::Float64, "1.5"},
        {"e58e26", Le, Row::Uleb128, "624485, length 3"},
        {"c0bb78", Le, Row::Sleb128, "-123456, length 3"},
        {"7f", Le, Row::Sleb128, "-1, length 1"},
        {"ffffffffffffffffff7f", Le, Row::Uleb128, "invalid"},
        {"8080", Le, Row::Uleb128, "-"},
        {"00000080", Le, Row::UnixTime32, "2038-01-19T03:14:08Z"},
        {"00000000", Be, Row::UnixTime32, "1970-01-01T00:00:00Z"},
        {"ffffffffffffffff", Le, Row::UnixTime64, "1969-12-31T23:59:59Z"},
        {"ffffffffffffff7f", Le, Row::UnixTime64, "invalid"},
        {"00803ed5deb19d01", Le, Row::FileTime, "1970-01-01T00:00:00Z"},
        {"01803ed5deb19d01", Le, Row::FileTime, "1970-01-01T00:00:00.0000001Z"},
        {"40cb8ad5deb19d01", Le, Row::FileTime, "1970-01-01T00:00:00.5Z"},
        {"00002100", Le, Row::DosDateTime, "1980-01-01T00:00:00Z"},
        {"7dbc9d5a", Le, Row::DosDateTime, "2025-04-29T23:35:58Z"},
        {"00002000", Le, Row::DosDateTime, "invalid"},
        {"33221100554477668899aabbccddeeff", Le, Row::Guid, "{00112233-4455-6677-8899-AABBCCDDEEFF}"},
        {"00112233445566778899aabbccddeeff", Be, Row::Guid, "{00112233-4455-6677-8899-AABBCCDDEEFF}"},
        {"c3a9", Le, Row::Utf8, "U+00E9 \xC3\xA9"},
        {"f09f9880", Le, Row::Utf8, "U+1F600 \xF0\x9F\x98\x80"},
        {"c0af", Le, Row::Utf8, "invalid"},
        {"eda080", Le, Row::Utf8, "invalid"},
        {"80", Le, Row::Utf8, "invalid"},
        {"e08080", Le, Row::Utf8, "invalid"},
        {"e282", Le, Row::Utf8, "-"},
        {"0a", Le, Row::Utf8, "U+000A"},
        {"3dd800de", Le, Row::Utf16, "U+1F600 \xF0\x9F\x98\x80"},
        {"00dc", Le, Row::Utf16, "invalid"},
        {"3dd84100", Le, Row::Utf16, "invalid"},
        {"3dd8", Le, Row::Utf16, "-"},
        {"20ac", Be, Row::Utf16, "U+20AC \xE2\x82\xAC"},
        {"80", Le, Row::Windows1252, "U+20AC \xE2\x82\xAC"},
        {"81", Le, Row::Windows1252, "U+0081"},
        {"0000c0", Le, Row::Float32, "-"},
        {"", Le, Row::Int8, "-"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(InspectRow(c.row, Hex(c.bytes), c.order), c.text)
            << InspectorRowName(c.row) << " " << c.bytes;
    }
}

template <typename T> T Native(const std::vector<uint8_t>& bytes, TByteOrder order) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.begin() + sizeof(T));
    if ((order == Be) == (std::endian::native == std::endian::little)) std::reverse(copy.begin(), copy.end());
    T value;
    std::memcpy(&value, copy.data(), sizeof(T));
    return value;
}

// Integers and floats against the machine's own types; then every editable row's text typed back
// gives the bytes it came from (a NaN gives some NaN), for every row that shows a value.
TEST(DataInspector, RandomBytesMatchNativeTypesAndRoundTrip) {
    TTestRandom random(24);
    for (int round = 0; round < 2000; ++round) {
        const auto bytes = random.Bytes(InspectorSpan);
        for (TByteOrder order : {Le, Be}) {
            EXPECT_EQ(InspectRow(Row::Int16, bytes, order), std::to_string(Native<int16_t>(bytes, order)));
            EXPECT_EQ(InspectRow(Row::UInt32, bytes, order), std::to_string(Native<uint32_t>(bytes, order)));
            EXPECT_EQ(InspectRow(Row::Int64, bytes, order), std::to_string(Native<int64_t>(bytes, order)));
            const double f64 = Native<double>(bytes, order);
            const std::string f64Text = InspectRow(Row::Float64, bytes, order);
            double parsed = 0;
            std::from_chars(f64Text.data(), f64Text.data() + f64Text.size(), parsed);
            if (!std::isnan(f64)) {
                EXPECT_EQ(parsed, f64) << f64Text;
            }
            for (int i = 0; i < InspectorRowCount; ++i) {
                const auto row = static_cast<Row>(i);
                const std::string text = InspectRow(row, bytes, order);
                if (text == "invalid") continue;
                const TInspectorEncoding encoded = EncodeInspectorText(row, text, order);
                ASSERT_EQ(encoded.error, "") << InspectorRowName(row) << " " << text;
                if (text == "NaN") {
                    EXPECT_EQ(InspectRow(row, encoded.bytes, order), "NaN");
                } else {
                    EXPECT_TRUE(std::equal(encoded.bytes.begin(), encoded.bytes.end(), bytes.begin()))
                        << InspectorRowName(row) << " " << text;
                }
            }
        }
    }
}

TEST(DataInspector, TypedTextsBecomeBytesOrClearErrors) {
    const struct {
        Row row;
        const char* text;
        TByteOrder order;
        const char* bytes; // nullptr: refused
    } cases[] = {
        {Row::Int8, "-128", Le, "80"},
        {Row::Int8, "128", Le, nullptr},
        {Row::UInt8, "-1", Le, nullptr},
        {Row::UInt8, " +255 ", Le, "ff"},
        {Row::Int24, "-8388608", Be, "800000"},
        {Row::Int24, "8388608", Be, nullptr},
        {Row::UInt16, "65536", Le, nullptr},
        {Row::UInt64, "18446744073709551616", Le, nullptr},
        {Row::Int32, "12x", Le, nullptr},
        {Row::Int32, "", Le, nullptr},
        {Row::Binary8, "100000000", Le, nullptr},
        {Row::Binary8, "101", Le, "05"},
        {Row::Octal8, "400", Le, nullptr},
        {Row::Octal8, "377", Le, "ff"},
        {Row::Float16, "65504", Be, "7bff"},
        {Row::Float16, "65520", Be, nullptr},
        {Row::Float16, "1e-8", Be, "0000"},
        {Row::Float16, "-Infinity", Be, "fc00"},
        {Row::BFloat16, "1e39", Be, nullptr},
        {Row::Float32, "1.5", Be, "3fc00000"},
        {Row::Float32, "1e39", Be, nullptr},
        {Row::Float64, "-0", Le, "0000000000000080"},
        {Row::Float64, "1.5.", Le, nullptr},
        {Row::Guid, "{00112233-4455-6677-8899-aabbccddeeff}", Le, "33221100554477668899aabbccddeeff"},
        {Row::Guid, "00112233445566778899AABBCCDDEEFF", Be, "00112233445566778899aabbccddeeff"},
        {Row::Guid, "{00112233-4455-6677-8899-AABBCCDDEE}", Le, nullptr},
        {Row::Uleb128, "624485", Le, "e58e26"},
        {Row::Uleb128, "0, length 3", Le, "808000"},
        {Row::Uleb128, "-1", Le, nullptr},
        {Row::Sleb128, "-1, length 2", Le, "ff7f"},
        {Row::Sleb128, "-123456, length 2", Le, nullptr},
        {Row::Sleb128, "5, breadth 2", Le, nullptr},
        {Row::UnixTime32, "2038-01-19T03:14:08Z", Le, "00000080"},
        {Row::UnixTime32, "2038-01-19 03:14:08", Be, "80000000"},
        {Row::UnixTime32, "1969-12-31T23:59:59Z", Le, nullptr},
        {Row::UnixTime32, "2038-01-19T03:14:08.5Z", Le, nullptr},
        {Row::UnixTime64, "2038-02-30T00:00:00Z", Le, nullptr},
        {Row::FileTime, "1970-01-01T00:00:00.5Z", Le, "40cb8ad5deb19d01"},
        {Row::FileTime, "1600-12-31T23:59:59Z", Le, nullptr},
        {Row::DosDateTime, "1980-01-01T00:00:00Z", Le, "00002100"},
        {Row::DosDateTime, "2025-04-29T23:35:58Z", Le, "7dbc9d5a"},
        {Row::DosDateTime, "2025-04-29T23:35:59Z", Le, nullptr},
        {Row::DosDateTime, "1979-12-31T23:59:58Z", Le, nullptr},
        {Row::Utf8, "\xE2\x82\xAC", Le, "e282ac"},
        {Row::Utf8, "U+1F600", Le, "f09f9880"},
        {Row::Utf8, "ab", Le, nullptr},
        {Row::Utf8, "U+D800", Le, nullptr},
        {Row::Utf16, "U+1F600 \xF0\x9F\x98\x80", Be, "d83dde00"},
        {Row::Windows1252, "\xE2\x82\xAC", Le, "80"},
        {Row::Windows1252, "U+0100", Le, nullptr},
    };
    for (const auto& c : cases) {
        const TInspectorEncoding encoded = EncodeInspectorText(c.row, c.text, c.order);
        if (c.bytes) {
            EXPECT_EQ(encoded.bytes, Hex(c.bytes)) << InspectorRowName(c.row) << " " << c.text;
            EXPECT_EQ(encoded.error, "");
        } else {
            EXPECT_TRUE(encoded.bytes.empty()) << InspectorRowName(c.row) << " " << c.text;
            EXPECT_NE(encoded.error.find(InspectorRowName(c.row)), std::string::npos) << encoded.error;
        }
    }
}

} // namespace
