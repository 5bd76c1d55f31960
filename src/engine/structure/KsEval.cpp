// SPDX-License-Identifier: GPL-3.0-or-later
// The expression language: names, literals, operators and methods, evaluated against the objects read so far.
#include "engine/structure/KsInterpreter.h"
#include "engine/structure/KsText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Engine {

namespace {

const char* KindName(TKsKind kind) {
    switch (kind) {
    case TKsKind::None: return "nothing";
    case TKsKind::Bool: return "a boolean";
    case TKsKind::Int: return "an integer";
    case TKsKind::Float: return "a float";
    case TKsKind::Str: return "a string";
    case TKsKind::Bytes: return "bytes";
    case TKsKind::Obj: return "an object";
    case TKsKind::Array: return "an array";
    case TKsKind::Io: return "a stream";
    }
    return "?";
}

[[noreturn]] void Unsupported(const std::string& what, int line) {
    KsFail(TKsErrorKind::Unsupported, what + " is not supported", line);
}

bool IsNumber(const TKsValue& v) {
    return v.Kind == TKsKind::Int || v.Kind == TKsKind::Float;
}

double AsDouble(const TKsValue& v) {
    if (v.Kind == TKsKind::Float) return v.F;
    return v.Unsigned ? static_cast<double>(static_cast<uint64_t>(v.I)) : static_cast<double>(v.I);
}

int CompareInts(const TKsValue& a, const TKsValue& b) {
    if (a.Unsigned || b.Unsigned) {
        if (!a.Unsigned && a.I < 0) return -1;
        if (!b.Unsigned && b.I < 0) return 1;
        const auto x = static_cast<uint64_t>(a.I), y = static_cast<uint64_t>(b.I);
        return x < y ? -1 : x > y;
    }
    return a.I < b.I ? -1 : a.I > b.I;
}

std::string IntText(const TKsValue& v, int radix = 10) {
    const bool negative = !v.Unsigned && v.I < 0;
    uint64_t n = negative ? 0 - static_cast<uint64_t>(v.I) : static_cast<uint64_t>(v.I);
    std::string s;
    do {
        s += "0123456789abcdefghijklmnopqrstuvwxyz"[n % static_cast<uint64_t>(radix)];
        n /= static_cast<uint64_t>(radix);
    } while (n);
    if (negative) s += '-';
    std::reverse(s.begin(), s.end());
    return s;
}

// Code points of UTF-8 text, for the string methods that count characters.
std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size();) {
        size_t n = 1;
        while (i + n < text.size() && (static_cast<uint8_t>(text[i + n]) & 0xC0) == 0x80) ++n;
        out.push_back(text.substr(i, n));
        i += n;
    }
    return out;
}

} // namespace

bool KsTruth(const TKsValue& v, int line) {
    if (v.Kind == TKsKind::Bool || v.Kind == TKsKind::Int) return v.I != 0;
    if (v.Kind == TKsKind::None) return false;
    KsFail(TKsErrorKind::Definition, std::string("a boolean was expected, not ") + KindName(v.Kind), line);
}

int64_t KsInt(const TKsValue& v, int line) {
    if (v.Kind == TKsKind::Int || v.Kind == TKsKind::Bool) return v.I;
    if (v.Kind == TKsKind::Float) return static_cast<int64_t>(v.F);
    KsFail(TKsErrorKind::Definition, std::string("an integer was expected, not ") + KindName(v.Kind), line);
}

int KsCompare(TKsInterpreter& in, const TKsValue& a, const TKsValue& b, int line) {
    if (IsNumber(a) && IsNumber(b)) {
        // Enum values are compared as the bit patterns their definition gave.
        if (a.Kind == TKsKind::Int && b.Kind == TKsKind::Int && (a.Enum || b.Enum)) return a.I < b.I ? -1 : a.I > b.I;
        if (a.Kind == TKsKind::Int && b.Kind == TKsKind::Int) return CompareInts(a, b);
        const double x = AsDouble(a), y = AsDouble(b);
        return x < y ? -1 : x > y;
    }
    if (a.Kind == TKsKind::Bool && b.Kind == TKsKind::Bool) return a.I < b.I ? -1 : a.I > b.I;
    if (a.Kind == TKsKind::Str && b.Kind == TKsKind::Str) {
        const int c = a.Text->compare(*b.Text);
        return c < 0 ? -1 : c > 0;
    }
    if (a.Kind == TKsKind::Bytes && b.Kind == TKsKind::Bytes) {
        const int c = in.BytesOf(a)->compare(*in.BytesOf(b));
        return c < 0 ? -1 : c > 0;
    }
    const bool aSeq = a.Kind == TKsKind::Array || a.Kind == TKsKind::Bytes;
    const bool bSeq = b.Kind == TKsKind::Array || b.Kind == TKsKind::Bytes;
    if (aSeq && bSeq) {
        const auto size = [&](const TKsValue& v) { return v.Kind == TKsKind::Array ? v.Arr->Size() : in.BytesOf(v)->size(); };
        const auto at = [&](const TKsValue& v, uint64_t i) {
            return v.Kind == TKsKind::Array ? v.Arr->At(i)
                                            : TKsValue::Int(static_cast<uint8_t>((*in.BytesOf(v))[i]));
        };
        const uint64_t n = std::min(size(a), size(b));
        for (uint64_t i = 0; i < n; ++i) {
            const int c = KsCompare(in, at(a, i), at(b, i), line);
            if (c) return c;
        }
        return size(a) < size(b) ? -1 : size(a) > size(b);
    }
    if (a.Kind == TKsKind::Obj && b.Kind == TKsKind::Obj) return a.Obj == b.Obj ? 0 : 1;
    if (a.Kind == TKsKind::None || b.Kind == TKsKind::None) return a.Kind == b.Kind ? 0 : 1;
    KsFail(TKsErrorKind::Definition, std::string("cannot compare ") + KindName(a.Kind) + " with " + KindName(b.Kind), line);
}

TKsValue TKsInterpreter::Eval(const TKsExpr& e, const TKsContext& ctx) {
    Step();
    switch (e.Op) {
    case TKsOp::Int: return TKsValue::Int(static_cast<int64_t>(e.Int), true);
    case TKsOp::Float: return TKsValue::Real(e.Float);
    case TKsOp::Str: return TKsValue::String(e.Text);
    case TKsOp::Bool: return TKsValue::Boolean(e.Bool);
    case TKsOp::List: {
        std::vector<TKsValue> items;
        bool bytes = !e.Args.empty();
        for (const TKsExprPtr& arg : e.Args) {
            items.push_back(Eval(*arg, ctx));
            const TKsValue& v = items.back();
            bytes = bytes && v.Kind == TKsKind::Int && !v.Enum && !v.Unsigned && v.I >= 0 && v.I <= 255;
        }
        if (bytes) {
            std::string s;
            for (const TKsValue& v : items) s += static_cast<char>(v.I);
            return TKsValue::String(s, TKsKind::Bytes);
        }
        auto array = std::make_shared<TKsArray>();
        array->Items = std::move(items);
        TKsValue r;
        r.Kind = TKsKind::Array;
        r.Arr = array;
        return r;
    }
    case TKsOp::Name: return Name(e, e.Text, ctx);
    case TKsOp::EnumValue: {
        if (!e.CacheEnum) {
            const TKsType* scope = ctx.Obj ? ctx.Obj->Type : &Schema.Root();
            e.CacheEnum = scope->FindEnum(std::vector<std::string>(e.Path.begin(), e.Path.end() - 1));
            if (!e.CacheEnum) KsFail(TKsErrorKind::Definition, "unknown enum in '" + e.Path.front() + "::...'", e.Line);
        }
        auto it = e.CacheEnum->ByName.find(e.Text);
        if (it == e.CacheEnum->ByName.end())
            KsFail(TKsErrorKind::Definition, "enum '" + e.CacheEnum->Name + "' has no '" + e.Text + "'", e.Line);
        TKsValue v = TKsValue::Int(it->second);
        v.Enum = e.CacheEnum;
        return v;
    }
    case TKsOp::Unary: {
        const TKsValue v = Eval(*e.Args[0], ctx);
        if (e.Text == "not") return TKsValue::Boolean(!KsTruth(v, e.Line));
        if (v.Kind == TKsKind::Float && e.Text == "-") return TKsValue::Real(-v.F);
        const auto n = static_cast<uint64_t>(KsInt(v, e.Line));
        if (e.Text == "-") return TKsValue::Int(static_cast<int64_t>(0 - n));
        TKsValue r = TKsValue::Int(static_cast<int64_t>(~n), v.Unsigned);
        return r;
    }
    case TKsOp::Binary: return Binary(e, ctx);
    case TKsOp::Ternary:
        return KsTruth(Eval(*e.Args[0], ctx), e.Line) ? Eval(*e.Args[1], ctx) : Eval(*e.Args[2], ctx);
    case TKsOp::Member: return Member(Eval(*e.Args[0], ctx), e, e.Text);
    case TKsOp::Call: return Call(Eval(*e.Args[0], ctx), e, ctx);
    case TKsOp::Index: {
        const TKsValue target = Eval(*e.Args[0], ctx);
        const int64_t i = KsInt(Eval(*e.Args[1], ctx), e.Line);
        if (target.Kind == TKsKind::Array) {
            if (i < 0 || static_cast<uint64_t>(i) >= target.Arr->Size())
                KsFail(TKsErrorKind::Data, "index " + std::to_string(i) + " out of range", e.Line, "IndexError");
            return target.Arr->At(static_cast<uint64_t>(i));
        }
        if (target.Kind == TKsKind::Bytes) {
            const auto bytes = BytesOf(target);
            if (i < 0 || static_cast<uint64_t>(i) >= bytes->size())
                KsFail(TKsErrorKind::Data, "index " + std::to_string(i) + " out of range", e.Line, "IndexError");
            return TKsValue::Int(static_cast<uint8_t>((*bytes)[static_cast<size_t>(i)]));
        }
        KsFail(TKsErrorKind::Definition, std::string("cannot index ") + KindName(target.Kind), e.Line);
    }
    case TKsOp::Cast: {
        TKsValue v = Eval(*e.Args[0], ctx);
        if (e.Path.size() == 1 && e.Path[0] == "f4" && IsNumber(v)) return TKsValue::Real(static_cast<float>(AsDouble(v)));
        if (e.Path.size() == 1 && (e.Path[0] == "f8") && IsNumber(v)) return TKsValue::Real(AsDouble(v));
        return v;
    }
    case TKsOp::SizeOf: {
        std::string joined;
        for (const std::string& part : e.Path) joined += (joined.empty() ? "" : "::") + part;
        const TKsTypeRef ref = ParseKsTypeRef(joined, e.Line);
        const int bits = e.Text == "bits" ? 8 : 1;
        switch (ref.Kind) {
        case TKsTypeRef::TKind::Int:
        case TKsTypeRef::TKind::Float: return TKsValue::Int(ref.Width * bits);
        case TKsTypeRef::TKind::Bits:
            if (bits == 8) return TKsValue::Int(ref.Width);
            return TKsValue::Int((ref.Width + 7) / 8);
        case TKsTypeRef::TKind::User: {
            const TKsType* scope = ctx.Obj ? ctx.Obj->Type : &Schema.Root();
            const TKsType* type = scope->FindType(e.Path);
            if (!type) KsFail(TKsErrorKind::Definition, "unknown type '" + joined + "'", e.Line);
            if (!type->FixedSize) Unsupported("sizeof of a type without a fixed size", e.Line);
            return TKsValue::Int(static_cast<int64_t>(*type->FixedSize) * bits);
        }
        default: Unsupported("sizeof<" + joined + ">", e.Line);
        }
    }
    }
    return {};
}

TKsValue TKsInterpreter::Name(const TKsExpr& e, const std::string& name, const TKsContext& ctx) {
    TKsObj* obj = ctx.Obj;
    if (!name.empty() && name[0] == '_') {
        if (name == "_") {
            if (!ctx.Item) KsFail(TKsErrorKind::Definition, "'_' outside repeat-until or valid", e.Line);
            return *ctx.Item;
        }
        if (name == "_index") {
            if (ctx.Index < 0) KsFail(TKsErrorKind::Definition, "'_index' outside a repeated field", e.Line);
            return TKsValue::Int(ctx.Index);
        }
        if (obj && name == "_root") {
            TKsValue root;
            root.Kind = TKsKind::Obj;
            root.Obj = obj->Root->shared_from_this();
            return root;
        }
        if (obj && (name == "_parent" || name == "_io")) {
            TKsValue self;
            self.Kind = TKsKind::Obj;
            self.Obj = obj->shared_from_this();
            return Member(self, e, name);
        }
        if (obj && name == "_is_le") return TKsValue::Boolean(obj->IsLe == 1);
        if (obj && name == "_sizeof") return TKsValue::Int(static_cast<int64_t>(obj->SizeOf()));
    }
    if (name == "null") return {};
    if (!obj) KsFail(TKsErrorKind::Definition, "unknown name '" + name + "'", e.Line);
    return ObjField(*obj, e, name);
}

TKsValue TKsInterpreter::ObjField(TKsObj& obj, const TKsExpr& e, const std::string& name) {
    if (e.CacheType != obj.Type) {
        auto slot = obj.Type->Slots.find(name);
        if (slot != obj.Type->Slots.end()) {
            e.CacheSlot = slot->second;
        } else {
            auto param = obj.Type->ParamSlots.find(name);
            if (param == obj.Type->ParamSlots.end())
                KsFail(TKsErrorKind::Definition, "type '" + obj.Type->Name + "' has no '" + name + "'", e.Line);
            e.CacheSlot = -2 - param->second;
        }
        e.CacheType = obj.Type;
    }
    if (e.CacheSlot >= 0) return Get(obj, e.CacheSlot);
    return obj.Params.at(static_cast<size_t>(-2 - e.CacheSlot));
}

TKsValue TKsInterpreter::Member(const TKsValue& target, const TKsExpr& e, const std::string& name) {
    switch (target.Kind) {
    case TKsKind::Obj: {
        TKsObj& obj = *target.Obj;
        if (name == "_root") {
            TKsValue r;
            if (!obj.Detached) {
                r.Kind = TKsKind::Obj;
                r.Obj = obj.Root->shared_from_this();
            }
            return r;
        }
        if (name == "_parent") {
            TKsValue r;
            if (obj.Parent) {
                r.Kind = TKsKind::Obj;
                r.Obj = obj.Parent->shared_from_this();
            }
            return r;
        }
        if (name == "_io") {
            TKsValue r;
            r.Kind = TKsKind::Io;
            r.Io = obj.Io;
            return r;
        }
        if (name == "_sizeof") return TKsValue::Int(static_cast<int64_t>(obj.SizeOf()));
        return ObjField(obj, e, name);
    }
    case TKsKind::Io:
        if (name == "size") return TKsValue::Int(static_cast<int64_t>(target.Io->Size()));
        if (name == "pos") return TKsValue::Int(static_cast<int64_t>(target.Io->Pos()));
        if (name == "eof") return TKsValue::Boolean(target.Io->Eof());
        break;
    case TKsKind::Int:
        if (name == "to_s") return TKsValue::String(IntText(target));
        if (name == "to_i") return TKsValue::Int(target.I, target.Unsigned);
        break;
    case TKsKind::Float:
        if (name == "to_i") return TKsValue::Int(static_cast<int64_t>(target.F));
        break;
    case TKsKind::Bool:
        if (name == "to_i") return TKsValue::Int(target.I);
        break;
    case TKsKind::Str:
        if (name == "length") return TKsValue::Int(static_cast<int64_t>(Utf8Length(*target.Text)));
        if (name == "reverse") {
            std::vector<std::string> chars = Characters(*target.Text);
            std::string out;
            for (auto it = chars.rbegin(); it != chars.rend(); ++it) out += *it;
            return TKsValue::String(out);
        }
        if (name == "to_i") {
            TKsExpr call;
            call.Line = e.Line;
            call.Text = "to_i";
            return Call(target, call, TKsContext{});
        }
        break;
    case TKsKind::Bytes: {
        if (name == "size" || name == "length") {
            return TKsValue::Int(static_cast<int64_t>(target.Text ? target.Text->size() : target.Len));
        }
        const auto bytes = BytesOf(target);
        if (name == "first" || name == "last" || name == "min" || name == "max") {
            if (bytes->empty()) KsFail(TKsErrorKind::Data, "." + name + " of empty bytes", e.Line, "IndexError");
            const auto* b = reinterpret_cast<const uint8_t*>(bytes->data());
            const size_t n = bytes->size();
            const uint8_t v = name == "first" ? b[0] : name == "last" ? b[n - 1] : name == "min" ? *std::min_element(b, b + n) : *std::max_element(b, b + n);
            return TKsValue::Int(v);
        }
        break;
    }
    case TKsKind::Array: {
        const TKsArray& array = *target.Arr;
        if (name == "size") return TKsValue::Int(static_cast<int64_t>(array.Size()));
        if (name == "first" || name == "last" || name == "min" || name == "max") {
            if (array.Size() == 0) KsFail(TKsErrorKind::Data, "." + name + " of an empty array", e.Line, "IndexError");
            if (name == "first") return array.At(0);
            if (name == "last") return array.At(array.Size() - 1);
            TKsValue best = array.At(0);
            for (uint64_t i = 1; i < array.Size(); ++i) {
                TKsValue v = array.At(i);
                const int c = KsCompare(*this, v, best, e.Line);
                if (name == "min" ? c < 0 : c > 0) best = std::move(v);
            }
            return best;
        }
        break;
    }
    default: break;
    }
    Unsupported(std::string("'.") + name + "' on " + KindName(target.Kind), e.Line);
}

TKsValue TKsInterpreter::Call(const TKsValue& target, const TKsExpr& e, const TKsContext& ctx) {
    std::vector<TKsValue> args;
    for (size_t i = 1; i < e.Args.size(); ++i) args.push_back(Eval(*e.Args[i], ctx));
    const std::string& name = e.Text;
    if (target.Kind == TKsKind::Str && name == "to_i") {
        const int radix = args.empty() ? 10 : static_cast<int>(KsInt(args[0], e.Line));
        const std::string& text = *target.Text;
        char* end = nullptr;
        errno = 0;
        const long long v = std::strtoll(text.c_str(), &end, radix);
        if (text.empty() || *end || errno)
            KsFail(TKsErrorKind::Data, "'" + text + "' is no number", e.Line, "ConversionError");
        return TKsValue::Int(v);
    }
    if (target.Kind == TKsKind::Str && name == "substring" && args.size() == 2) {
        const std::vector<std::string> chars = Characters(*target.Text);
        const int64_t from = std::clamp<int64_t>(KsInt(args[0], e.Line), 0, static_cast<int64_t>(chars.size()));
        const int64_t to = std::clamp<int64_t>(KsInt(args[1], e.Line), from, static_cast<int64_t>(chars.size()));
        std::string out;
        for (int64_t i = from; i < to; ++i) out += chars[static_cast<size_t>(i)];
        return TKsValue::String(out);
    }
    if (target.Kind == TKsKind::Bytes && name == "to_s" && args.size() == 1 && args[0].Kind == TKsKind::Str) {
        const auto bytes = BytesOf(target);
        return TKsValue::String(DecodeKsText(*bytes, *args[0].Text, e.Line));
    }
    if (target.Kind == TKsKind::Int && name == "to_s") {
        const int radix = args.empty() ? 10 : static_cast<int>(KsInt(args[0], e.Line));
        if (radix < 2 || radix > 36) KsFail(TKsErrorKind::Definition, "bad radix", e.Line);
        return TKsValue::String(IntText(target, radix));
    }
    if (args.empty()) return Member(target, e, name);
    Unsupported(std::string("'.") + name + "(...)' on " + KindName(target.Kind), e.Line);
}

TKsValue TKsInterpreter::Binary(const TKsExpr& e, const TKsContext& ctx) {
    const std::string& op = e.Text;
    if (op == "and") return TKsValue::Boolean(KsTruth(Eval(*e.Args[0], ctx), e.Line) && KsTruth(Eval(*e.Args[1], ctx), e.Line));
    if (op == "or") return TKsValue::Boolean(KsTruth(Eval(*e.Args[0], ctx), e.Line) || KsTruth(Eval(*e.Args[1], ctx), e.Line));
    const TKsValue a = Eval(*e.Args[0], ctx);
    const TKsValue b = Eval(*e.Args[1], ctx);
    if (op == "==") return TKsValue::Boolean(KsCompare(*this, a, b, e.Line) == 0);
    if (op == "!=") return TKsValue::Boolean(KsCompare(*this, a, b, e.Line) != 0);
    if (op == "<") return TKsValue::Boolean(KsCompare(*this, a, b, e.Line) < 0);
    if (op == "<=") return TKsValue::Boolean(KsCompare(*this, a, b, e.Line) <= 0);
    if (op == ">") return TKsValue::Boolean(KsCompare(*this, a, b, e.Line) > 0);
    if (op == ">=") return TKsValue::Boolean(KsCompare(*this, a, b, e.Line) >= 0);
    if (op == "+" && a.Kind == TKsKind::Str && b.Kind == TKsKind::Str) return TKsValue::String(*a.Text + *b.Text);
    if (op == "+" && a.Kind == TKsKind::Bytes && b.Kind == TKsKind::Bytes)
        return TKsValue::String(*BytesOf(a) + *BytesOf(b), TKsKind::Bytes);
    if (a.Kind == TKsKind::Float || b.Kind == TKsKind::Float) {
        if (!IsNumber(a) || !IsNumber(b))
            KsFail(TKsErrorKind::Definition, "'" + op + "' needs numbers", e.Line);
        const double x = AsDouble(a), y = AsDouble(b);
        if (op == "+") return TKsValue::Real(x + y);
        if (op == "-") return TKsValue::Real(x - y);
        if (op == "*") return TKsValue::Real(x * y);
        if (op == "/") return TKsValue::Real(x / y);
        if (op == "%") return TKsValue::Real(x - std::floor(x / y) * y);
        KsFail(TKsErrorKind::Definition, "'" + op + "' needs integers", e.Line);
    }
    if ((a.Kind != TKsKind::Int && a.Kind != TKsKind::Bool) || (b.Kind != TKsKind::Int && b.Kind != TKsKind::Bool))
        KsFail(TKsErrorKind::Definition,
               "'" + op + "' cannot take " + KindName(a.Kind) + " and " + KindName(b.Kind), e.Line);
    const auto x = static_cast<uint64_t>(a.I), y = static_cast<uint64_t>(b.I);
    const bool isUnsigned = a.Unsigned || b.Unsigned;
    const auto result = [&](uint64_t v) { return TKsValue::Int(static_cast<int64_t>(v), isUnsigned); };
    if (op == "+") return result(x + y);
    if (op == "-") return TKsValue::Int(static_cast<int64_t>(x - y), isUnsigned && CompareInts(a, b) >= 0);
    if (op == "*") return result(x * y);
    if (op == "&") return result(x & y);
    if (op == "|") return result(x | y);
    if (op == "^") return result(x ^ y);
    if (op == "<<") return result(b.I >= 64 || b.I < 0 ? 0 : x << b.I);
    if (op == ">>") {
        if (b.I < 0) return result(0);
        if (a.Unsigned || a.I >= 0) return result(b.I >= 64 ? 0 : x >> b.I);
        return TKsValue::Int(b.I >= 64 ? -1 : a.I >> b.I);
    }
    if (op == "/" || op == "%") {
        if (y == 0) KsFail(TKsErrorKind::Data, "division by zero", e.Line, "ZeroDivisionError");
        if (isUnsigned && (a.Unsigned || a.I >= 0) && (b.Unsigned || b.I >= 0)) return result(op == "/" ? x / y : x % y);
        if (a.I == INT64_MIN && b.I == -1) return TKsValue::Int(op == "/" ? INT64_MIN : 0);
        int64_t q = a.I / b.I, r = a.I % b.I;
        if (r != 0 && ((r < 0) != (b.I < 0))) {
            --q;
            r += b.I;
        }
        return TKsValue::Int(op == "/" ? q : r);
    }
    KsFail(TKsErrorKind::Definition, "unknown operator '" + op + "'", e.Line);
}

} // namespace Engine
