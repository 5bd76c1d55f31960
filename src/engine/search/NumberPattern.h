// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/search/FindPattern.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A number as files store it: an integer of 1, 2, 4 or 8 bytes, a float or a double within a tolerance, in
// either byte order, or in every width and order that holds it at once.
namespace Engine {

enum class TNumberKind : uint8_t { Signed, Unsigned, Float };
enum class TNumberOrder : uint8_t { Little, Big, Either };

struct TNumberRequest {
    std::string Value; // as typed: decimal, 0x... hex for integers, or a decimal fraction
    TNumberKind Kind = TNumberKind::Signed;
    int32_t Width = 4; // bytes: 1, 2, 4 or 8 (floats 4 or 8); 0: every width that holds the value
    TNumberOrder Order = TNumberOrder::Little;
    std::string Tolerance; // floats: how far a stored value may lie from Value; empty: none
    int32_t Alignment = 1; // hits only at offsets from the file's start that are multiples of it
};

// One way the number may be stored: Width bytes in that order whose value, read as an unsigned integer in
// that order, lies in Low .. High (a float's bits, where the values within the tolerance lie).
struct TNumberForm {
    int32_t Width = 4;
    bool BigEndian = false;
    uint64_t Low = 0;
    uint64_t High = 0;
    friend bool operator==(const TNumberForm&, const TNumberForm&) = default;
};

// The value of width bytes at at, read in that order.
uint64_t ReadNumber(const uint8_t* at, int32_t width, bool bigEndian);

class TNumberPattern final : public TFindPattern {
  public:
    // Null with error set to the message for the user when the request is not a number of its kind.
    static std::unique_ptr<TNumberPattern> Make(const TNumberRequest& request, std::string& error);

    // Widest first: where several forms match at one place, the hit is the widest.
    const std::vector<TNumberForm>& Forms() const { return Alternatives; }
    int32_t Alignment() const { return Align; }
    // The widest form that matches at at (holding room bytes), or 0.
    int32_t MatchLength(const uint8_t* at, int64_t room) const;

    size_t MaxLength() const override;
    std::unique_ptr<TFindMatcher> NewMatcher() const override;

  private:
    std::vector<TNumberForm> Alternatives;
    int32_t Align = 1;
};

} // namespace Engine
