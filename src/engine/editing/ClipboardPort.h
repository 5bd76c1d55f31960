// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

// The system clipboard as the engine sees it. The window implements it over the desktop's clipboard;
// tests and benchmarks put their own in its place.
enum class TClipFormat {
    Binary,      // the program's own: a 4-byte count, least significant byte first, then the bytes
    OctetStream, // raw bytes as other hex editors offer them
    Text,        // any text, handed over as bytes of the typed character set (see ClipboardTextBytes)
};

// Bytes lent by the clipboard; they stay valid while Owner lives.
struct TClipData {
    std::span<const uint8_t> Bytes;
    std::shared_ptr<const void> Owner;
};

class TClipboardPort {
  public:
    virtual ~TClipboardPort() = default;

    // Room for a payload of exactly size bytes, handed over by the next Publish; empty when the memory
    // cannot be had.
    virtual std::span<uint8_t> Reserve(size_t size) = 0;
    // Replaces whatever the clipboard holds by the reserved payload in the binary format and, when text is
    // not empty, text as plain text for other programs.
    virtual bool Publish(std::u16string_view text) = 0;
    virtual void Clear() = 0;
    // Whether data of the format is offered, without fetching it.
    virtual bool Offers(TClipFormat format) = 0;
    // The data of the format, or nothing when the clipboard has none (or its owner went away).
    virtual std::optional<TClipData> Data(TClipFormat format) = 0;
};
