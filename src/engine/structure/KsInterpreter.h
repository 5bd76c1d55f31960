// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/structure/KsError.h"
#include "engine/structure/KsValue.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Reads a structure from bytes as a loaded definition describes it. Fields are read in order; instances
// when first asked for; arrays of fixed-size elements when their elements are asked for. An error in the
// data stops the object it happens in and every object around it, and stays on the field where it
// happened; what was read before it remains.
namespace Engine {

struct TKsLimits {
    int Depth = 256;                       // objects inside objects
    uint64_t Work = 20'000'000;            // fields, elements and expression steps
    uint64_t Bytes = uint64_t{1} << 28;    // bytes held in memory (strings, decoded fields)
    std::chrono::milliseconds Time{20000}; // wall time of one read
};

// What an expression sees besides the object it belongs to.
struct TKsContext {
    TKsObj* Obj = nullptr;
    const TKsValue* Item = nullptr; // _ (repeat-until, valid: expr)
    int64_t Index = -1;             // _index
    const TKsValue* Io = nullptr;   // _io when it is not the object's own
};

class TKsInterpreter {
  public:
    TKsInterpreter(const TKsSchema& schema, const TStructInput& input, TKsLimits limits = {});
    // Values may refer to each other in circles (a parameter or instance that is an ancestor); the
    // interpreter breaks them when it ends, so the tree it read must not be used after it.
    ~TKsInterpreter();
    TKsInterpreter(const TKsInterpreter&) = delete;
    TKsInterpreter& operator=(const TKsInterpreter&) = delete;
    // Reads the definition's root type over the whole input. Never throws for data: the root carries the
    // error in its slots (see RootError).
    std::shared_ptr<TKsObj> Parse();
    // The error that stopped the root, if any (the deepest field's message with its kind).
    const TKsSlot* RootError() const { return Stopped.Error ? &Stopped : nullptr; }

    // A field or instance of obj by slot, reading an instance on first use; throws TKsError.
    const TKsValue& Get(TKsObj& obj, int slot);
    TKsValue Eval(const TKsExpr& e, const TKsContext& ctx);
    // The bytes of a Bytes value, reading them when not read yet.
    std::shared_ptr<const std::string> BytesOf(const TKsValue& v);

    // Lazy arrays read their elements through these.
    TKsValue Element(const TKsArray& array, uint64_t i);
    TKsValue ElementField(const TKsArray& array, uint64_t i, int slot);

    // Counts one step of work; a limit error once the limits are passed.
    void Step();

  private:
    const TKsSchema& Schema;
    const TStructInput& Input;
    TKsLimits Limits;
    uint64_t Work = 0;
    uint64_t BytesHeld = 0;
    std::chrono::steady_clock::time_point Deadline;
    TKsSlot Stopped;
    std::vector<std::weak_ptr<TKsObj>> Objects;
    size_t ObjectsKept = 64;

    // The readers put what they read into out as they go, so that what was read before an error stays.
    void ParseUser(const TKsTypeRef& ref, TKsObj* parent, const std::shared_ptr<TKsStream>& io,
                   const TKsContext& argCtx, int line, TKsValue& out, bool ownsIo = false);
    void ParseSeq(TKsObj& obj);
    // False when the field's if says it is not there.
    bool ReadAttr(TKsObj& obj, const TKsAttr& a, const std::shared_ptr<TKsStream>& io, TKsValue& out);
    void ReadOne(TKsObj& obj, const TKsAttr& a, const std::shared_ptr<TKsStream>& io, int64_t index, TKsValue& out);
    TKsValue ReadBytesField(TKsObj& obj, const TKsAttr& a, TKsStream& io, const TKsContext& ctx, bool& raw);
    TKsValue ReadPrimitive(TKsObj& obj, const TKsAttr& a, const TKsTypeRef& ref, TKsStream& io);
    std::string Process(const TKsAttr& a, std::string bytes, const TKsContext& ctx);
    void Validate(const TKsAttr& a, const TKsValue& v, const TKsContext& ctx);
    const TKsTypeRef& PickType(const TKsAttr& a, const TKsContext& ctx, bool& none);
    std::optional<uint64_t> FixedStride(const TKsAttr& a) const;
    bool LittleEndian(const TKsObj& obj, const TKsTypeRef& ref, int line) const;
    void Hold(uint64_t bytes);

    // Expressions (KsEval.cpp).
    TKsValue Name(const TKsExpr& e, const std::string& name, const TKsContext& ctx);
    TKsValue Member(const TKsValue& target, const TKsExpr& e, const std::string& name);
    TKsValue Call(const TKsValue& target, const TKsExpr& e, const TKsContext& ctx);
    TKsValue Binary(const TKsExpr& e, const TKsContext& ctx);
    TKsValue ObjField(TKsObj& obj, const TKsExpr& e, const std::string& name);
};

// Helpers shared by the interpreter's parts and the test runner.
bool KsTruth(const TKsValue& v, int line);
int64_t KsInt(const TKsValue& v, int line);
// Equality and order of two values as the language compares them (-1, 0, 1); a definition error when
// they cannot be compared.
int KsCompare(TKsInterpreter& in, const TKsValue& a, const TKsValue& b, int line);

} // namespace Engine
