// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/structure/KsSchema.h"
#include "engine/structure/KsStream.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// What the interpreter reads: values, objects of user types and arrays. An object holds its children; a
// child points back at its parent and root without owning them, so the tree's root must outlive any value
// taken from it.
namespace Engine {

struct TKsObj;
struct TKsArray;
class TKsInterpreter;

inline uint64_t SwapBytes(uint64_t v) {
#if defined(_MSC_VER)
    return _byteswap_uint64(v);
#else
    return __builtin_bswap64(v);
#endif
}

enum class TKsKind : uint8_t { None, Bool, Int, Float, Str, Bytes, Obj, Array, Io };

struct TKsValue {
    TKsKind Kind = TKsKind::None;
    bool Unsigned = false;        // Int: I holds a value above INT64_MAX as its bit pattern
    const TKsEnum* Enum = nullptr; // Int: the enum it is a value of
    int64_t I = 0;                 // Bool, Int
    double F = 0;
    std::shared_ptr<const std::string> Text; // Str (UTF-8), Bytes (null: not read yet, see At/Len)
    std::shared_ptr<TKsObj> Obj;
    std::shared_ptr<TKsArray> Arr;
    std::shared_ptr<TKsStream> Io; // Io, and the stream of Bytes not read yet
    uint64_t At = 0, Len = 0;      // Bytes not read yet: where they lie in Io

    static TKsValue Int(int64_t v, bool isUnsigned = false) {
        TKsValue r;
        r.Kind = TKsKind::Int;
        r.I = v;
        r.Unsigned = isUnsigned && v < 0;
        return r;
    }
    static TKsValue Boolean(bool v) {
        TKsValue r;
        r.Kind = TKsKind::Bool;
        r.I = v;
        return r;
    }
    static TKsValue Real(double v) {
        TKsValue r;
        r.Kind = TKsKind::Float;
        r.F = v;
        return r;
    }
    static TKsValue String(std::string s, TKsKind kind = TKsKind::Str) {
        TKsValue r;
        r.Kind = kind;
        r.Text = std::make_shared<const std::string>(std::move(s));
        return r;
    }
};

// One field of an object: its value, the bytes it came from in its stream, and what stopped it.
struct TKsSlot {
    enum class TState : uint8_t { Unread, Busy, Done, Absent, Failed };
    TState State = TState::Unread;
    TKsValue Value;
    uint64_t Start = 0, End = 0;    // positions in Io (or in the object's stream when Io is null)
    std::shared_ptr<TKsStream> Io;  // an instance read from another stream
    std::shared_ptr<const std::string> Error;
    TKsErrorKind ErrorKind = TKsErrorKind::Data;
    std::string ErrorName;
};

struct TKsObj : std::enable_shared_from_this<TKsObj> {
    const TKsType* Type = nullptr;
    TKsObj* Parent = nullptr;
    TKsObj* Root = nullptr;
    std::shared_ptr<TKsStream> Io;
    std::vector<TKsSlot> Slots;
    std::vector<TKsValue> Params;
    int IsLe = 0; // 1 little-endian, 2 big-endian, 0 undecided
    int Depth = 0;
    bool Detached = false; // of another file's type: no parent, and no root seen from outside
    bool OwnsIo = false; // read from a stream of its own (a size was given): its size is the stream's
    uint64_t Start = 0, End = 0;
    uint64_t SizeOf() const { return OwnsIo ? Io->Size() : End - Start; }
    TKsInterpreter* Interpreter = nullptr;
};

// An array field. Elements of a fixed size are read when asked for (Lazy), so that a million records
// cost nothing until they are looked at; others are read with the object.
struct TKsArray {
    std::vector<TKsValue> Items;
    std::vector<std::pair<uint64_t, uint64_t>> Ranges; // of each item, in Io
    std::shared_ptr<TKsStream> Io;
    bool Lazy = false;
    uint64_t Count = 0, First = 0, Stride = 0;
    TKsObj* Owner = nullptr;
    const TKsAttr* Attr = nullptr;

    uint64_t Size() const { return Lazy ? Count : Items.size(); }
    // Element i (reads it when lazy); throws TKsError.
    TKsValue At(uint64_t i) const;
    std::pair<uint64_t, uint64_t> Range(uint64_t i) const {
        return Lazy ? std::pair<uint64_t, uint64_t>{First + i * Stride, First + (i + 1) * Stride} : Ranges[i];
    }
    // Field slot of element i of a lazy array of fixed records, read straight from its place when it is a
    // plain number, without building the record.
    TKsValue Field(uint64_t i, int slot) const;

    // How each field of a lazy array's records is read straight from its place (Width 0: build the record).
    struct TDirect {
        uint64_t Offset = 0;
        int Width = 0;
        bool Little = false, Signed = false;
        const TKsEnum* Enum = nullptr;
    };
    mutable std::vector<TDirect> Direct;
    mutable bool DirectKnown = false;
    // The whole array's bytes when the input holds them in memory in one piece (null: read each field).
    mutable const uint8_t* InPlace = nullptr;
    void PlanDirect() const;

    // A plain number field of element i without building a value: false when the field is not one (then
    // ask Field). The cheapest way through a million records.
    bool Number(uint64_t i, int slot, int64_t& value) const {
        if (!DirectKnown) PlanDirect();
        if (!InPlace || slot < 0 || static_cast<size_t>(slot) >= Direct.size() || i >= Count) return false;
        const TDirect& d = Direct[static_cast<size_t>(slot)];
        if (!d.Width) return false;
        const uint8_t* b = InPlace + i * Stride + d.Offset;
        uint64_t raw = 0;
        if constexpr (std::endian::native == std::endian::little) {
            // Fixed sizes, so that each copy is one load.
            switch (d.Width) {
            case 1: raw = b[0]; break;
            case 2: {
                uint16_t v;
                std::memcpy(&v, b, 2);
                raw = v;
                break;
            }
            case 4: {
                uint32_t v;
                std::memcpy(&v, b, 4);
                raw = v;
                break;
            }
            default: std::memcpy(&raw, b, 8);
            }
            if (!d.Little && d.Width > 1) raw = SwapBytes(raw) >> (64 - 8 * d.Width);
        } else {
            for (int k = 0; k < d.Width; ++k) raw = raw << 8 | b[d.Little ? d.Width - 1 - k : k];
        }
        value = static_cast<int64_t>(raw);
        if (d.Signed && d.Width < 8) {
            const int shift = 64 - d.Width * 8;
            value = static_cast<int64_t>(raw << shift) >> shift;
        }
        return true;
    }
};

} // namespace Engine
