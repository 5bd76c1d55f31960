// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/Integers.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The bytes at the cursor read as every common type, and a typed value turned back into bytes. One table
// of rows that the inspector panel and the tests both read.
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

struct TInspectedValue {
    TInspectorRow row;
    const char* name;
    std::string text;
    bool present; // false where the file has too few bytes; text is then Texts::NoValue
};

const char* InspectorRowName(TInspectorRow row);

std::string InspectRow(TInspectorRow row, std::span<const uint8_t> bytes, TByteOrder order);
std::vector<TInspectedValue> InspectBytes(std::span<const uint8_t> bytes, TByteOrder order);

// The bytes a typed value stands for, to be written over the bytes at the cursor; or, when the text
// is no value of the row's type, the message that says why (and no bytes).
struct TInspectorEncoding {
    std::vector<uint8_t> bytes;
    std::string error;
};
TInspectorEncoding EncodeInspectorText(TInspectorRow row, std::string_view text, TByteOrder order);

// Writes a typed value over the bytes at the cursor, as one undo step and by the rules of typing (a
// read-only file beeps; past the end of the file the write is refused with its message). Returns the
// message for text that is no value of the row, which changes nothing; else empty.
std::string WriteInspectorText(TInspectorRow row, std::string_view text, TByteOrder order);

} // namespace Engine
