// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The bytes at the cursor read as small integers, and integers turned into bytes, in either byte order.
namespace Engine {

class TDocument;

// The byte order of the Options dialog: 0 least significant byte first, 1 most significant first.
enum class TByteOrder : int { LsbFirst = 0, MsbFirst = 1 };

// The integer types, in the order the Encode dialog offers them.
enum class TIntType : int { Shortint = 0, Byte = 1, Word = 2, Integer = 3, Longint = 4 };

const char* ByteOrderText(TByteOrder order);
int IntTypeSize(TIntType type);
bool IntTypeFits(TIntType type, int64_t value);

// A number typed in hexadecimal stands for the 32-bit pattern the number fields write: 0x80000000 to
// 0xFFFFFFFF are the negative numbers (0xFFFFFFFF is -1); anything else stays as it is.
int64_t FromHexPattern(int64_t typed);

// Up to 8 bytes, the first at the lowest address, as one unsigned number.
uint64_t ComposeBytes(std::span<const uint8_t> bytes, TByteOrder order);
// The low bytes of value's two's-complement form in the byte order; none when value is out of the type's
// range.
std::optional<std::vector<uint8_t>> EncodeInteger(int64_t value, TIntType type, TByteOrder order);

// The lines of the Decode dialog for the bytes from the cursor on: shortint, then word and integer when
// two bytes exist, then longint when four do. None in an empty file.
std::vector<std::string> DecodeLines(TDocument& doc, TByteOrder order);

// Writes encoded bytes at the cursor: over the bytes there, or before them. An empty file takes them
// whole, either way. Reports a failure itself and then leaves the file as it was.
bool WriteEncoded(TDocument& doc, std::span<const uint8_t> bytes, bool overwrite);
// The same, as an undo step of another name.
enum class TStepName : uint8_t;
bool WriteEncodedAs(TDocument& doc, std::span<const uint8_t> bytes, bool overwrite, TStepName name);

} // namespace Engine
