// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/KsInterpreter.h"

#include "engine/structure/KsProcess.h"
#include "engine/structure/KsText.h"

#include <cstring>

namespace Engine {

namespace {

// Arrays shorter than this are read at once: reading them costs little and keeps errors where the
// language puts them.
constexpr uint64_t LazyFrom = 256;
// Byte fields longer than this are read only when their value is used.
constexpr uint64_t LazyBytesFrom = 4096;

[[noreturn]] void Rethrow(const TKsError& e, int line) {
    if (e.Line > 0 || line <= 0) throw e;
    throw TKsError(e.Kind, e.what(), line, e.Name);
}

void MarkFailed(TKsSlot& slot, const TKsError& e) {
    slot.State = TKsSlot::TState::Failed;
    slot.Error = std::make_shared<const std::string>(e.what());
    slot.ErrorKind = e.Kind;
    slot.ErrorName = e.Name;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < bytes.size() && i < 32; ++i) {
        if (i) out += ' ';
        out += digits[static_cast<uint8_t>(bytes[i]) >> 4];
        out += digits[static_cast<uint8_t>(bytes[i]) & 15];
    }
    return out;
}

} // namespace

TKsValue TKsArray::At(uint64_t i) const {
    if (i >= Size()) KsFail(TKsErrorKind::Data, "index " + std::to_string(i) + " out of range", 0, "IndexError");
    return Lazy ? Owner->Interpreter->Element(*this, i) : Items[i];
}

TKsValue TKsArray::Field(uint64_t i, int slot) const {
    return Owner->Interpreter->ElementField(*this, i, slot);
}

TKsInterpreter::TKsInterpreter(const TKsSchema& schema, const TStructInput& input, TKsLimits limits)
    : Schema(schema), Input(input), Limits(limits) {}

TKsInterpreter::~TKsInterpreter() {
    for (const std::weak_ptr<TKsObj>& weak : Objects) {
        if (const std::shared_ptr<TKsObj> obj = weak.lock()) {
            obj->Slots.clear();
            obj->Params.clear();
        }
    }
}

void TKsInterpreter::Step() {
    if (++Work > Limits.Work)
        KsFail(TKsErrorKind::Limit, "stopped after " + std::to_string(Limits.Work) + " steps");
    if ((Work & 1023) == 0 && std::chrono::steady_clock::now() > Deadline)
        KsFail(TKsErrorKind::Limit, "stopped after " + std::to_string(Limits.Time.count() / 1000) + " seconds");
}

void TKsInterpreter::Hold(uint64_t bytes) {
    BytesHeld += bytes;
    if (BytesHeld > Limits.Bytes)
        KsFail(TKsErrorKind::Limit, "stopped: more than " + std::to_string(Limits.Bytes >> 20) + " MiB of values");
}

std::shared_ptr<TKsObj> TKsInterpreter::Parse() {
    Deadline = std::chrono::steady_clock::now() + Limits.Time;
    Work = 0;
    BytesHeld = 0;
    Stopped = TKsSlot{};
    auto io = std::make_shared<TKsStream>(Input, 0, Input.Size());
    TKsTypeRef ref;
    ref.Kind = TKsTypeRef::TKind::User;
    ref.Type = &Schema.Root();
    TKsValue root;
    try {
        ParseUser(ref, nullptr, io, TKsContext{}, 0, root);
    } catch (const TKsError& e) {
        MarkFailed(Stopped, e);
    }
    return root.Obj;
}

bool TKsInterpreter::LittleEndian(const TKsObj& obj, const TKsTypeRef& ref, int line) const {
    if (ref.Endian) return ref.Endian == 1;
    if (obj.IsLe) return obj.IsLe == 1;
    if (obj.Type->EndianSwitch || obj.Type->InheritsSwitchedEndian)
        KsFail(TKsErrorKind::Data, "the byte order is undecided", line, "UndecidedEndiannessError");
    KsFail(TKsErrorKind::Definition, "no byte order (endian) given for this number", line);
}

void TKsInterpreter::ParseUser(const TKsTypeRef& ref, TKsObj* parent, const std::shared_ptr<TKsStream>& io,
                               const TKsContext& argCtx, int line, TKsValue& out, bool ownsIo) {
    Step();
    if (parent && parent->Depth + 1 > Limits.Depth)
        KsFail(TKsErrorKind::Limit, "objects nest deeper than " + std::to_string(Limits.Depth), line);
    const TKsType& type = *ref.Type;
    auto obj = std::make_shared<TKsObj>();
    obj->Type = &type;
    // A type of another file starts a tree of its own, as the language's compiler builds it.
    const bool foreign = parent && parent->Type->File != type.File;
    obj->Parent = foreign ? nullptr : parent;
    obj->Root = parent && !foreign ? parent->Root : obj.get();
    obj->Detached = foreign;
    obj->Io = io;
    obj->Interpreter = this;
    obj->Depth = parent ? parent->Depth + 1 : 0;
    obj->OwnsIo = ownsIo;
    obj->Slots.resize(static_cast<size_t>(type.SlotCount()));
    if (Objects.size() >= ObjectsKept) {
        std::erase_if(Objects, [](const std::weak_ptr<TKsObj>& weak) { return weak.expired(); });
        ObjectsKept = std::max<size_t>(64, Objects.size() * 2);
    }
    Objects.push_back(obj);
    obj->Start = io->Pos();
    out = TKsValue{};
    out.Kind = TKsKind::Obj;
    out.Obj = obj;
    if (ref.Args.size() != type.Params.size())
        KsFail(TKsErrorKind::Definition,
               "type '" + type.Name + "' takes " + std::to_string(type.Params.size()) + " parameters, not " +
                   std::to_string(ref.Args.size()),
               line);
    for (size_t i = 0; i < ref.Args.size(); ++i) {
        TKsValue v = Eval(*ref.Args[i], argCtx);
        if (type.Params[i].Enum && v.Kind == TKsKind::Int) v.Enum = type.Params[i].Enum;
        obj->Params.push_back(std::move(v));
    }
    if (type.Endian) {
        obj->IsLe = type.Endian;
    } else if (type.EndianSwitch) {
        const TKsValue on = Eval(*type.EndianSwitch, TKsContext{obj.get()});
        for (const auto& c : type.EndianCases) {
            if (!c.first || KsCompare(*this, on, Eval(*c.first, TKsContext{obj.get()}), line) == 0) {
                obj->IsLe = c.second;
                break;
            }
        }
        if (!obj->IsLe) KsFail(TKsErrorKind::Data, "the byte order is undecided", type.Line, "UndecidedEndiannessError");
    } else if (type.InheritsSwitchedEndian && parent) {
        obj->IsLe = parent->IsLe;
    }
    ParseSeq(*obj);
}

void TKsInterpreter::ParseSeq(TKsObj& obj) {
    TKsStream& io = *obj.Io;
    for (size_t i = 0; i < obj.Type->Seq.size(); ++i) {
        const TKsAttr& a = obj.Type->Seq[i];
        TKsSlot& slot = obj.Slots[i];
        slot.Start = io.Pos();
        slot.State = TKsSlot::TState::Busy;
        try {
            const bool present = ReadAttr(obj, a, obj.Io, slot.Value);
            slot.State = present ? TKsSlot::TState::Done : TKsSlot::TState::Absent;
            slot.End = io.Pos();
        } catch (const TKsError& e) {
            slot.End = io.Pos();
            MarkFailed(slot, e);
            obj.End = io.Pos();
            Rethrow(e, a.Line);
        }
    }
    obj.End = io.Pos();
}

std::optional<uint64_t> TKsInterpreter::FixedStride(const TKsAttr& a) const {
    if (a.Switch || !a.Process.empty() || a.SizeEos || a.Contents) return std::nullopt;
    if (a.Size) return a.Size->Op == TKsOp::Int ? std::optional<uint64_t>(a.Size->Int) : std::nullopt;
    switch (a.Type.Kind) {
    case TKsTypeRef::TKind::Int:
    case TKsTypeRef::TKind::Float: return static_cast<uint64_t>(a.Type.Width);
    case TKsTypeRef::TKind::User: return a.Type.Type->FixedSize;
    default: return std::nullopt;
    }
}

bool TKsInterpreter::ReadAttr(TKsObj& obj, const TKsAttr& a, const std::shared_ptr<TKsStream>& io, TKsValue& out) {
    const TKsContext ctx{&obj};
    if (a.If && !KsTruth(Eval(*a.If, ctx), a.Line)) return false;
    if (a.Repeat == TKsAttr::TRepeat::None) {
        ReadOne(obj, a, io, -1, out);
        return true;
    }
    auto array = std::make_shared<TKsArray>();
    array->Io = io;
    array->Owner = &obj;
    array->Attr = &a;
    out = TKsValue{};
    out.Kind = TKsKind::Array;
    out.Arr = array;
    const auto readElement = [&](int64_t index) {
        Step();
        const uint64_t start = io->Pos();
        TKsValue item;
        try {
            ReadOne(obj, a, io, index, item);
        } catch (const TKsError&) {
            if (item.Kind != TKsKind::None) {
                array->Items.push_back(std::move(item));
                array->Ranges.emplace_back(start, io->Pos());
            }
            throw;
        }
        array->Items.push_back(std::move(item));
        array->Ranges.emplace_back(start, io->Pos());
    };
    const std::optional<uint64_t> stride = FixedStride(a);
    const auto goLazy = [&](uint64_t count) {
        io->AlignToByte();
        array->Lazy = true;
        array->Count = count;
        array->First = io->Pos();
        array->Stride = *stride;
        io->Seek(array->First + count * *stride);
    };
    if (a.Repeat == TKsAttr::TRepeat::Expr) {
        const int64_t n = KsInt(Eval(*a.RepeatExpr, ctx), a.Line);
        const uint64_t count = n > 0 ? static_cast<uint64_t>(n) : 0;
        if (stride && *stride > 0 && count >= LazyFrom && count <= (io->Size() - io->Pos()) / *stride) {
            goLazy(count);
            return true;
        }
        for (uint64_t i = 0; i < count; ++i) readElement(static_cast<int64_t>(i));
    } else if (a.Repeat == TKsAttr::TRepeat::Eos) {
        const uint64_t left = io->Size() - io->Pos();
        if (stride && *stride > 0 && left % *stride == 0 && left / *stride >= LazyFrom) {
            goLazy(left / *stride);
            return true;
        }
        for (int64_t i = 0; !io->Eof(); ++i) readElement(i);
    } else {
        for (int64_t i = 0;; ++i) {
            readElement(i);
            TKsContext until{&obj, &array->Items.back(), i};
            if (KsTruth(Eval(*a.RepeatExpr, until), a.Line)) break;
        }
    }
    return true;
}

const TKsTypeRef& TKsInterpreter::PickType(const TKsAttr& a, const TKsContext& ctx, bool& none) {
    none = false;
    if (!a.Switch) return a.Type;
    const TKsValue on = Eval(*a.SwitchOn, ctx);
    for (const auto& c : a.Cases)
        if (KsCompare(*this, on, Eval(*c.first, ctx), a.Line) == 0) return c.second;
    if (a.DefaultCase) return *a.DefaultCase;
    none = true;
    static const TKsTypeRef bytes;
    return bytes;
}

void TKsInterpreter::ReadOne(TKsObj& obj, const TKsAttr& a, const std::shared_ptr<TKsStream>& io, int64_t index,
                             TKsValue& out) {
    const TKsContext ctx{&obj, nullptr, index};
    if (a.Contents) {
        io->AlignToByte();
        const std::string bytes = io->ReadString(a.Contents->size());
        if (bytes != *a.Contents)
            KsFail(TKsErrorKind::Data, "expected [" + Hex(*a.Contents) + "], found [" + Hex(bytes) + "]", a.Line,
                   "ValidationNotEqualError");
        out = TKsValue::String(bytes, TKsKind::Bytes);
        return;
    }
    bool none = false;
    const TKsTypeRef& ref = PickType(a, ctx, none);
    if (none && !a.Size && !a.SizeEos) {
        out = TKsValue{};
        return;
    }
    switch (ref.Kind) {
    case TKsTypeRef::TKind::Int:
    case TKsTypeRef::TKind::Float:
    case TKsTypeRef::TKind::Bits: out = ReadPrimitive(obj, a, ref, *io); break;
    case TKsTypeRef::TKind::User:
        if (a.Size || a.SizeEos || a.Terminator) {
            io->AlignToByte();
            const uint64_t start = io->Pos();
            std::shared_ptr<TKsStream> sub;
            if (a.Process.empty() && !a.Terminator && !a.PadRight) {
                const uint64_t left = io->Size() - start;
                const int64_t n = a.SizeEos ? static_cast<int64_t>(left) : KsInt(Eval(*a.Size, ctx), a.Line);
                if (n < 0) KsFail(TKsErrorKind::Data, "negative size " + std::to_string(n), a.Line);
                if (static_cast<uint64_t>(n) > left)
                    KsFail(TKsErrorKind::Data,
                           "requested " + std::to_string(n) + " bytes, but only " + std::to_string(left) +
                               " bytes available",
                           a.Line, "EndOfStreamError");
                sub = io->Sub(start, static_cast<uint64_t>(n));
                io->Seek(start + static_cast<uint64_t>(n));
            } else {
                bool raw = true;
                TKsValue bytes = ReadBytesField(obj, a, *io, ctx, raw);
                const uint64_t origin = io->FileAddress(start);
                const uint64_t originSize = io->InFile() ? io->Pos() - start : io->OriginLength();
                sub = std::make_shared<TKsStream>(BytesOf(bytes), origin, originSize);
            }
            ParseUser(ref, &obj, sub, ctx, a.Line, out, true);
        } else {
            ParseUser(ref, &obj, io, ctx, a.Line, out);
        }
        break;
    default: {
        bool raw = ref.Kind == TKsTypeRef::TKind::None;
        out = ReadBytesField(obj, a, *io, ctx, raw);
        if (ref.Kind != TKsTypeRef::TKind::None) {
            const std::string& encoding = a.Encoding.empty() ? obj.Type->Encoding : a.Encoding;
            out = TKsValue::String(DecodeKsText(*out.Text, encoding, a.Line));
        }
    }
    }
    Validate(a, out, ctx);
}

TKsValue TKsInterpreter::ReadBytesField(TKsObj& obj, const TKsAttr& a, TKsStream& io, const TKsContext& ctx, bool& raw) {
    io.AlignToByte();
    // Text in UTF-16 or UTF-32 ends with a terminator as wide as one of its units.
    size_t unit = 1;
    if (!raw && a.Type.Kind != TKsTypeRef::TKind::User) {
        const std::string& encoding = a.Encoding.empty() ? obj.Type->Encoding : a.Encoding;
        if (encoding.size() >= 6 && (encoding.compare(0, 6, "UTF-16") == 0 || encoding.compare(0, 6, "utf-16") == 0)) unit = 2;
        if (encoding.size() >= 6 && (encoding.compare(0, 6, "UTF-32") == 0 || encoding.compare(0, 6, "utf-32") == 0)) unit = 4;
    }
    std::string bytes;
    if (a.Size || a.SizeEos) {
        const uint64_t left = io.Size() - io.Pos();
        const int64_t n = a.SizeEos ? static_cast<int64_t>(left) : KsInt(Eval(*a.Size, ctx), a.Line);
        if (n < 0) KsFail(TKsErrorKind::Data, "negative size " + std::to_string(n), a.Line);
        const auto size = static_cast<uint64_t>(n);
        if (size > left)
            KsFail(TKsErrorKind::Data,
                   "requested " + std::to_string(size) + " bytes, but only " + std::to_string(left) + " bytes available",
                   a.Line, "EndOfStreamError");
        if (raw && !a.Terminator && !a.PadRight && a.Process.empty() && size > LazyBytesFrom && !a.Valid.Eq &&
            a.Valid.Kind == TKsValid::TKind::None) {
            TKsValue lazy;
            lazy.Kind = TKsKind::Bytes;
            lazy.At = io.Pos();
            lazy.Len = size;
            lazy.Io = std::make_shared<TKsStream>(io);
            io.Seek(io.Pos() + size);
            return lazy;
        }
        Hold(size);
        bytes = io.ReadString(size);
        // A terminator found ends the value; only without one is the padding taken off.
        size_t at = std::string::npos;
        if (a.Terminator) {
            for (size_t i = 0; i + unit <= bytes.size(); i += unit) {
                if (bytes.compare(i, unit, std::string(unit, static_cast<char>(*a.Terminator))) == 0) {
                    at = i;
                    break;
                }
            }
        }
        if (at != std::string::npos) {
            bytes.resize(at + (a.Include ? unit : 0));
        } else if (a.PadRight) {
            size_t end = bytes.size();
            while (end > 0 && static_cast<uint8_t>(bytes[end - 1]) == *a.PadRight) --end;
            bytes.resize(end);
        }
    } else if (a.Terminator) {
        bytes = io.ReadTerminated(static_cast<uint8_t>(*a.Terminator), unit, a.Include, a.Consume, a.EosError,
                                  Limits.Bytes - std::min(Limits.Bytes, BytesHeld));
        Hold(bytes.size());
    } else {
        KsFail(TKsErrorKind::Definition, "'" + a.Id + "' needs size, size-eos or terminator", a.Line);
    }
    if (!a.Process.empty()) bytes = Process(a, std::move(bytes), ctx);
    raw = false;
    return TKsValue::String(std::move(bytes), TKsKind::Bytes);
}

std::string TKsInterpreter::Process(const TKsAttr& a, std::string bytes, const TKsContext& ctx) {
    if (a.Process == "zlib") {
        std::string out = KsInflate(bytes, Limits.Bytes - std::min(Limits.Bytes, BytesHeld));
        Hold(out.size());
        return out;
    }
    const TKsValue arg = Eval(*a.ProcessArgs.at(0), ctx);
    if (a.Process == "xor") {
        if (arg.Kind == TKsKind::Bytes) return KsXor(std::move(bytes), *BytesOf(arg));
        return KsXor(std::move(bytes), std::string(1, static_cast<char>(KsInt(arg, a.Line))));
    }
    const int amount = static_cast<int>(KsInt(arg, a.Line) % 8);
    return KsRotateLeft(std::move(bytes), a.Process == "rol" ? amount : -amount);
}

TKsValue TKsInterpreter::ReadPrimitive(TKsObj& obj, const TKsAttr& a, const TKsTypeRef& ref, TKsStream& io) {
    TKsValue v;
    if (ref.Kind == TKsTypeRef::TKind::Bits) {
        const bool le = ref.Endian ? ref.Endian == 1 : obj.Type->BitLe;
        const uint64_t bits = le ? io.ReadBitsLe(ref.Width) : io.ReadBitsBe(ref.Width);
        if (ref.Width == 1 && !a.Enum) return TKsValue::Boolean(bits != 0);
        v = TKsValue::Int(static_cast<int64_t>(bits), true);
    } else {
        io.AlignToByte();
        const bool le = ref.Width == 1 || LittleEndian(obj, ref, a.Line);
        const uint64_t raw = io.ReadUnsigned(ref.Width, le);
        if (ref.Kind == TKsTypeRef::TKind::Float) {
            if (ref.Width == 4) {
                float f;
                const auto narrow = static_cast<uint32_t>(raw);
                std::memcpy(&f, &narrow, 4);
                return TKsValue::Real(f);
            }
            double d;
            std::memcpy(&d, &raw, 8);
            return TKsValue::Real(d);
        }
        int64_t value = static_cast<int64_t>(raw);
        if (ref.Signed && ref.Width < 8) {
            const int shift = 64 - ref.Width * 8;
            value = static_cast<int64_t>(raw << shift) >> shift;
        }
        v = TKsValue::Int(value, !ref.Signed);
    }
    v.Enum = a.Enum;
    return v;
}

void TKsInterpreter::Validate(const TKsAttr& a, const TKsValue& v, const TKsContext& ctx) {
    const TKsValid& valid = a.Valid;
    if (valid.Kind == TKsValid::TKind::None) return;
    const int line = a.Line;
    switch (valid.Kind) {
    case TKsValid::TKind::Eq:
        if (KsCompare(*this, v, Eval(*valid.Eq, ctx), line) != 0)
            KsFail(TKsErrorKind::Data, "not equal, validation failed", line, "ValidationNotEqualError");
        break;
    case TKsValid::TKind::Range:
        if (valid.Min && KsCompare(*this, v, Eval(*valid.Min, ctx), line) < 0)
            KsFail(TKsErrorKind::Data, "less than the minimum, validation failed", line, "ValidationLessThanError");
        if (valid.Max && KsCompare(*this, v, Eval(*valid.Max, ctx), line) > 0)
            KsFail(TKsErrorKind::Data, "greater than the maximum, validation failed", line, "ValidationGreaterThanError");
        break;
    case TKsValid::TKind::AnyOf: {
        for (const TKsExprPtr& e : valid.AnyOf)
            if (KsCompare(*this, v, Eval(*e, ctx), line) == 0) return;
        KsFail(TKsErrorKind::Data, "not any of the values allowed, validation failed", line, "ValidationNotAnyOfError");
    }
    case TKsValid::TKind::Expr: {
        const TKsContext item{ctx.Obj, &v, ctx.Index};
        if (!KsTruth(Eval(*valid.Expr, item), line))
            KsFail(TKsErrorKind::Data, "the expression is false, validation failed", line, "ValidationExprError");
        break;
    }
    case TKsValid::TKind::InEnum:
        if (!v.Enum || !v.Enum->ById.count(v.I))
            KsFail(TKsErrorKind::Data, "not a value of the enum, validation failed", line, "ValidationNotInEnumError");
        break;
    default: break;
    }
}

const TKsValue& TKsInterpreter::Get(TKsObj& obj, int slotIndex) {
    TKsSlot& slot = obj.Slots[static_cast<size_t>(slotIndex)];
    const TKsAttr& a = obj.Type->AttrAt(slotIndex);
    switch (slot.State) {
    case TKsSlot::TState::Done:
    case TKsSlot::TState::Absent: return slot.Value;
    case TKsSlot::TState::Failed:
        // The elements read before an error stay usable, as in the language's debug mode.
        if (slot.Value.Kind == TKsKind::Array) return slot.Value;
        throw TKsError(slot.ErrorKind, *slot.Error, 0, slot.ErrorName);
    case TKsSlot::TState::Busy:
        // An array may look at its own elements read so far, and a field's validation at its value.
        if (slot.Value.Kind != TKsKind::None) return slot.Value;
        KsFail(TKsErrorKind::Definition, "'" + a.Id + "' is used while it is being read", a.Line);
    case TKsSlot::TState::Unread:
        if (!a.Instance) KsFail(TKsErrorKind::Definition, "'" + a.Id + "' is used before it is read", a.Line);
        break;
    }
    slot.State = TKsSlot::TState::Busy;
    std::shared_ptr<TKsStream> io = obj.Io;
    std::optional<TKsStream::TMark> mark;
    try {
        const TKsContext ctx{&obj};
        if (a.If && !KsTruth(Eval(*a.If, ctx), a.Line)) {
            slot.State = TKsSlot::TState::Absent;
            return slot.Value;
        }
        if (a.Value) {
            TKsValue v = Eval(*a.Value, ctx);
            if (a.Enum && v.Kind == TKsKind::Int) v.Enum = a.Enum;
            slot.Value = std::move(v);
            slot.State = TKsSlot::TState::Done;
            return slot.Value;
        }
        if (a.Io) {
            const TKsValue v = Eval(*a.Io, ctx);
            if (v.Kind != TKsKind::Io) KsFail(TKsErrorKind::Definition, "io must be a stream", a.Line);
            io = v.Io;
            slot.Io = io;
        }
        mark = io->Mark();
        if (a.Pos) {
            const int64_t pos = KsInt(Eval(*a.Pos, ctx), a.Line);
            if (pos < 0) KsFail(TKsErrorKind::Data, "negative position", a.Line);
            io->Seek(static_cast<uint64_t>(pos));
        }
        io->AlignToByte();
        slot.Start = io->Pos();
        const bool present = ReadAttr(obj, a, io, slot.Value);
        slot.End = io->Pos();
        io->Reset(*mark);
        slot.State = present ? TKsSlot::TState::Done : TKsSlot::TState::Absent;
        return slot.Value;
    } catch (const TKsError& e) {
        if (mark) io->Reset(*mark);
        MarkFailed(slot, e);
        Rethrow(e, a.Line);
    }
}

TKsValue TKsInterpreter::Element(const TKsArray& array, uint64_t i) {
    if (!array.Lazy) return array.Items.at(i);
    TKsStream& io = *array.Io;
    const TKsStream::TMark mark = io.Mark();
    TKsValue out;
    try {
        io.Seek(array.First + i * array.Stride);
        ReadOne(*array.Owner, *array.Attr, array.Io, static_cast<int64_t>(i), out);
    } catch (const TKsError&) {
        io.Reset(mark);
        throw;
    }
    io.Reset(mark);
    return out;
}

// The plain numbers of a fixed record: where each lies in it and how it is read.
void TKsArray::PlanDirect() const {
    const TKsArray& array = *this;
    array.DirectKnown = true;
    if (!Lazy || !Attr) return;
    const TKsAttr& a = *array.Attr;
    if (a.Type.Kind != TKsTypeRef::TKind::User || a.Size) return;
    InPlace = Io->InPlace(First, Count * Stride);
    const TKsType& type = *a.Type.Type;
    for (size_t slot = 0; slot < type.Offsets.size(); ++slot) {
        const TKsAttr& field = type.Seq[slot];
        const TKsTypeRef& ref = field.Type;
        const int endian = ref.Width == 1 ? 1 : ref.Endian ? ref.Endian : type.Endian;
        TKsArray::TDirect direct;
        if (ref.Kind == TKsTypeRef::TKind::Int && endian && !field.If && !field.Switch && !field.Contents &&
            field.Repeat == TKsAttr::TRepeat::None && field.Valid.Kind == TKsValid::TKind::None) {
            direct = {type.Offsets[slot], ref.Width, endian == 1, ref.Signed, field.Enum};
        }
        array.Direct.push_back(direct);
    }
}

TKsValue TKsInterpreter::ElementField(const TKsArray& array, uint64_t i, int slot) {
    if (!array.DirectKnown) array.PlanDirect();
    if (slot >= 0 && static_cast<size_t>(slot) < array.Direct.size() && i < array.Count) {
        const TKsArray::TDirect& direct = array.Direct[static_cast<size_t>(slot)];
        if (direct.Width) {
            const uint64_t at = array.First + i * array.Stride + direct.Offset;
            const auto width = static_cast<uint64_t>(direct.Width);
            uint8_t copy[8];
            const uint8_t* b = array.Io->InPlace(at, width);
            if (!b) {
                array.Io->ReadAt(at, copy, width);
                b = copy;
            }
            const uint64_t raw = TKsStream::Decode(b, direct.Width, direct.Little);
            int64_t value = static_cast<int64_t>(raw);
            if (direct.Signed && direct.Width < 8) {
                const int shift = 64 - direct.Width * 8;
                value = static_cast<int64_t>(raw << shift) >> shift;
            }
            TKsValue v = TKsValue::Int(value, !direct.Signed);
            v.Enum = direct.Enum;
            return v;
        }
    }
    const TKsValue element = array.At(i);
    if (element.Kind != TKsKind::Obj) KsFail(TKsErrorKind::Definition, "the elements have no fields", array.Attr->Line);
    return Get(*element.Obj, slot);
}

std::shared_ptr<const std::string> TKsInterpreter::BytesOf(const TKsValue& v) {
    if (v.Text) return v.Text;
    if (v.Kind != TKsKind::Bytes || !v.Io) KsFail(TKsErrorKind::Definition, "bytes expected");
    Hold(v.Len);
    auto bytes = std::make_shared<std::string>(v.Len, '\0');
    v.Io->ReadAt(v.At, reinterpret_cast<uint8_t*>(bytes->data()), v.Len);
    return bytes;
}

} // namespace Engine
