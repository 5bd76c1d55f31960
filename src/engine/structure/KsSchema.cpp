// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/KsSchema.h"

#include "engine/structure/KsError.h"

#include <yaml-cpp/yaml.h>

#include <cctype>
#include <algorithm>
#include <filesystem>
#include <set>

namespace Engine {

namespace {

int LineOf(const YAML::Node& node) {
    return node.Mark().line >= 0 ? node.Mark().line + 1 : 0;
}

[[noreturn]] void Unsupported(const std::string& what, const YAML::Node& node) {
    KsFail(TKsErrorKind::Unsupported, what + " is not supported", LineOf(node));
}

[[noreturn]] void Wrong(const std::string& what, const YAML::Node& node) {
    KsFail(TKsErrorKind::Definition, what, LineOf(node));
}

std::string Scalar(const YAML::Node& node, const char* what) {
    if (!node.IsScalar()) Wrong(std::string(what) + " must be a single value", node);
    return node.Scalar();
}

// An integer as YAML writes it (decimal, 0x, 0o, 0b, underscores, a sign).
std::optional<int64_t> ReadInteger(const std::string& text) {
    if (text.empty()) return std::nullopt;
    try {
        const TKsExprPtr e = ParseKsExpr(text, 0);
        if (e->Op == TKsOp::Int) return static_cast<int64_t>(e->Int);
        if (e->Op == TKsOp::Unary && e->Text == "-" && e->Args[0]->Op == TKsOp::Int)
            return static_cast<int64_t>(0 - e->Args[0]->Int);
    } catch (const TKsError&) {
    }
    return std::nullopt;
}

TKsExprPtr Expr(const YAML::Node& node) {
    return ParseKsExpr(Scalar(node, "an expression"), LineOf(node));
}

bool Boolean(const YAML::Node& node, const char* what) {
    const std::string text = Scalar(node, what);
    if (text == "true" || text == "yes") return true;
    if (text == "false" || text == "no") return false;
    Wrong(std::string(what) + " must be true or false", node);
}

int ByteValue(const YAML::Node& node, const char* what) {
    const std::optional<int64_t> v = ReadInteger(Scalar(node, what));
    if (!v || *v < 0 || *v > 255) Wrong(std::string(what) + " must be a byte value", node);
    return static_cast<int>(*v);
}

std::vector<std::string> SplitPath(const std::string& text) {
    std::vector<std::string> path;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find("::", start);
        path.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return path;
        start = at + 2;
    }
}

} // namespace

TKsTypeRef ParseKsTypeRef(const std::string& text, int line) {
    TKsTypeRef ref;
    ref.Line = line;
    std::string name = text;
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
    const size_t paren = name.find('(');
    if (paren != std::string::npos) {
        if (name.back() != ')') KsFail(TKsErrorKind::Definition, "bad type '" + text + "'", line);
        const TKsExprPtr list = ParseKsExpr("[" + name.substr(paren + 1, name.size() - paren - 2) + "]", line);
        ref.Args = list->Args;
        name = name.substr(0, paren);
        while (!name.empty() && name.back() == ' ') name.pop_back();
    }
    const auto digitsFrom = [&](size_t at, size_t& end) {
        end = at;
        while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) ++end;
        return end > at ? std::stoi(name.substr(at, end - at)) : 0;
    };
    const auto endianSuffix = [&](size_t end) {
        const std::string rest = name.substr(end);
        if (rest.empty()) return 0;
        if (rest == "le") return 1;
        if (rest == "be") return 2;
        return -1;
    };
    size_t end = 0;
    if (ref.Args.empty() && name.size() >= 2 && (name[0] == 'u' || name[0] == 's') &&
        std::isdigit(static_cast<unsigned char>(name[1]))) {
        const int width = digitsFrom(1, end);
        const int endian = endianSuffix(end);
        if ((width == 1 || width == 2 || width == 4 || width == 8) && endian >= 0 && !(width == 1 && endian)) {
            ref.Kind = TKsTypeRef::TKind::Int;
            ref.Width = width;
            ref.Signed = name[0] == 's';
            ref.Endian = endian;
            return ref;
        }
    }
    if (ref.Args.empty() && name.size() >= 2 && name[0] == 'f' && std::isdigit(static_cast<unsigned char>(name[1]))) {
        const int width = digitsFrom(1, end);
        const int endian = endianSuffix(end);
        if ((width == 4 || width == 8) && endian >= 0) {
            ref.Kind = TKsTypeRef::TKind::Float;
            ref.Width = width;
            ref.Endian = endian;
            return ref;
        }
    }
    if (ref.Args.empty() && name.size() >= 2 && name[0] == 'b' && std::isdigit(static_cast<unsigned char>(name[1]))) {
        const int width = digitsFrom(1, end);
        const int endian = endianSuffix(end);
        if (width >= 1 && width <= 64 && endian >= 0) {
            ref.Kind = TKsTypeRef::TKind::Bits;
            ref.Width = width;
            ref.Endian = endian;
            return ref;
        }
    }
    if (name == "str") ref.Kind = TKsTypeRef::TKind::Str;
    else if (name == "strz") ref.Kind = TKsTypeRef::TKind::StrZ;
    else if (name == "bytes") ref.Kind = TKsTypeRef::TKind::None;
    else {
        ref.Kind = TKsTypeRef::TKind::User;
        ref.Name = name;
    }
    return ref;
}

const TKsType* TKsType::FindType(const std::vector<std::string>& path) const {
    if (path.empty()) return nullptr;
    const auto descend = [&](const TKsType* t) {
        for (size_t i = 1; t && i < path.size(); ++i) {
            auto it = t->Types.find(path[i]);
            t = it == t->Types.end() ? nullptr : it->second.get();
        }
        return t;
    };
    for (const TKsType* scope = this; scope; scope = scope->Parent) {
        auto it = scope->Types.find(path[0]);
        if (it != scope->Types.end()) return descend(it->second.get());
        if (!scope->Parent) {
            if (scope->Name == path[0]) return descend(scope);
            for (const TKsType* imported : scope->Imports)
                if (imported->Name == path[0]) return descend(imported);
        }
    }
    return nullptr;
}

const TKsEnum* TKsType::FindEnum(const std::vector<std::string>& path) const {
    if (path.empty()) return nullptr;
    if (path.size() == 1) {
        for (const TKsType* scope = this; scope; scope = scope->Parent) {
            auto it = scope->Enums.find(path[0]);
            if (it != scope->Enums.end()) return it->second.get();
        }
        return nullptr;
    }
    const TKsType* owner = FindType(std::vector<std::string>(path.begin(), path.end() - 1));
    if (!owner) return nullptr;
    auto it = owner->Enums.find(path.back());
    return it == owner->Enums.end() ? nullptr : it->second.get();
}

class TKsLoader {
  public:
    TKsLoader(TKsSchema& schema, std::vector<std::string> roots) : Schema(schema), Roots(std::move(roots)) {}

    TKsType* LoadFile(const std::string& path) {
        std::error_code ec;
        const std::string key = std::filesystem::weakly_canonical(path, ec).string();
        auto known = Loaded.find(key);
        if (known != Loaded.end()) return known->second;
        YAML::Node doc;
        try {
            doc = YAML::LoadFile(path);
        } catch (const YAML::BadFile&) {
            KsFail(TKsErrorKind::Definition, "cannot read " + path);
        } catch (const YAML::Exception& e) {
            KsFail(TKsErrorKind::Definition, path + ": " + e.what());
        }
        return LoadDocument(doc, path, key);
    }

    TKsType* LoadDocument(const YAML::Node& doc, const std::string& path, const std::string& key) {
        if (!doc.IsMap()) KsFail(TKsErrorKind::Definition, path + ": a definition must be a map");
        auto root = std::make_unique<TKsType>();
        TKsType* type = root.get();
        Schema.Files.push_back(std::move(root));
        Loaded[key] = type;
        type->File = path;
        try {
            const YAML::Node meta = doc["meta"];
            if (!meta || !meta["id"]) Wrong("meta/id is missing", doc);
            if (meta["ks-opaque-types"] && meta["ks-opaque-types"].Scalar() == "true")
                Unsupported("ks-opaque-types", meta["ks-opaque-types"]);
            type->Name = Scalar(meta["id"], "meta/id");
            if (const YAML::Node imports = meta["imports"]) {
                if (!imports.IsSequence()) Wrong("meta/imports must be a list", imports);
                for (const YAML::Node& item : imports) type->Imports.push_back(Import(Scalar(item, "an import"), path, item));
            }
            ReadType(doc, *type, nullptr);
        } catch (const TKsError& e) {
            if (std::string(e.what()).rfind(path, 0) == 0) throw;
            throw KsInFile(e, path);
        } catch (const YAML::Exception& e) {
            KsFail(TKsErrorKind::Definition, path + ": " + e.what());
        }
        return type;
    }

    void Finish() {
        // Every loaded file's types are known by name everywhere, as the language's compiler has it.
        std::vector<const TKsType*> roots;
        for (auto& file : Schema.Files) roots.push_back(file.get());
        for (auto& file : Schema.Files)
            for (const TKsType* other : roots)
                if (other != file.get() && std::find(file->Imports.begin(), file->Imports.end(), other) == file->Imports.end())
                    file->Imports.push_back(other);
        for (auto& file : Schema.Files) Resolve(*file);
        for (auto& file : Schema.Files) Sizes(*file);
    }

  private:
    TKsSchema& Schema;
    std::vector<std::string> Roots;
    std::map<std::string, TKsType*> Loaded;
    std::set<const TKsType*> Sizing;

    const TKsType* Import(const std::string& name, const std::string& from, const YAML::Node& node) {
        namespace fs = std::filesystem;
        std::vector<fs::path> candidates;
        if (!name.empty() && name[0] == '/') {
            for (const std::string& root : Roots) candidates.push_back(fs::path(root) / (name.substr(1) + ".ksy"));
        } else {
            candidates.push_back(fs::path(from).parent_path() / (name + ".ksy"));
        }
        for (const fs::path& candidate : candidates) {
            std::error_code ec;
            if (fs::is_regular_file(candidate, ec)) return LoadFile(candidate.string());
        }
        Wrong("import '" + name + "' not found", node);
    }

    void ReadMeta(const YAML::Node& meta, TKsType& type) {
        if (!meta) return;
        if (const YAML::Node endian = meta["endian"]) {
            if (endian.IsMap()) {
                type.EndianSwitch = Expr(endian["switch-on"]);
                for (const auto& c : endian["cases"]) {
                    const std::string value = Scalar(c.second, "an endian");
                    if (value != "le" && value != "be") Wrong("endian must be le or be", c.second);
                    // The default case "_" matches anything: a true condition.
                    type.EndianCases.emplace_back(c.first.Scalar() == "_" ? nullptr : Expr(c.first),
                                                  value == "le" ? 1 : 2);
                }
            } else {
                const std::string value = Scalar(endian, "meta/endian");
                if (value != "le" && value != "be") Wrong("endian must be le or be", endian);
                type.Endian = value == "le" ? 1 : 2;
            }
        }
        if (const YAML::Node bits = meta["bit-endian"]) {
            const std::string value = Scalar(bits, "meta/bit-endian");
            if (value != "le" && value != "be") Wrong("bit-endian must be le or be", bits);
            type.BitLe = value == "le";
        } else if (type.Parent) {
            type.BitLe = type.Parent->BitLe;
        }
        if (const YAML::Node encoding = meta["encoding"]) type.Encoding = Scalar(encoding, "meta/encoding");
    }

    void ReadType(const YAML::Node& node, TKsType& type, const TKsType* parent) {
        type.Parent = parent;
        type.Line = LineOf(node);
        if (parent) {
            type.File = parent->File;
            type.BitLe = parent->BitLe;
            type.Encoding = parent->Encoding;
        }
        ReadMeta(node["meta"], type);
        if (const YAML::Node doc = node["doc"]) type.Doc = doc.IsScalar() ? doc.Scalar() : std::string();
        if (const YAML::Node params = node["params"]) {
            for (const YAML::Node& p : params) {
                TKsParam param;
                param.Id = Scalar(p["id"], "a parameter id");
                param.Line = LineOf(p);
                if (p["enum"]) param.EnumName = Scalar(p["enum"], "an enum");
                type.ParamSlots[param.Id] = static_cast<int>(type.Params.size());
                type.Params.push_back(std::move(param));
            }
        }
        if (const YAML::Node enums = node["enums"]) {
            for (const auto& e : enums) {
                auto en = std::make_unique<TKsEnum>();
                en->Name = Scalar(e.first, "an enum name");
                for (const auto& v : e.second) {
                    const std::optional<int64_t> id = ReadInteger(Scalar(v.first, "an enum value"));
                    if (!id) Wrong("enum value '" + v.first.Scalar() + "' is no integer", v.first);
                    const YAML::Node name = v.second.IsMap() ? v.second["id"] : v.second;
                    const std::string text = Scalar(name, "an enum name");
                    en->ById[*id] = text;
                    en->ByName[text] = *id;
                }
                type.Enums[en->Name] = std::move(en);
            }
        }
        if (const YAML::Node types = node["types"]) {
            for (const auto& t : types) {
                auto sub = std::make_unique<TKsType>();
                sub->Name = Scalar(t.first, "a type name");
                TKsType* raw = sub.get();
                type.Types[sub->Name] = std::move(sub);
                ReadType(t.second, *raw, &type);
            }
        }
        if (const YAML::Node seq = node["seq"]) {
            if (!seq.IsSequence()) Wrong("seq must be a list", seq);
            for (const YAML::Node& a : seq) {
                TKsAttr attr = ReadAttr(a, false);
                if (attr.Id.empty()) attr.Id = "_unnamed" + std::to_string(type.Seq.size());
                type.Seq.push_back(std::move(attr));
            }
        }
        if (const YAML::Node instances = node["instances"]) {
            for (const auto& i : instances) {
                TKsAttr attr = ReadAttr(i.second, true);
                attr.Id = Scalar(i.first, "an instance name");
                type.Instances.push_back(std::move(attr));
            }
        }
        for (const auto& item : node) {
            const std::string key = item.first.Scalar();
            static const std::set<std::string> known = {"meta", "doc", "doc-ref", "params", "enums", "types",
                                                        "seq", "instances"};
            if (!known.count(key) && (key.empty() || key[0] != '-')) Unsupported("'" + key + "' in a type", item.first);
        }
        for (const TKsAttr& a : type.Seq) type.Slots[a.Id] = static_cast<int>(type.Slots.size());
        for (const TKsAttr& a : type.Instances) type.Slots[a.Id] = static_cast<int>(type.Slots.size());
    }

    // Enum names are kept as text until every type is read, then resolved (see Resolve).
    TKsAttr ReadAttr(const YAML::Node& node, bool instance) {
        TKsAttr a;
        a.Instance = instance;
        a.Line = LineOf(node);
        if (!node.IsMap()) Wrong("a field must be a map", node);
        for (const auto& item : node) {
            const std::string key = item.first.Scalar();
            const YAML::Node& v = item.second;
            if (key == "id") a.Id = Scalar(v, "id");
            else if (key == "doc") a.Doc = v.IsScalar() ? v.Scalar() : std::string();
            else if (key == "doc-ref" || (!key.empty() && key[0] == '-')) continue;
            else if (key == "type") {
                if (v.IsMap()) {
                    a.Switch = true;
                    a.SwitchOn = Expr(v["switch-on"]);
                    for (const auto& c : v["cases"]) {
                        TKsTypeRef ref = ParseKsTypeRef(Scalar(c.second, "a type"), LineOf(c.second));
                        if (c.first.Scalar() == "_") a.DefaultCase = ref;
                        else a.Cases.emplace_back(Expr(c.first), ref);
                    }
                } else {
                    a.Type = ParseKsTypeRef(Scalar(v, "type"), LineOf(v));
                }
            } else if (key == "size") {
                a.Size = Expr(v);
            } else if (key == "size-eos") a.SizeEos = Boolean(v, "size-eos");
            else if (key == "terminator") a.Terminator = ByteValue(v, "terminator");
            else if (key == "include") a.Include = Boolean(v, "include");
            else if (key == "consume") a.Consume = Boolean(v, "consume");
            else if (key == "eos-error") a.EosError = Boolean(v, "eos-error");
            else if (key == "pad-right") a.PadRight = ByteValue(v, "pad-right");
            else if (key == "encoding") a.Encoding = Scalar(v, "encoding");
            else if (key == "if") a.If = Expr(v);
            else if (key == "enum") a.EnumName = Scalar(v, "enum");
            else if (key == "contents") a.Contents = Contents(v);
            else if (key == "repeat") {
                const std::string r = Scalar(v, "repeat");
                if (r == "eos") a.Repeat = TKsAttr::TRepeat::Eos;
                else if (r == "expr") a.Repeat = TKsAttr::TRepeat::Expr;
                else if (r == "until") a.Repeat = TKsAttr::TRepeat::Until;
                else Wrong("repeat must be eos, expr or until", v);
            } else if (key == "repeat-expr" || key == "repeat-until") a.RepeatExpr = Expr(v);
            else if (key == "process") Process(a, v);
            else if (key == "valid") Valid(a, v);
            else if (instance && key == "pos") a.Pos = Expr(v);
            else if (instance && key == "io") a.Io = Expr(v);
            else if (instance && key == "value") a.Value = Expr(v);
            else Unsupported("'" + key + "'", item.first);
        }
        if (a.Repeat != TKsAttr::TRepeat::None && a.Repeat != TKsAttr::TRepeat::Eos && !a.RepeatExpr)
            Wrong("repeat needs repeat-expr or repeat-until", node);
        if (a.Type.Kind == TKsTypeRef::TKind::StrZ && !a.Terminator) a.Terminator = 0;
        return a;
    }

    std::string Contents(const YAML::Node& v) {
        std::string bytes;
        const auto add = [&](const YAML::Node& item) {
            if (!item.IsScalar()) Wrong("contents must be bytes or text", item);
            const std::optional<int64_t> n = ReadInteger(item.Scalar());
            if (n && item.Tag() != "!") {
                if (*n < 0 || *n > 255) Wrong("contents byte out of range", item);
                bytes += static_cast<char>(*n);
            } else {
                bytes += item.Scalar();
            }
        };
        if (v.IsSequence()) for (const YAML::Node& item : v) add(item);
        else bytes = Scalar(v, "contents");
        return bytes;
    }

    void Process(TKsAttr& a, const YAML::Node& v) {
        const std::string text = Scalar(v, "process");
        const size_t paren = text.find('(');
        a.Process = text.substr(0, paren);
        if (a.Process != "zlib" && a.Process != "xor" && a.Process != "rol" && a.Process != "ror")
            Unsupported("process '" + a.Process + "'", v);
        if (paren != std::string::npos) {
            if (text.back() != ')') Wrong("bad process '" + text + "'", v);
            a.ProcessArgs = ParseKsExpr("[" + text.substr(paren + 1, text.size() - paren - 2) + "]", LineOf(v))->Args;
        }
        if ((a.Process == "zlib") != a.ProcessArgs.empty()) Wrong("wrong arguments to process '" + a.Process + "'", v);
    }

    void Valid(TKsAttr& a, const YAML::Node& v) {
        if (!v.IsMap()) {
            a.Valid.Kind = TKsValid::TKind::Eq;
            a.Valid.Eq = Expr(v);
            return;
        }
        for (const auto& item : v) {
            const std::string key = item.first.Scalar();
            if (key == "eq") {
                a.Valid.Kind = TKsValid::TKind::Eq;
                a.Valid.Eq = Expr(item.second);
            } else if (key == "min" || key == "max") {
                a.Valid.Kind = TKsValid::TKind::Range;
                (key == "min" ? a.Valid.Min : a.Valid.Max) = Expr(item.second);
            } else if (key == "any-of") {
                a.Valid.Kind = TKsValid::TKind::AnyOf;
                for (const YAML::Node& e : item.second) a.Valid.AnyOf.push_back(Expr(e));
            } else if (key == "expr") {
                a.Valid.Kind = TKsValid::TKind::Expr;
                a.Valid.Expr = Expr(item.second);
            } else if (key == "in-enum") {
                a.Valid.Kind = TKsValid::TKind::InEnum;
            } else {
                Unsupported("valid '" + key + "'", item.first);
            }
        }
    }

    // Names (types and enums) resolve once every file is read; the byte order and text encoding come down
    // from enclosing types.
    void ResolveRef(TKsTypeRef& ref, const TKsType& scope, int line) {
        if (ref.Kind != TKsTypeRef::TKind::User) return;
        ref.Type = scope.FindType(SplitPath(ref.Name));
        if (!ref.Type)
            throw KsInFile(TKsError(TKsErrorKind::Definition, "unknown type '" + ref.Name + "'", ref.Line ? ref.Line : line),
                           scope.File);
    }
    const TKsEnum* ResolveEnum(const std::string& name, const TKsType& scope, int line) {
        if (name.empty()) return nullptr;
        const TKsEnum* en = scope.FindEnum(SplitPath(name));
        if (!en) throw KsInFile(TKsError(TKsErrorKind::Definition, "unknown enum '" + name + "'", line), scope.File);
        return en;
    }
    void Resolve(TKsType& type) {
        if (type.Endian == 0 && !type.EndianSwitch) {
            for (const TKsType* up = type.Parent; up; up = up->Parent) {
                if (up->EndianSwitch) {
                    type.InheritsSwitchedEndian = true;
                    break;
                }
                if (up->Endian) {
                    type.Endian = up->Endian;
                    break;
                }
            }
        }
        // A parameter's type only documents what the caller passes.
        for (TKsParam& p : type.Params) p.Enum = ResolveEnum(p.EnumName, type, p.Line);
        for (auto* list : {&type.Seq, &type.Instances}) {
            for (TKsAttr& a : *list) {
                a.Enum = ResolveEnum(a.EnumName, type, a.Line);
                ResolveRef(a.Type, type, a.Line);
                for (auto& c : a.Cases) ResolveRef(c.second, type, a.Line);
                if (a.DefaultCase) ResolveRef(*a.DefaultCase, type, a.Line);
            }
        }
        for (auto& sub : type.Types) Resolve(*sub.second);
    }

    static bool IsLiteral(const TKsExprPtr& e) { return e && e->Op == TKsOp::Int; }

    std::optional<uint64_t> AttrSize(const TKsAttr& a) {
        if (a.If || a.Switch || a.SizeEos) return std::nullopt;
        uint64_t count = 1;
        if (a.Repeat == TKsAttr::TRepeat::Expr && IsLiteral(a.RepeatExpr)) count = a.RepeatExpr->Int;
        else if (a.Repeat != TKsAttr::TRepeat::None) return std::nullopt;
        std::optional<uint64_t> one;
        if (a.Contents) one = a.Contents->size();
        else if (a.Size) {
            if (!IsLiteral(a.Size)) return std::nullopt;
            one = a.Size->Int;
        } else {
            switch (a.Type.Kind) {
            case TKsTypeRef::TKind::Int:
            case TKsTypeRef::TKind::Float: one = static_cast<uint64_t>(a.Type.Width); break;
            case TKsTypeRef::TKind::User:
                if (!a.Process.empty()) return std::nullopt;
                one = Sizes(*const_cast<TKsType*>(a.Type.Type));
                break;
            default: return std::nullopt;
            }
        }
        if (!one || (count && *one > UINT64_MAX / count)) return std::nullopt;
        return *one * count;
    }

    std::optional<uint64_t> Sizes(TKsType& type) {
        if (Sizing.count(&type)) return type.FixedSize;
        Sizing.insert(&type);
        for (auto& sub : type.Types) Sizes(*sub.second);
        uint64_t total = 0;
        bool fixed = true;
        std::vector<uint64_t> offsets;
        for (const TKsAttr& a : type.Seq) {
            offsets.push_back(total);
            const std::optional<uint64_t> size = AttrSize(a);
            if (!size || total > UINT64_MAX - *size) {
                fixed = false;
                break;
            }
            total += *size;
        }
        if (fixed) {
            type.FixedSize = total;
            type.Offsets = std::move(offsets);
        }
        return type.FixedSize;
    }
};

std::unique_ptr<TKsSchema> TKsSchema::Load(const std::string& path, const std::vector<std::string>& importRoots) {
    auto schema = std::unique_ptr<TKsSchema>(new TKsSchema());
    TKsLoader loader(*schema, importRoots);
    schema->RootType = loader.LoadFile(path);
    loader.Finish();
    return schema;
}

std::unique_ptr<TKsSchema> TKsSchema::LoadText(const std::string& text, const std::string& name,
                                               const std::vector<std::string>& importRoots) {
    auto schema = std::unique_ptr<TKsSchema>(new TKsSchema());
    TKsLoader loader(*schema, importRoots);
    YAML::Node doc;
    try {
        doc = YAML::Load(text);
    } catch (const YAML::Exception& e) {
        KsFail(TKsErrorKind::Definition, name + ": " + e.what());
    }
    schema->RootType = loader.LoadDocument(doc, name, name);
    loader.Finish();
    return schema;
}

} // namespace Engine
