// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/StructJson.h"

#include <cmath>
#include <cstdio>

namespace Engine {

namespace {

// Byte fields show this many bytes at most.
constexpr size_t ShownBytes = 1024;

void Quote(std::string& out, const std::string& text) {
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

struct TRange {
    bool Known = false;
    uint64_t Address = 0, Size = 0;
};

TRange RangeIn(const TKsStream& io, uint64_t start, uint64_t end) {
    if (io.InFile()) return {true, io.FileAddress(start), end - start};
    return {true, io.Origin(), io.OriginLength()};
}

class TWriter {
  public:
    TWriter(TKsInterpreter& interpreter) : In(interpreter) {}
    std::string Out;

    void Node(const std::string& name, const std::string& path, const TKsValue& value, TRange range, int indent,
              const std::string* error) {
        Out.append(static_cast<size_t>(indent), ' ');
        Out += '{';
        if (!name.empty()) {
            Out += "\"name\": ";
            Quote(Out, name);
            Out += ", ";
        }
        Out += "\"path\": ";
        Quote(Out, path);
        if (range.Known) {
            Out += ", \"address\": " + std::to_string(range.Address) + ", \"size\": " + std::to_string(range.Size);
        }
        if (error) {
            Out += ", \"error\": ";
            Quote(Out, *error);
        }
        switch (value.Kind) {
        case TKsKind::Obj: Object(*value.Obj, path, indent); break;
        case TKsKind::Array: Array(*value.Arr, path, indent); break;
        default:
            if (value.Kind != TKsKind::None || !error) {
                Out += ", \"value\": ";
                Scalar(value);
            }
        }
        Out += '}';
    }

  private:
    TKsInterpreter& In;

    void Scalar(const TKsValue& v) {
        switch (v.Kind) {
        case TKsKind::None: Out += "null"; break;
        case TKsKind::Bool: Out += v.I ? "true" : "false"; break;
        case TKsKind::Int:
            Out += v.Unsigned ? std::to_string(static_cast<uint64_t>(v.I)) : std::to_string(v.I);
            if (v.Enum) {
                auto it = v.Enum->ById.find(v.I);
                Out += ", \"enum\": ";
                if (it == v.Enum->ById.end()) Out += "null";
                else Quote(Out, v.Enum->Name + "::" + it->second);
            }
            break;
        case TKsKind::Float:
            if (std::isfinite(v.F)) {
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, "%.17g", v.F);
                Out += buffer;
            } else {
                Quote(Out, std::isnan(v.F) ? "nan" : v.F > 0 ? "inf" : "-inf");
            }
            break;
        case TKsKind::Str: Quote(Out, *v.Text); break;
        case TKsKind::Bytes: {
            const uint64_t size = v.Text ? v.Text->size() : v.Len;
            std::string bytes;
            if (v.Text) {
                bytes = v.Text->substr(0, ShownBytes);
            } else {
                bytes.resize(std::min<uint64_t>(size, ShownBytes));
                v.Io->ReadAt(v.At, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
            }
            static const char digits[] = "0123456789abcdef";
            Out += '"';
            for (unsigned char c : bytes) {
                Out += digits[c >> 4];
                Out += digits[c & 15];
            }
            Out += '"';
            if (size > bytes.size()) Out += ", \"truncated\": true";
            break;
        }
        case TKsKind::Io: Out += "\"(stream)\""; break;
        default: Out += "null";
        }
    }

    void Object(TKsObj& obj, const std::string& path, int indent) {
        Out += ", \"type\": ";
        Quote(Out, obj.Type->Name);
        Out += ", \"fields\": [";
        bool first = true;
        for (int slot = 0; slot < obj.Type->SlotCount(); ++slot) {
            const TKsAttr& a = obj.Type->AttrAt(slot);
            if (a.Instance && obj.Slots[static_cast<size_t>(slot)].State == TKsSlot::TState::Unread) {
                try {
                    In.Get(obj, slot);
                } catch (const TKsError&) {
                }
            }
            const TKsSlot& s = obj.Slots[static_cast<size_t>(slot)];
            if (s.State == TKsSlot::TState::Unread || s.State == TKsSlot::TState::Absent) continue;
            Out += first ? "\n" : ",\n";
            first = false;
            const TKsStream& io = s.Io ? *s.Io : *obj.Io;
            const TRange range = a.Value ? TRange{} : RangeIn(io, s.Start, s.End);
            Node(a.Id, path.empty() ? a.Id : path + "." + a.Id, s.Value, range, indent + 2, s.Error.get());
        }
        if (!first) {
            Out += '\n';
            Out.append(static_cast<size_t>(indent), ' ');
        }
        Out += ']';
    }

    void Array(const TKsArray& array, const std::string& path, int indent) {
        Out += ", \"items\": [";
        for (uint64_t i = 0; i < array.Size(); ++i) {
            Out += i ? ",\n" : "\n";
            const auto r = array.Range(i);
            const std::string itemPath = path + "[" + std::to_string(i) + "]";
            TRange range = array.Io ? RangeIn(*array.Io, r.first, r.second) : TRange{};
            try {
                Node({}, itemPath, array.At(i), range, indent + 2, nullptr);
            } catch (const TKsError& e) {
                const std::string message = e.what();
                Node({}, itemPath, TKsValue{}, range, indent + 2, &message);
            }
        }
        if (array.Size()) {
            Out += '\n';
            Out.append(static_cast<size_t>(indent), ' ');
        }
        Out += ']';
    }
};

} // namespace

std::string StructJson(TKsInterpreter& interpreter, const std::shared_ptr<TKsObj>& root) {
    TWriter writer(interpreter);
    writer.Out = "{\"error\": ";
    if (const TKsSlot* stopped = interpreter.RootError()) Quote(writer.Out, *stopped->Error);
    else writer.Out += "null";
    writer.Out += ",\n\"tree\":\n";
    if (root) {
        TKsValue value;
        value.Kind = TKsKind::Obj;
        value.Obj = root;
        writer.Node({}, "", value, RangeIn(*root->Io, root->Start, root->End), 0, nullptr);
    } else {
        writer.Out += "null";
    }
    writer.Out += "}\n";
    return writer.Out;
}

} // namespace Engine
