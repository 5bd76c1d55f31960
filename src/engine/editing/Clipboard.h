// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/text/CharacterSet.h"
#include "engine/editing/ClipboardPort.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Cut, copy and paste between the file and the system clipboard, and the offer to empty it at exit.
namespace Engine {

class TDocument;
struct TApplication;

inline constexpr size_t PayloadHeader = 4;
// At exit, a binary block larger than this (its count included) is worth the question.
inline constexpr size_t OfferThreshold = 512;

// Writes the count and the bytes into payload, which holds exactly bytes.size() + PayloadHeader bytes.
void EncodePayload(std::span<const uint8_t> bytes, std::span<uint8_t> payload);
// The bytes a payload carries; nothing when it is shorter than its count says (other programs can
// put anything on the clipboard).
std::optional<std::span<const uint8_t>> DecodePayload(std::span<const uint8_t> payload);
// Clipboard text as bytes: up to its first NUL, each character as its byte in the typed character set
// (TypedByte), '?' for a character that has none.
std::vector<uint8_t> ClipboardTextBytes(const TApplication& app, std::u16string_view text);

// Blocks up to this size also go on the clipboard as text (hex pairs are three characters a byte).
inline constexpr size_t TextFlavourLimit = size_t{16} << 20;
// The text a block is copied out as: from the hex pane upper-case pairs apart by spaces, from the text pane
// the characters of the set it shows, control and zero bytes as '.'.
std::u16string BlockText(std::span<const uint8_t> bytes, bool textPane, TCharacterSet set);

// Cut (cut true) or Copy of the marked block.
void Cut1Click(TDocument& doc, TClipboardPort& clipboard, bool cut);
void Paste1Click(TDocument& doc, TClipboardPort& clipboard);
// Inserts the bytes the clipboard's text spells in hex (LooseHexToBytes) before the cursor.
void PasteHex1Click(TDocument& doc, TClipboardPort& clipboard);
// Whether the clipboard offers anything Paste takes.
bool CanPaste(TClipboardPort& clipboard);
// Paste1 follows the clipboard while a file is open.
void Clipboard1Click(TDocument& doc, TClipboardPort& clipboard);
void OfferToEmptyClipboard(TDocument& doc, TClipboardPort& clipboard);

} // namespace Engine
