// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/inspector/InspectorTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The bytes at the cursor read as every common type, and a typed value turned back into bytes. One table
// of rows that the inspector panel and the tests both read.
namespace Engine {

class TDocument;

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
std::string WriteInspectorText(TDocument& doc, TInspectorRow row, std::string_view text, TByteOrder order);

} // namespace Engine
