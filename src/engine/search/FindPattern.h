// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

// What Find all looks for: numbers, Unicode text, regular expressions. A pattern is made once from the
// user's request and then only read, so that several workers may search with it; each search asks it for a
// matcher of its own, which holds whatever one search changes as it goes.
namespace Engine {

// A hit inside a window: its offset there and its length.
struct TWindowHit {
    size_t Offset = 0;
    size_t Length = 0;
};

// One window of the bytes searched: where its first byte lies in the file, and whether it ends where the
// file ends (the last bytes of any other window may go on in the next one).
struct TSearchWindow {
    TAddress First = 1;
    std::span<const uint8_t> Bytes;
    bool AtEnd = false;
};

class TFindMatcher {
  public:
    virtual ~TFindMatcher() = default;
    // The leftmost hit starting at an offset in from .. to - 1. The window holds MaxLength() - 1 bytes past
    // to - 1 unless it ends where the file does, and Behind() bytes before from where the file has them.
    virtual std::optional<TWindowHit> First(const TSearchWindow& window, size_t from, size_t to) = 0;
    // Why the search had to stop (empty while it may go on): a pattern that needs too much work.
    virtual std::string Failure() const { return {}; }
};

class TFindPattern {
  public:
    virtual ~TFindPattern() = default;
    // The longest hit there can be.
    virtual size_t MaxLength() const = 0;
    // How many bytes before a hit may decide whether it is one.
    virtual size_t Behind() const { return 0; }
    virtual std::unique_ptr<TFindMatcher> NewMatcher() const = 0;
};

} // namespace Engine
