// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <span>

// Where a piece's bytes come from: the file as it was opened, or bytes added by edits. A source never
// changes the bytes a piece already refers to, so that a snapshot may read them on another thread.
namespace Engine {

class TPieceSource {
  public:
    virtual ~TPieceSource() = default;
    // The bytes from offset on, where they lie in memory; nullptr where they must be read.
    virtual const uint8_t* Bytes(int64_t offset) const = 0;
    // Reads into.size() bytes from offset; the count read, short (down to 0) where the source can no
    // longer give them (a file shortened or failing under us).
    virtual int64_t Read(int64_t offset, std::span<uint8_t> into) const = 0;
};

using TSourcePtr = std::shared_ptr<const TPieceSource>;

// One block of the add buffer: bytes are only ever appended after its last one, and it never moves, so
// that readers of earlier bytes need no lock while typing goes on.
class TAddBlock final : public TPieceSource {
  public:
    explicit TAddBlock(int64_t capacity) : Data(new uint8_t[static_cast<size_t>(capacity)]), Capacity(capacity) {}

    const uint8_t* Bytes(int64_t offset) const override { return Data.get() + offset; }
    int64_t Read(int64_t offset, std::span<uint8_t> into) const override;

    int64_t Room() const { return Capacity - Used; }
    int64_t End() const { return Used; }
    // Appends bytes (at most Room()) and returns the offset they start at.
    int64_t Append(std::span<const uint8_t> bytes);
    // Appends count copies of value.
    int64_t AppendFill(uint8_t value, int64_t count);

  private:
    std::unique_ptr<uint8_t[]> Data;
    int64_t Capacity;
    int64_t Used = 0;
};

} // namespace Engine

namespace Engine {

// A run of one value, as OpenGap and InsertFill make: held as the value alone, so that a long run costs no
// memory.
class TFillSource final : public TPieceSource {
  public:
    explicit TFillSource(uint8_t value) : Value(value) {}
    const uint8_t* Bytes(int64_t) const override { return nullptr; }
    int64_t Read(int64_t offset, std::span<uint8_t> into) const override;

  private:
    uint8_t Value;
};

} // namespace Engine
