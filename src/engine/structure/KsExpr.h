// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The expression language of format definitions, parsed into a tree once when a definition is loaded.
namespace Engine {

struct TKsType;
struct TKsEnum;

struct TKsExpr;
using TKsExprPtr = std::shared_ptr<TKsExpr>;

enum class TKsOp {
    Int, Float, Str, Bool, List, // literals (List: [a, b, ...])
    Name,                        // a field, parameter, instance or _root, _parent, _io, _index, _, ...
    EnumValue,                   // path::to::enum::value (Path holds every part)
    Unary,                       // Text: "-", "not", "~"
    Binary,                      // Text: the operator
    Ternary,                     // Args: condition, then, else
    Member,                      // Args[0].Text
    Call,                        // Args[0].Text(Args[1..])
    Index,                       // Args[0][Args[1]]
    Cast,                        // Args[0].as<Path>
    SizeOf                       // sizeof<Path> (Text "bits" for bitsizeof)
};

struct TKsExpr {
    TKsOp Op = TKsOp::Int;
    std::string Text;
    std::vector<std::string> Path;
    std::vector<TKsExprPtr> Args;
    uint64_t Int = 0;
    bool Negative = false; // Int holds the two's complement of a negative literal
    double Float = 0;
    bool Bool = false;
    int Line = 0;
    // Name lookups cached for the type the expression is evaluated in (definitions are read-only once loaded).
    mutable const TKsType* CacheType = nullptr;
    mutable int CacheSlot = -1;
    mutable const TKsEnum* CacheEnum = nullptr;
};

// Parses text (from the definition's line); throws TKsError (Definition) naming the line on a syntax error.
TKsExprPtr ParseKsExpr(const std::string& text, int line);

// A literal expression of a number (YAML gave a number rather than text).
TKsExprPtr KsIntExpr(int64_t value, int line);

} // namespace Engine
