// SPDX-License-Identifier: GPL-3.0-or-later
// The patterns of Find all from any text: a number (any kind, width, order, tolerance, alignment), Unicode
// text or a regular expression is either refused with a message or made. A number's integer forms hold the
// value a digit-by-digit reading gives; every pattern finds the same hits whether the file is one piece or
// many, each hit holds what the pattern says, and the hits on a page are those of the whole search there.
#include "FuzzSupport.h"

#include "common/MemorySource.h"
#include "engine/search/FindAll.h"
#include "engine/search/NumberPattern.h"
#include "engine/search/RegexPattern.h"
#include "engine/search/UnicodePattern.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>

using namespace Engine;

namespace {

// Sign, then decimal digits or 0x and hex digits, around spaces and tabs; false for anything else.
bool ReferenceInteger(std::string text, __int128& value) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    size_t at = 0;
    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+') at = 1;
    int base = 10;
    if (text.size() - at > 2 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        base = 16;
        at += 2;
    }
    if (at == text.size()) return false;
    value = 0;
    for (; at < text.size(); ++at) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
        const int digit = c >= '0' && c <= '9'                 ? c - '0'
                          : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                               : -1;
        if (digit < 0) return false;
        value = std::min<__int128>(value * base + digit, static_cast<__int128>(1) << 70);
    }
    if (negative) value = -value;
    return true;
}

std::unique_ptr<TFindPattern> MakeNumber(FuzzedDataProvider& input) {
    TNumberRequest request;
    request.Kind = static_cast<TNumberKind>(input.ConsumeIntegralInRange<int>(0, 2));
    const int32_t widths[] = {0, 1, 2, 4, 8, 3};
    request.Width = widths[input.ConsumeIntegralInRange<int>(0, 5)];
    request.Order = static_cast<TNumberOrder>(input.ConsumeIntegralInRange<int>(0, 2));
    request.Alignment = input.ConsumeIntegralInRange<int32_t>(0, 9);
    request.Value = input.ConsumeRandomLengthString(40);
    request.Tolerance = input.ConsumeRandomLengthString(12);
    std::string error;
    auto pattern = TNumberPattern::Make(request, error);
    FUZZ_CHECK((pattern == nullptr) == !error.empty());
    if (!pattern) return nullptr;
    FUZZ_CHECK(!pattern->Forms().empty());
    __int128 value = 0;
    const bool integer = request.Kind != TNumberKind::Float;
    FUZZ_CHECK(!integer || ReferenceInteger(request.Value, value));
    for (const TNumberForm& form : pattern->Forms()) {
        FUZZ_CHECK(form.Low <= form.High && (request.Width == 0 || form.Width == request.Width));
        if (!integer) continue;
        // The bits read back as signed or unsigned (as the kind says) give the value.
        const __int128 range = static_cast<__int128>(1) << (8 * form.Width);
        const __int128 asUnsigned = form.Low;
        const __int128 asSigned = asUnsigned >= range / 2 ? asUnsigned - range : asUnsigned;
        FUZZ_CHECK(form.Low == form.High);
        FUZZ_CHECK((request.Kind == TNumberKind::Unsigned && request.Width != 0) ? asUnsigned == value
                   : (request.Kind == TNumberKind::Signed && request.Width != 0)
                       ? asSigned == value
                       : asSigned == value || asUnsigned == value);
    }
    return pattern;
}

// The hits and how the search ended.
TFindAllResult Search(const TPieceStore& store, const TFindPattern& pattern) {
    return FindAll(store.Snapshot(), pattern);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::unique_ptr<TFindPattern> pattern;
    std::string error;
    const int kind = input.ConsumeIntegralInRange<int>(0, 2);
    if (kind == 0) {
        pattern = MakeNumber(input);
    } else if (kind == 1) {
        const auto encoding = static_cast<TTextEncoding>(input.ConsumeIntegralInRange<int>(0, 2));
        const bool caseSensitive = input.ConsumeBool();
        pattern = TUnicodePattern::Make(input.ConsumeRandomLengthString(12), encoding, caseSensitive, error);
    } else {
        const bool caseSensitive = input.ConsumeBool();
        const auto longest = input.ConsumeIntegralInRange<size_t>(0, 70);
        pattern = TRegexPattern::Make(input.ConsumeRandomLengthString(30), caseSensitive, longest, error);
        FUZZ_CHECK(pattern || error.find("position") != std::string::npos ||
                   error.find("empty") != std::string::npos || longest == 0);
    }
    if (!pattern) return 0;

    // The file: the rest of the input, as one piece and cut into pieces at places the input picks.
    const int cuts = input.ConsumeIntegralInRange<int>(0, 40);
    std::vector<size_t> places;
    for (int i = 0; i < cuts; ++i)
        places.push_back(input.ConsumeIntegral<uint16_t>());
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const std::vector<uint8_t> bytes(rest.begin(), rest.end());
    if (bytes.empty()) return 0;
    TPieceStore whole, cut;
    whole.Load(std::make_shared<TMemorySource>(bytes), static_cast<TCount>(bytes.size()));
    cut.Load(std::make_shared<TMemorySource>(bytes), static_cast<TCount>(bytes.size()));
    for (const size_t place : places) {
        const size_t at = place % bytes.size();
        FUZZ_CHECK(cut.Overwrite(static_cast<TAddress>(at) + 1, std::span(bytes.data() + at, 1)));
    }
    const TFindAllResult one = Search(whole, *pattern);
    const TFindAllResult many = Search(cut, *pattern);
    if (one.Status != TFindAllStatus::Done || many.Status != TFindAllStatus::Done) return 0;
    FUZZ_CHECK(one.Rows == many.Rows);
    TAddress next = 1;
    for (const TFoundHit& hit : one.Rows) {
        FUZZ_CHECK(hit.Address >= next && hit.Length >= 1 &&
                   hit.Address + hit.Length - 1 <= whole.FileSize());
        FUZZ_CHECK(hit.Length <= static_cast<TCount>(pattern->MaxLength()));
        next = hit.Address + hit.Length;
        const uint8_t* at = bytes.data() + hit.Address - 1;
        const size_t room = bytes.size() - static_cast<size_t>(hit.Address - 1);
        if (const auto* number = dynamic_cast<const TNumberPattern*>(pattern.get()))
            FUZZ_CHECK(number->MatchLength(at, static_cast<int64_t>(room)) == hit.Length);
        if (const auto* text = dynamic_cast<const TUnicodePattern*>(pattern.get()))
            FUZZ_CHECK(static_cast<TCount>(text->MatchLength(at, room)) == hit.Length);
    }
    // A page from the middle: the hits of the whole search that touch it, where hits cannot overlap.
    const TAddress first = static_cast<TAddress>(places.empty() ? 1 : places[0] % bytes.size() + 1);
    const TCount count = static_cast<TCount>(bytes.size() / 3);
    TAddress end = 0;
    for (const TFoundHit& hit : HitsInRange(cut.Snapshot(), *pattern, first, count)) {
        FUZZ_CHECK(hit.Address >= end && hit.Address <= first + count - 1 &&
                   hit.Address + hit.Length > first);
        end = hit.Address + hit.Length;
    }
    return 0;
}
