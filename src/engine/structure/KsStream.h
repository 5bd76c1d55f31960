// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/structure/StructInput.h"

#include <cstdint>
#include <memory>
#include <string>

// A stream as the format language sees it: a window of the input (the file, or the decoded bytes of a
// processed field) with its own position and bit reader. A substream of a given size is a narrower window
// over the same bytes; nothing is copied.
namespace Engine {

class TKsStream {
  public:
    // A window of the file.
    TKsStream(const TStructInput& input, uint64_t base, uint64_t size) : Input(&input), Base(base), Length(size) {}
    // Bytes made by the interpreter (a processed field); origin: where they came from in the file.
    TKsStream(std::shared_ptr<const std::string> data, uint64_t originAddress, uint64_t originSize)
        : Data(std::move(data)), Length(Data->size()), OriginAddress(originAddress), OriginSize(originSize) {}

    // A window of this stream from pos on, size bytes long (checked by the caller).
    std::shared_ptr<TKsStream> Sub(uint64_t pos, uint64_t size) const;

    uint64_t Size() const { return Length; }
    uint64_t Pos() const { return Position; }
    bool Eof() const { return BitsLeft == 0 && Position >= Length; }
    void Seek(uint64_t pos);
    // Whether the stream's bytes lie in the file one for one, and where its byte pos lies there.
    bool InFile() const { return Data == nullptr; }
    uint64_t FileAddress(uint64_t pos) const { return InFile() ? Base + pos : OriginAddress; }
    uint64_t Origin() const { return OriginAddress; }
    uint64_t OriginLength() const { return OriginSize; }

    // Reads count bytes at the position and moves past them; an end-of-stream error when they are not there.
    void Read(uint8_t* into, uint64_t count);
    // count bytes at pos, the position untouched.
    void ReadAt(uint64_t pos, uint8_t* into, uint64_t count) const;
    // count bytes at pos where they lie in memory, or null when they must be read.
    const uint8_t* InPlace(uint64_t pos, uint64_t count) const {
        if (pos > Length || count > Length - pos) return nullptr;
        return Data ? reinterpret_cast<const uint8_t*>(Data->data()) + Base + pos : Input->InPlace(Base + pos, count);
    }
    std::string ReadString(uint64_t count);
    uint64_t ReadUnsigned(int width, bool littleEndian);
    static uint64_t Decode(const uint8_t* bytes, int width, bool littleEndian);
    uint64_t ReadBitsBe(int count);
    uint64_t ReadBitsLe(int count);
    // The position with the bit reader's state, to come back to after reading elsewhere.
    struct TMark {
        uint64_t Position, Bits;
        int BitsLeft;
    };
    TMark Mark() const { return {Position, Bits, BitsLeft}; }
    void Reset(const TMark& mark) {
        Position = mark.Position;
        Bits = mark.Bits;
        BitsLeft = mark.BitsLeft;
    }
    void AlignToByte() {
        BitsLeft = 0;
        Bits = 0;
    }
    // Bytes up to the terminator (searched in chunks): unit bytes of that value at a multiple of unit from
    // the position. eosError: whether a missing terminator is an error.
    std::string ReadTerminated(uint8_t terminator, size_t unit, bool include, bool consume, bool eosError,
                               uint64_t limit);

  private:
    const TStructInput* Input = nullptr;
    std::shared_ptr<const std::string> Data;
    uint64_t Base = 0;
    uint64_t Length = 0;
    uint64_t Position = 0;
    uint64_t Bits = 0;
    int BitsLeft = 0;
    uint64_t OriginAddress = 0;
    uint64_t OriginSize = 0;
    void Fetch(uint64_t pos, uint8_t* into, uint64_t count) const;
};

} // namespace Engine
