// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

// The bytes a structure is read from. The interpreter asks for each field's bytes when it needs them, so
// that a large file is never copied whole; a source that fails (a file that shrank) answers false.
namespace Engine {

class TStructInput {
  public:
    virtual ~TStructInput() = default;
    virtual uint64_t Size() const = 0;
    // Fills into with the bytes from offset on (counted from 0); false when they cannot all be read.
    virtual bool Read(uint64_t offset, std::span<uint8_t> into) const = 0;
    // The bytes from offset on where they already lie in memory in one piece, or null (then Read them).
    virtual const uint8_t* InPlace(uint64_t, uint64_t) const { return nullptr; }
};

// Bytes held in memory (tests, the command line's mapped file).
class TSpanInput final : public TStructInput {
  public:
    explicit TSpanInput(std::span<const uint8_t> bytes) : Bytes(bytes) {}
    uint64_t Size() const override { return Bytes.size(); }
    bool Read(uint64_t offset, std::span<uint8_t> into) const override;
    const uint8_t* InPlace(uint64_t offset, uint64_t count) const override {
        return offset <= Bytes.size() && count <= Bytes.size() - offset ? Bytes.data() + offset : nullptr;
    }

  private:
    std::span<const uint8_t> Bytes;
};

} // namespace Engine
