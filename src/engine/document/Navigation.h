// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Moving the cursor by address: Go to, the jump width, the remembered address, and Block <n>.
namespace Engine {

class TDocument;

// The go modes of the Go to dialog, in the order of its choices.
enum class TGoMode : int { Absolute = 0, RelativeDown = 1, RelativeUp = 2 };

// The address an entry n leads to (absolute: as the user sees addresses), or 0 when it lies outside the
// file. Worked out in 64 bits, so that no sum near the top of a large file can wrap into the range.
TAddress GotoTarget(TDocument& doc, TGoMode mode, int64_t n);
// An address as typed on the command line or into the Go to, Jump width and Block <n> fields: digits of
// the field's base (decimal unless hex), or hexadecimal digits after "$" or "0x" whatever the base, up to
// 63 bits. None for anything else: no digits, a sign, a blank, a digit of the wrong base.
std::optional<int64_t> ReadAddressText(std::string_view text, bool hex = false);
// The length of the "$" or "0x" that makes the rest of an address hexadecimal, 0 when there is none.
size_t HexPrefixLength(std::string_view text);
// The first character after the prefix that is no digit of the base the address is read in, as its whole
// UTF-8 sequence; empty when there is none (an unreadable address then is empty or too large).
std::string_view StrayAddressChar(std::string_view text, bool hex);
// The cursor onto the absolute entry n (as the user sees addresses), or "Adress invalid" when it lies
// outside the file. False when it did not move.
bool GoToEntered(TDocument& doc, int64_t n);
// 1 <= n < FileSize.
bool JumpWidthValid(TDocument& doc, int64_t n);
// 1 <= n < FileSize, and n bytes from the cursor stay inside the file.
bool BlockSizeValid(TDocument& doc, int64_t n);

// Cursor onto the address, scrolling only when it is not shown.
void GoToAddress(TDocument& doc, TAddress address);
// The Jump width dialog closed: with a width, Jump down/up become usable; cancelled, they are not.
void JumpWidthDone(TDocument& doc, std::optional<TCount> width);
void Jumpdown1Click(TDocument& doc);
void Jumpup1Click(TDocument& doc);
void Rememberadress1Click(TDocument& doc);
void Gotoremembered1Click(TDocument& doc);
// The decimal figures, a carriage return, the hex figures (negative as 32-bit two's complement).
std::string DifferenceText(TDocument& doc);
void Displaydifference1Click(TDocument& doc);
// Marks n bytes from the cursor as the block (the dialog has checked BlockSizeValid).
void MarkBlockOfSize(TDocument& doc, TCount n);

} // namespace Engine
