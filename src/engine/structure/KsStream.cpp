// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/KsStream.h"

#include "engine/structure/KsError.h"

#include <cstring>

namespace Engine {

namespace {

[[noreturn]] void EndOfStream(uint64_t wanted, uint64_t left) {
    KsFail(TKsErrorKind::Data,
           "requested " + std::to_string(wanted) + " bytes, but only " + std::to_string(left) + " bytes available",
           0, "EndOfStreamError");
}

} // namespace

std::shared_ptr<TKsStream> TKsStream::Sub(uint64_t pos, uint64_t size) const {
    std::shared_ptr<TKsStream> sub = Data ? std::make_shared<TKsStream>(*this) : std::make_shared<TKsStream>(*Input, Base + pos, size);
    if (Data) {
        sub->Base = Base + pos;
        sub->Length = size;
    }
    sub->Position = 0;
    sub->AlignToByte();
    return sub;
}

void TKsStream::Seek(uint64_t pos) {
    if (pos > Length)
        KsFail(TKsErrorKind::Data, "position " + std::to_string(pos) + " lies past the end (" + std::to_string(Length) + ")",
               0, "EndOfStreamError");
    Position = pos;
}

void TKsStream::Fetch(uint64_t pos, uint8_t* into, uint64_t count) const {
    if (count == 0) return;
    if (Data) {
        std::memcpy(into, Data->data() + Base + pos, count);
    } else if (!Input->Read(Base + pos, std::span<uint8_t>(into, count))) {
        KsFail(TKsErrorKind::Data, "the bytes at " + std::to_string(Base + pos) + " cannot be read", 0, "ReadError");
    }
}

void TKsStream::ReadAt(uint64_t pos, uint8_t* into, uint64_t count) const {
    if (pos > Length || count > Length - pos) EndOfStream(count, pos > Length ? 0 : Length - pos);
    Fetch(pos, into, count);
}

void TKsStream::Read(uint8_t* into, uint64_t count) {
    ReadAt(Position, into, count);
    Position += count;
}

std::string TKsStream::ReadString(uint64_t count) {
    if (count > Length - Position) EndOfStream(count, Length - Position);
    std::string bytes(count, '\0');
    Read(reinterpret_cast<uint8_t*>(bytes.data()), count);
    return bytes;
}

uint64_t TKsStream::Decode(const uint8_t* b, int width, bool littleEndian) {
    uint64_t v = 0;
    if (littleEndian)
        for (int i = width - 1; i >= 0; --i) v = v << 8 | b[i];
    else
        for (int i = 0; i < width; ++i) v = v << 8 | b[i];
    return v;
}

uint64_t TKsStream::ReadUnsigned(int width, bool littleEndian) {
    uint8_t b[8];
    Read(b, static_cast<uint64_t>(width));
    return Decode(b, width, littleEndian);
}

// The bit readers keep the bits left over from the last byte read, as the language's runtimes do.
uint64_t TKsStream::ReadBitsBe(int n) {
    uint64_t res = 0;
    const int needed = n - BitsLeft;
    BitsLeft = -needed & 7;
    if (needed > 0) {
        const int bytes = (needed - 1) / 8 + 1;
        uint8_t buf[8];
        Read(buf, static_cast<uint64_t>(bytes));
        for (int i = 0; i < bytes; ++i) res = res << 8 | buf[i];
        const uint64_t fresh = res;
        res = res >> BitsLeft | (needed < 64 ? Bits << needed : 0);
        Bits = fresh;
    } else {
        res = Bits >> -needed;
    }
    Bits &= (uint64_t{1} << BitsLeft) - 1;
    return res;
}

uint64_t TKsStream::ReadBitsLe(int n) {
    uint64_t res = 0;
    const int needed = n - BitsLeft;
    if (needed > 0) {
        const int bytes = (needed - 1) / 8 + 1;
        uint8_t buf[8];
        Read(buf, static_cast<uint64_t>(bytes));
        for (int i = 0; i < bytes; ++i) res |= static_cast<uint64_t>(buf[i]) << (i * 8);
        const uint64_t fresh = needed < 64 ? res >> needed : 0;
        res = (BitsLeft ? res << BitsLeft : res) | Bits;
        Bits = fresh;
    } else {
        res = Bits;
        Bits = n < 64 ? Bits >> n : 0;
    }
    BitsLeft = -needed & 7;
    if (n < 64) res &= (uint64_t{1} << n) - 1;
    return res;
}

std::string TKsStream::ReadTerminated(uint8_t terminator, size_t unit, bool include, bool consume, bool eosError,
                                      uint64_t limit) {
    std::string bytes;
    uint8_t chunk[4096];
    uint64_t at = Position;
    for (;;) {
        const uint64_t n = std::min<uint64_t>(sizeof chunk, Length - at) / unit * unit;
        if (n == 0) {
            if (eosError)
                KsFail(TKsErrorKind::Data, "end of stream reached, but no terminator " + std::to_string(terminator) + " found",
                       0, "EndOfStreamError");
            bytes.append(Length - at, '\0');
            if (Length > at) Fetch(at, reinterpret_cast<uint8_t*>(bytes.data() + bytes.size() - (Length - at)), Length - at);
            Position = Length;
            return bytes;
        }
        Fetch(at, chunk, n);
        for (uint64_t k = 0; k < n; k += unit) {
            bool hit = true;
            for (size_t u = 0; u < unit && hit; ++u) hit = chunk[k + u] == terminator;
            if (hit) {
                bytes.append(reinterpret_cast<const char*>(chunk), k + (include ? unit : 0));
                Position = at + k + (consume ? unit : 0);
                return bytes;
            }
        }
        bytes.append(reinterpret_cast<const char*>(chunk), n);
        at += n;
        if (bytes.size() > limit)
            KsFail(TKsErrorKind::Limit, "no terminator within " + std::to_string(limit) + " bytes");
    }
}

} // namespace Engine
