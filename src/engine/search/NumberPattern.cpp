// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/NumberPattern.h"

#include "engine/search/PlannedScan.h"
#include "engine/text/FindTexts.h"
#include "engine/text/TextFormat.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace Engine {

namespace {

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// An integer as typed: sign, then decimal digits or 0x and hex digits, nothing else. False when it is no
// integer; overflow set when its magnitude does not fit 64 bits.
bool ParseInteger(const std::string& text, bool& negative, uint64_t& magnitude, bool& overflow) {
    const char* at = text.data();
    const char* end = at + text.size();
    negative = at < end && *at == '-';
    if (at < end && (*at == '-' || *at == '+')) ++at;
    int base = 10;
    if (end - at > 2 && at[0] == '0' && (at[1] == 'x' || at[1] == 'X')) {
        base = 16;
        at += 2;
    }
    if (at == end || *at == '+' || *at == '-') return false;
    const auto [stop, error] = std::from_chars(at, end, magnitude, base);
    overflow = error == std::errc::result_out_of_range;
    if (overflow) {
        const char* digits = at;
        while (digits < end && std::isxdigit(static_cast<unsigned char>(*digits)) &&
               (base == 16 || std::isdigit(static_cast<unsigned char>(*digits))))
            ++digits;
        return digits == end;
    }
    return error == std::errc() && stop == end;
}

bool ParseReal(const std::string& text, double& value) {
    const char* at = text.data();
    const char* end = at + text.size();
    if (at < end && *at == '+') ++at;
    const auto [stop, error] = std::from_chars(at, end, value);
    return error == std::errc() && stop == end && std::isfinite(value);
}

std::string Real(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

uint64_t Mask(int32_t width) {
    return width == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * width)) - 1;
}

uint64_t Swapped(uint64_t value, int32_t width) {
    uint64_t swapped = 0;
    for (int32_t i = 0; i < width; ++i, value >>= 8)
        swapped = (swapped << 8) | (value & 0xFF);
    return swapped;
}

// Both orders of one width; a single byte, or a value that reads the same both ways, only once.
void AddOrders(std::vector<TNumberForm>& forms, TNumberOrder order, TNumberForm form) {
    if (order != TNumberOrder::Big) forms.push_back(form);
    if (order == TNumberOrder::Little) return;
    form.BigEndian = true;
    if (order == TNumberOrder::Either &&
        (form.Width == 1 || (form.Low == form.High && Swapped(form.Low, form.Width) == form.Low)))
        return;
    forms.push_back(form);
}

// The bits of the floats (width 4) or doubles within tolerance of value, as one or two ranges of bits (the
// negative floats count up from -0 as their bits do).
void AddReals(std::vector<TNumberForm>& forms, TNumberOrder order, int32_t width, double value,
              double tolerance) {
    const bool single = width == 4;
    const double target = single ? static_cast<double>(static_cast<float>(value)) : value;
    const double largest = single ? std::numeric_limits<float>::max() : std::numeric_limits<double>::max();
    double lo = std::max(target - tolerance, -largest);
    double hi = std::min(target + tolerance, largest);
    auto bits = [&](double x) -> uint64_t {
        if (!single) return std::bit_cast<uint64_t>(x);
        return std::bit_cast<uint32_t>(static_cast<float>(x));
    };
    if (single) {
        // The nearest floats inside lo .. hi.
        float f = static_cast<float>(lo);
        if (static_cast<double>(f) < lo) f = std::nextafter(f, std::numeric_limits<float>::infinity());
        float g = static_cast<float>(hi);
        if (static_cast<double>(g) > hi) g = std::nextafter(g, -std::numeric_limits<float>::infinity());
        if (f > g) return;
        lo = f;
        hi = g;
    }
    if (hi >= 0) AddOrders(forms, order, {width, false, bits(lo > 0 ? lo : 0.0), bits(hi)});
    if (lo <= 0) AddOrders(forms, order, {width, false, bits(hi < 0 ? hi : -0.0), bits(lo < 0 ? lo : -0.0)});
}

const char* IntegerName(TNumberKind kind) {
    return kind == TNumberKind::Signed ? Texts::SignedInteger : Texts::UnsignedInteger;
}

class TNumberMatcher final : public TFindMatcher {
  public:
    explicit TNumberMatcher(const TNumberPattern& pattern) : Pattern(pattern), Scan(this, Accepts) {
        const auto& forms = pattern.Forms();
        for (size_t i = 0; i < forms.size(); ++i)
            // Two anchors: the bytes of a number are seldom common, and the lanes of the other forms scan
            // the same bytes.
            Scan.AddLane(static_cast<int32_t>(i), forms[i].Width, Anchors(forms[i]), 2);
    }

    std::optional<TWindowHit> First(const TSearchWindow& window, size_t from, size_t to) override {
        const TScanBytes bytes{window.Bytes.data(), static_cast<int64_t>(window.Bytes.size()), window.First};
        const int64_t at = Scan.First(bytes, static_cast<int64_t>(from), static_cast<int64_t>(to));
        if (at < 0) return std::nullopt;
        const int32_t length = Pattern.MatchLength(bytes.Base + at, bytes.Size - at);
        return TWindowHit{static_cast<size_t>(at), static_cast<size_t>(length)};
    }

  private:
    static bool Accepts(const void* owner, int32_t alternative, const uint8_t* at, const TScanBytes& window) {
        const auto& self = *static_cast<const TNumberMatcher*>(owner);
        const TNumberForm& form = self.Pattern.Forms()[static_cast<size_t>(alternative)];
        if (at + form.Width > window.Base + window.Size) return false; // a lane's shorter forms fit here
        const TAddress address = window.First + (at - window.Base);
        if ((address - 1) % self.Pattern.Alignment() != 0) return false;
        const uint64_t value = ReadNumber(at, form.Width, form.BigEndian);
        return value >= form.Low && value <= form.High;
    }

    // The bytes every value of the form holds from the most significant down: all of them for an integer,
    // those of the sign and exponent for a float with a small tolerance.
    static std::vector<TAnchorChoice> Anchors(const TNumberForm& form) {
        std::vector<TAnchorChoice> choices;
        for (int32_t k = 0; k < form.Width; ++k) {
            const int shift = 8 * (form.Width - 1 - k);
            const auto low = static_cast<uint8_t>(form.Low >> shift);
            const auto high = static_cast<uint8_t>(form.High >> shift);
            if (high - low > 1) break;
            const int32_t offset = form.BigEndian ? k : form.Width - 1 - k;
            choices.push_back({offset, {low, high}, std::max(ByteCommonness(low), ByteCommonness(high))});
            if (low != high) break;
        }
        return choices;
    }

    const TNumberPattern& Pattern;
    TPlannedScan Scan;
};

} // namespace

uint64_t ReadNumber(const uint8_t* at, int32_t width, bool bigEndian) {
    uint64_t value = 0;
    for (int32_t i = 0; i < width; ++i)
        value = (value << 8) | at[bigEndian ? i : width - 1 - i];
    return value;
}

std::unique_ptr<TNumberPattern> TNumberPattern::Make(const TNumberRequest& request, std::string& error) {
    auto pattern = std::unique_ptr<TNumberPattern>(new TNumberPattern);
    const std::string text = Trimmed(request.Value);
    const bool real = request.Kind == TNumberKind::Float;
    const int32_t width = request.Width;
    if (width != 0 && ((width != 1 && width != 2 && width != 4 && width != 8) || (real && width < 4))) {
        error = FormatText(Texts::NumberWidthInvalid, {int64_t{width}});
        return nullptr;
    }
    if (request.Alignment < 1 || request.Alignment > 4096) {
        error = FormatText(Texts::AlignmentInvalid, {int64_t{request.Alignment}});
        return nullptr;
    }
    pattern->Align = request.Alignment;
    std::vector<TNumberForm>& forms = pattern->Alternatives;
    if (real) {
        double value = 0, tolerance = 0;
        if (!ParseReal(text, value)) {
            error = FormatText(Texts::NumberInvalid, {request.Value});
            return nullptr;
        }
        const std::string tol = Trimmed(request.Tolerance);
        if (!tol.empty() && (!ParseReal(tol, tolerance) || tolerance < 0)) {
            error = FormatText(Texts::ToleranceInvalid, {request.Tolerance});
            return nullptr;
        }
        const double floatMax = std::numeric_limits<float>::max();
        if (width == 4 && std::fabs(value) > floatMax) {
            error = FormatText(Texts::NumberOutOfRange,
                               {text, std::string(Texts::FloatNumber), Real(-floatMax), Real(floatMax)});
            return nullptr;
        }
        for (const int32_t w : {8, 4})
            if ((width == 0 || width == w) && (w == 8 || std::fabs(value) <= floatMax))
                AddReals(forms, request.Order, w, value, tolerance);
    } else {
        bool negative = false, overflow = false;
        uint64_t magnitude = 0;
        if (!ParseInteger(text, negative, magnitude, overflow)) {
            error = FormatText(Texts::NumberInvalid, {request.Value});
            return nullptr;
        }
        const bool zero = !overflow && magnitude == 0;
        // Whether the value fits width bytes as signed or unsigned, as the request has it.
        auto fits = [&](int32_t w, bool asSigned) {
            if (overflow) return false;
            const uint64_t half = uint64_t{1} << (8 * w - 1);
            if (negative && !zero) return asSigned && magnitude <= half;
            return magnitude <= (asSigned ? half - 1 : Mask(w));
        };
        for (const int32_t w : {8, 4, 2, 1}) {
            if (width != 0 && width != w) continue;
            const bool ok =
                width == 0 ? fits(w, true) || fits(w, false) : fits(w, request.Kind == TNumberKind::Signed);
            if (!ok) {
                if (width == 0) continue;
                const bool asSigned = request.Kind == TNumberKind::Signed;
                const uint64_t half = uint64_t{1} << (8 * w - 1);
                error = FormatText(Texts::NumberOutOfRange,
                                   {text, FormatText(IntegerName(request.Kind), {int64_t{w}}),
                                    asSigned ? "-" + std::to_string(half) : std::string("0"),
                                    std::to_string(asSigned ? half - 1 : Mask(w))});
                return nullptr;
            }
            const uint64_t bits = (negative ? ~magnitude + 1 : magnitude) & Mask(w);
            AddOrders(forms, request.Order, {w, false, bits, bits});
        }
        if (forms.empty()) {
            error = FormatText(Texts::NumberOutOfRange,
                               {text, std::string(Texts::AnyInteger), "-" + std::to_string(uint64_t{1} << 63),
                                std::to_string(~uint64_t{0})});
            return nullptr;
        }
    }
    std::stable_sort(forms.begin(), forms.end(),
                     [](const TNumberForm& a, const TNumberForm& b) { return a.Width > b.Width; });
    return pattern;
}

int32_t TNumberPattern::MatchLength(const uint8_t* at, int64_t room) const {
    for (const TNumberForm& form : Alternatives) {
        if (form.Width > room) continue;
        const uint64_t value = ReadNumber(at, form.Width, form.BigEndian);
        if (value >= form.Low && value <= form.High) return form.Width;
    }
    return 0;
}

size_t TNumberPattern::MaxLength() const {
    return Alternatives.empty() ? 1 : static_cast<size_t>(Alternatives.front().Width);
}

std::unique_ptr<TFindMatcher> TNumberPattern::NewMatcher() const {
    return std::make_unique<TNumberMatcher>(*this);
}

} // namespace Engine
