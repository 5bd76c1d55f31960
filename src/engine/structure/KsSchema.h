// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/structure/KsExpr.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// A format definition (.ksy) as loaded: its types, fields, instances and enums, every name resolved, every
// expression parsed, each item with the line it came from.
namespace Engine {

struct TKsType;

// What a field reads. Kind None: raw bytes.
struct TKsTypeRef {
    enum class TKind { None, Int, Float, Bits, Str, StrZ, User };
    TKind Kind = TKind::None;
    int Width = 0;     // bytes of Int/Float, bits of Bits
    bool Signed = false;
    int Endian = 0;    // 0: the type's default, 1: little, 2: big (bits: the bit order)
    std::string Name;  // User: the name as written
    std::vector<TKsExprPtr> Args;
    const TKsType* Type = nullptr; // User, resolved
    int Line = 0;
};

struct TKsEnum {
    std::string Name;
    std::map<int64_t, std::string> ById;
    std::unordered_map<std::string, int64_t> ByName;
};

struct TKsValid {
    enum class TKind { None, Eq, Range, AnyOf, Expr, InEnum };
    TKind Kind = TKind::None;
    TKsExprPtr Eq, Min, Max, Expr;
    std::vector<TKsExprPtr> AnyOf;
};

struct TKsAttr {
    std::string Id;
    std::string Doc;
    int Line = 0;
    bool Instance = false;
    TKsTypeRef Type;
    // switch-on: the cases in order, the default ("_") last when given.
    TKsExprPtr SwitchOn;
    std::vector<std::pair<TKsExprPtr, TKsTypeRef>> Cases;
    std::optional<TKsTypeRef> DefaultCase;
    bool Switch = false;
    TKsExprPtr Size;
    bool SizeEos = false;
    std::optional<int> Terminator;
    bool Include = false;
    bool Consume = true;
    bool EosError = true;
    std::optional<int> PadRight;
    std::optional<std::string> Contents;
    std::string Encoding;
    TKsExprPtr If;
    enum class TRepeat { None, Eos, Expr, Until };
    TRepeat Repeat = TRepeat::None;
    TKsExprPtr RepeatExpr;
    std::string EnumName;
    const TKsEnum* Enum = nullptr;
    std::string Process; // "", "zlib", "xor", "rol", "ror"
    std::vector<TKsExprPtr> ProcessArgs;
    TKsValid Valid;
    // Instances
    TKsExprPtr Pos, Io, Value;
};

struct TKsParam {
    std::string Id;
    TKsTypeRef Type;
    std::string EnumName;
    const TKsEnum* Enum = nullptr;
    int Line = 0;
};

struct TKsType {
    std::string Name;
    std::string Doc;
    int Line = 0;
    const TKsType* Parent = nullptr; // the type this one is declared in
    std::string File;                // the .ksy it comes from
    std::vector<TKsAttr> Seq;
    std::vector<TKsAttr> Instances;
    std::vector<TKsParam> Params;
    std::map<std::string, std::unique_ptr<TKsType>> Types;
    std::map<std::string, std::unique_ptr<TKsEnum>> Enums;
    // The byte order: 1 little, 2 big, 0 none given here or above; EndianSwitch decides at run time.
    int Endian = 0;
    TKsExprPtr EndianSwitch;
    std::vector<std::pair<TKsExprPtr, int>> EndianCases;
    bool InheritsSwitchedEndian = false; // an enclosing type decides at run time: take the parent object's
    bool BitLe = false;
    std::string Encoding;
    // Slot of each name: seq fields first, then instances.
    std::unordered_map<std::string, int> Slots;
    std::unordered_map<std::string, int> ParamSlots;
    // Bytes every object of the type takes, when that follows from the definition alone.
    std::optional<uint64_t> FixedSize;
    std::vector<uint64_t> Offsets; // with FixedSize: where each seq field starts
    // Root types of the files this one imports (top level only).
    std::vector<const TKsType*> Imports;

    int SlotCount() const { return static_cast<int>(Seq.size() + Instances.size()); }
    const TKsAttr& AttrAt(int slot) const {
        return slot < static_cast<int>(Seq.size()) ? Seq[static_cast<size_t>(slot)]
                                                   : Instances[static_cast<size_t>(slot) - Seq.size()];
    }
    // A type path as written in the type (a, a::b): looked up here, then in enclosing types, then imports.
    const TKsType* FindType(const std::vector<std::string>& path) const;
    const TKsEnum* FindEnum(const std::vector<std::string>& path) const;
};

// A loaded definition with every file it imports.
class TKsSchema {
  public:
    // Loads path; imports are looked up beside it, and absolute ones ("/common/x") under each of
    // importRoots. Throws TKsError naming the file and line.
    static std::unique_ptr<TKsSchema> Load(const std::string& path, const std::vector<std::string>& importRoots = {});
    static std::unique_ptr<TKsSchema> LoadText(const std::string& text, const std::string& name,
                                               const std::vector<std::string>& importRoots = {});
    const TKsType& Root() const { return *RootType; }

  private:
    std::vector<std::unique_ptr<TKsType>> Files; // root type of each file, the first is the definition's
    const TKsType* RootType = nullptr;
    friend class TKsLoader;
};

// Reads a type name as written in a definition ("u4le", "b3", "strz", "foo(1, 2)").
TKsTypeRef ParseKsTypeRef(const std::string& text, int line);

} // namespace Engine
