// SPDX-License-Identifier: GPL-3.0-or-later
// Find all against naive references: every start tried in turn over the plain bytes, numbers decoded the
// obvious way, text decoded and folded character by character, and a small backtracking matcher for
// regular expressions; the engine runs over stores cut into many pieces, with hits planted on the cuts.
#include "common/MemorySource.h"
#include "common/TestRandom.h"
#include "engine/search/FindAll.h"
#include "engine/search/NumberPattern.h"
#include "engine/search/RegexPattern.h"
#include "engine/search/UnicodePattern.h"

#include <gtest/gtest.h>
#include <utf8proc.h>

#include <cmath>
#include <limits>
#include <cstring>
#include <functional>

using namespace Engine;

namespace {

using TBytes = std::vector<uint8_t>;
// The length of the hit at a 0-based offset, or 0.
using TReferenceAt = std::function<size_t(const TBytes& bytes, size_t at)>;

// Hits one after another, each search going on behind the hit before.
std::vector<TFoundHit> ReferenceHits(const TBytes& bytes, const TReferenceAt& at) {
    std::vector<TFoundHit> hits;
    for (size_t p = 0; p < bytes.size();) {
        if (const size_t length = at(bytes, p)) {
            hits.push_back({static_cast<TAddress>(p) + 1, static_cast<TCount>(length)});
            p += length;
        } else {
            ++p;
        }
    }
    return hits;
}

// The bytes as a file loaded into the store (read through its source), then cut into many pieces by
// overwriting short runs with their own bytes: at random places and one byte into each of cutsAt.
void LoadCut(TPieceStore& store, const TBytes& bytes, TTestRandom& random,
             const std::vector<size_t>& cutsAt) {
    store.Load(std::make_shared<TMemorySource>(bytes), static_cast<TCount>(bytes.size()));
    std::vector<size_t> places = cutsAt;
    for (int i = 0; i < static_cast<int>(bytes.size() / 16); ++i)
        places.push_back(static_cast<size_t>(random.Pick(0, static_cast<int32_t>(bytes.size()) - 1)));
    for (size_t place : places) {
        const size_t at = std::min(place + 1, bytes.size() - 1);
        const size_t n = std::min<size_t>(static_cast<size_t>(random.Pick(1, 3)), bytes.size() - at);
        ASSERT_TRUE(store.Overwrite(static_cast<TAddress>(at) + 1, std::span(bytes.data() + at, n)));
    }
}

std::vector<TFoundHit> Found(const TPieceStore& store, const TFindPattern& pattern) {
    const TFindAllResult result = FindAll(store.Snapshot(), pattern);
    EXPECT_EQ(result.Status, TFindAllStatus::Done) << result.Failure;
    EXPECT_EQ(result.Count, static_cast<TCount>(result.Rows.size()));
    return result.Rows;
}

// --- numbers ---------------------------------------------------------------------------------------------

struct TNumberCase {
    TNumberKind Kind;
    int32_t Width;
    TNumberOrder Order;
};

std::vector<int32_t> Widths(const TNumberCase& c) {
    if (c.Width != 0) return {c.Width};
    return c.Kind == TNumberKind::Float ? std::vector<int32_t>{8, 4} : std::vector<int32_t>{8, 4, 2, 1};
}

// The bytes at at read in one order: as unsigned, as signed and as a float or double.
__int128 Unsigned(const TBytes& b, size_t at, int32_t w, bool big) {
    __int128 value = 0;
    for (int32_t i = 0; i < w; ++i)
        value |= static_cast<__int128>(b[at + static_cast<size_t>(big ? w - 1 - i : i)]) << (8 * i);
    return value;
}
__int128 Signed(const TBytes& b, size_t at, int32_t w, bool big) {
    const __int128 u = Unsigned(b, at, w, big);
    return u >= (static_cast<__int128>(1) << (8 * w - 1)) ? u - (static_cast<__int128>(1) << (8 * w)) : u;
}
double Real(const TBytes& b, size_t at, int32_t w, bool big) {
    uint8_t little[8];
    for (int32_t i = 0; i < w; ++i)
        little[i] = b[at + static_cast<size_t>(big ? w - 1 - i : i)];
    if (w == 8) return std::bit_cast<double>(little);
    float f;
    std::memcpy(&f, little, 4);
    return f;
}

bool Fits(__int128 v, int32_t w, bool asSigned) {
    const __int128 range = static_cast<__int128>(1) << (8 * w);
    return asSigned ? v >= -range / 2 && v < range / 2 : v >= 0 && v < range;
}

// The bytes of v in width w and that order (two's complement), or of v as a float or double.
TBytes Encoded(__int128 v, double real, int32_t w, bool big, bool asReal) {
    uint8_t little[8];
    if (asReal && w == 8) std::memcpy(little, &real, 8);
    if (asReal && w == 4) {
        const auto f = static_cast<float>(real);
        std::memcpy(little, &f, 4);
    }
    for (int32_t i = 0; i < w && !asReal; ++i)
        little[i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
    TBytes bytes(little, little + w);
    if (big) std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

TReferenceAt NumberReference(const TNumberCase& c, __int128 v, double real, double tolerance, int32_t align) {
    return [=](const TBytes& b, size_t at) -> size_t {
        if (at % static_cast<size_t>(align) != 0) return 0;
        for (const int32_t w : Widths(c)) {
            if (at + static_cast<size_t>(w) > b.size()) continue;
            for (const bool big : {false, true}) {
                if ((c.Order == TNumberOrder::Little && big) || (c.Order == TNumberOrder::Big && !big)) continue;
                bool hit;
                if (c.Kind == TNumberKind::Float) {
                    const double target = w == 4 ? static_cast<double>(static_cast<float>(real)) : real;
                    hit = std::fabs(Real(b, at, w, big) - target) <= tolerance;
                } else {
                    const bool asSigned = c.Kind == TNumberKind::Signed;
                    const bool fits =
                        c.Width == 0 ? Fits(v, w, true) || Fits(v, w, false) : Fits(v, w, asSigned);
                    hit = fits && (((c.Width == 0 || asSigned) && Signed(b, at, w, big) == v) ||
                                   ((c.Width == 0 || !asSigned) && Unsigned(b, at, w, big) == v));
                }
                if (hit) return static_cast<size_t>(w);
            }
        }
        return 0;
    };
}

std::string Decimal(__int128 v) {
    const bool negative = v < 0;
    auto magnitude = static_cast<unsigned __int128>(negative ? -v : v);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    return (negative ? "-" : "") + digits;
}

TEST(FindAllTest, NumbersInEveryWidthAndOrderAgreeWithTheReference) {
    TTestRandom random(4242);
    const std::vector<TNumberCase> cases = {
        {TNumberKind::Signed, 1, TNumberOrder::Little}, {TNumberKind::Unsigned, 1, TNumberOrder::Big},
        {TNumberKind::Signed, 2, TNumberOrder::Little}, {TNumberKind::Unsigned, 2, TNumberOrder::Big},
        {TNumberKind::Signed, 4, TNumberOrder::Big},    {TNumberKind::Unsigned, 4, TNumberOrder::Either},
        {TNumberKind::Signed, 8, TNumberOrder::Either}, {TNumberKind::Unsigned, 8, TNumberOrder::Little},
        {TNumberKind::Signed, 0, TNumberOrder::Either}, {TNumberKind::Unsigned, 0, TNumberOrder::Little},
        {TNumberKind::Float, 4, TNumberOrder::Little},  {TNumberKind::Float, 8, TNumberOrder::Big},
        {TNumberKind::Float, 0, TNumberOrder::Either}};
    const uint8_t alphabet[] = {0x00, 0x01, 0x02, 0xFF, 0x80, 0x7F, 0x10};
    for (const TNumberCase& c : cases) {
        for (int round = 0; round < 6; ++round) {
            const int32_t width = c.Width != 0 ? c.Width : 8;
            const bool real = c.Kind == TNumberKind::Float;
            const bool asSigned = c.Kind != TNumberKind::Unsigned;
            // Values near the ends of the range and small ones, in bytes common in the data.
            __int128 v = random.Pick(-3, 300);
            if (!Fits(v, width, asSigned)) v = random.Pick(0, 127);
            if (round == 1) v = Fits(-1, width, asSigned) ? -1 : 1;
            if (round == 2) v = (static_cast<__int128>(1) << (8 * width - (asSigned ? 1 : 0))) - 1;
            if (round == 3 && asSigned) v = -(static_cast<__int128>(1) << (8 * width - 1));
            const double tolerance = round % 2 == 0 ? 0.0 : 0.1;
            double realValue = 0.0;
            // With a tolerance, a value whose ends lie between two floats, the nearest float outside.
            auto outside = [&](double end, double sign) {
                return sign * (static_cast<float>(end) - end) > 0;
            };
            while (round != 0 &&
                   (realValue == 0.0 || (tolerance > 0 && !(outside(realValue - tolerance, -1) &&
                                                            outside(realValue + tolerance, 1)))))
                realValue = static_cast<float>(random.Pick(-100000, 100000) / 64.0);
            const int32_t align = round == 4 ? 2 : round == 5 ? 4 : 1;
            TBytes bytes = random.Bytes(2000, alphabet);
            std::vector<size_t> plants;
            for (int k = 0; k < 40; ++k) {
                const auto at = static_cast<size_t>(random.Pick(0, 1990));
                const std::vector<int32_t> widths = Widths(c);
                const int32_t w =
                    widths[static_cast<size_t>(random.Pick(0, static_cast<int32_t>(widths.size()) - 1))];
                const bool big =
                    c.Order == TNumberOrder::Either ? random.Pick(0, 1) == 1 : c.Order == TNumberOrder::Big;
                // Floats also a little off the value, inside and outside the tolerance.
                // (Not at the very ends: whether a double there is in depends on rounding.)
                const int steps[] = {-3, -1, 0, 1, 3};
                double off = real ? realValue + steps[random.Pick(0, 4)] * 0.05 : realValue;
                if (real && w == 4 && k % 2 == 0) {
                    // A float on either side of either end of the tolerance.
                    const double target = static_cast<float>(realValue);
                    const auto end = static_cast<float>(target + (k % 4 == 0 ? tolerance : -tolerance));
                    const float inf = std::numeric_limits<float>::infinity();
                    const float near[3] = {end, std::nextafter(end, inf), std::nextafter(end, -inf)};
                    off = near[random.Pick(0, 2)];
                }
                const TBytes plant = Encoded(v, off, w, big, real);
                std::copy(plant.begin(), plant.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
                plants.push_back(at);
            }
            TNumberRequest request;
            request.Kind = c.Kind;
            request.Width = c.Width;
            request.Order = c.Order;
            request.Alignment = align;
            char realText[64];
            std::snprintf(realText, sizeof realText, "%.17g", realValue);
            request.Value = real ? realText : Decimal(v);
            request.Tolerance = tolerance == 0 ? "" : "0.1";
            std::string error;
            const auto pattern = TNumberPattern::Make(request, error);
            ASSERT_TRUE(pattern) << error;
            TPieceStore store;
            LoadCut(store, bytes, random, plants);
            const auto expected = ReferenceHits(bytes, NumberReference(c, v, realValue, tolerance, align));
            EXPECT_EQ(Found(store, *pattern), expected)
                << "kind " << int(c.Kind) << " width " << c.Width << " order " << int(c.Order) << " value "
                << request.Value << " align " << align;
        }
    }
}

TEST(FindAllTest, NumberTextsAndTheirMessages) {
    struct TCase {
        TNumberKind Kind;
        int32_t Width;
        const char* Value;
        const char* Tolerance;
        const char* Error; // empty: accepted
        std::vector<TNumberForm> Forms = {};
    };
    const TCase cases[] = {
        {TNumberKind::Signed, 1, "127", "", "", {{1, false, 0x7F, 0x7F}}},
        {TNumberKind::Signed, 1, "-128", "", "", {{1, false, 0x80, 0x80}}},
        {TNumberKind::Signed, 1, "128", "", "128 is out of range for a signed 1-byte integer\n(-128 to 127)"},
        {TNumberKind::Unsigned, 2, "-1", "",
         "-1 is out of range for an unsigned 2-byte integer\n(0 to 65535)"},
        {TNumberKind::Unsigned, 2, " 0xFFFF ", "", "", {{2, false, 0xFFFF, 0xFFFF}}},
        {TNumberKind::Unsigned, 8, "18446744073709551615", "", "", {{8, false, ~0ull, ~0ull}}},
        {TNumberKind::Unsigned, 8, "18446744073709551616", "",
         "18446744073709551616 is out of range for an unsigned 8-byte integer\n(0 to 18446744073709551615)"},
        {TNumberKind::Signed, 0, "99999999999999999999", "",
         "99999999999999999999 is out of range for an integer of 8 bytes or less\n(-9223372036854775808 to "
         "18446744073709551615)"},
        {TNumberKind::Signed,
         0,
         "-129",
         "",
         "",
         {{8, false, ~0ull - 128, ~0ull - 128},
          {4, false, 0xFFFFFF7F, 0xFFFFFF7F},
          {2, false, 0xFF7F, 0xFF7F}}},
        {TNumberKind::Signed, 4, "12a", "", "Number invalid: 12a"},
        {TNumberKind::Signed, 4, "", "", "Number invalid: "},
        {TNumberKind::Signed, 4, "--1", "", "Number invalid: --1"},
        {TNumberKind::Signed, 4, "0x", "", "Number invalid: 0x"},
        {TNumberKind::Float, 4, "1e39", "",
         "1e39 is out of range for a float\n(-3.40282347e+38 to 3.40282347e+38)"},
        {TNumberKind::Float, 4, "nan", "", "Number invalid: nan"},
        {TNumberKind::Float, 8, "1.5", "-1", "Tolerance invalid: -1"},
        {TNumberKind::Float, 4, "-0", "", "", {{4, false, 0, 0}, {4, false, 0x80000000, 0x80000000}}},
        {TNumberKind::Float, 4, "1", "0.5", "", {{4, false, 0x3F000000, 0x3FC00000}}},
        {TNumberKind::Float, 2, "1", "", "Number width invalid: 2"},
    };
    for (const TCase& c : cases) {
        TNumberRequest request;
        request.Kind = c.Kind;
        request.Width = c.Width;
        request.Value = c.Value;
        request.Tolerance = c.Tolerance;
        std::string error;
        const auto pattern = TNumberPattern::Make(request, error);
        EXPECT_EQ(error, c.Error) << c.Value;
        EXPECT_EQ(pattern == nullptr, !error.empty()) << c.Value;
        if (pattern) {
            EXPECT_EQ(pattern->Forms(), c.Forms) << c.Value;
        }
    }
}

// --- Unicode text ----------------------------------------------------------------------------------------

std::vector<int32_t> CodePoints(const std::string& text) {
    std::vector<int32_t> points;
    for (size_t at = 0; at < text.size();) {
        int32_t c = 0;
        at += static_cast<size_t>(utf8proc_iterate(reinterpret_cast<const uint8_t*>(text.data()) + at,
                                                   static_cast<utf8proc_ssize_t>(text.size() - at), &c));
        points.push_back(c);
    }
    return points;
}

std::vector<int32_t> Fold(int32_t c) {
    int32_t folded[8];
    int boundary = 0;
    const auto n = utf8proc_decompose_char(c, folded, 8, UTF8PROC_CASEFOLD, &boundary);
    return std::vector<int32_t>(folded, folded + n);
}

// One character decoded at at, and how many bytes it took (0: none there).
size_t Decode(const TBytes& b, size_t at, TTextEncoding encoding, int32_t& c) {
    if (encoding == TTextEncoding::Utf8) {
        const auto n = utf8proc_iterate(b.data() + at, static_cast<utf8proc_ssize_t>(b.size() - at), &c);
        return n > 0 ? static_cast<size_t>(n) : 0;
    }
    auto unit = [&](size_t i) -> int32_t {
        if (i + 2 > b.size()) return -1;
        return encoding == TTextEncoding::Utf16Le ? b[i] | b[i + 1] << 8 : b[i] << 8 | b[i + 1];
    };
    const int32_t first = unit(at);
    if (first < 0 || (first >= 0xDC00 && first < 0xE000)) return 0;
    if (first < 0xD800 || first >= 0xE000) {
        c = first;
        return 2;
    }
    const int32_t second = unit(at + 2);
    if (second < 0xDC00 || second >= 0xE000) return 0;
    c = 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
    return 4;
}

TReferenceAt TextReference(const std::string& text, TTextEncoding encoding, bool caseSensitive) {
    const std::vector<int32_t> wanted = CodePoints(text);
    return [=](const TBytes& b, size_t at) -> size_t {
        size_t p = at;
        for (const int32_t w : wanted) {
            int32_t c = 0;
            const size_t n = Decode(b, p, encoding, c);
            if (n == 0 || (caseSensitive ? c != w : Fold(c) != Fold(w))) return 0;
            p += n;
        }
        return p - at;
    };
}

// Each character in a random case, or as another character that folds alike.
std::vector<int32_t> CaseVariant(const std::vector<int32_t>& text, TTestRandom& random) {
    const std::vector<std::vector<int32_t>> alike = {
        {'k', 'K', 0x212A}, {'s', 'S', 0x017F}, {0x03C3, 0x03A3, 0x03C2}, {0xDF, 0x1E9E}, {0x10428, 0x10400}};
    std::vector<int32_t> variant;
    for (const int32_t c : text) {
        int32_t v = random.Pick(0, 1) ? utf8proc_toupper(c) : utf8proc_tolower(c);
        for (const auto& group : alike)
            if (std::find(group.begin(), group.end(), c) != group.end())
                v = group[static_cast<size_t>(random.Pick(0, static_cast<int32_t>(group.size()) - 1))];
        variant.push_back(v);
    }
    return variant;
}

TEST(FindAllTest, UnicodeTextInEveryEncodingAgreesWithTheReference) {
    TTestRandom random(777);
    const std::vector<std::string> texts = {"Kelvin", "straße", "Σίσυφος", "ok", "𐐨𐐩x", "Ǆemal", "k"};
    for (const TTextEncoding encoding :
         {TTextEncoding::Utf8, TTextEncoding::Utf16Le, TTextEncoding::Utf16Be}) {
        for (const std::string& text : texts) {
            for (const bool caseSensitive : {true, false}) {
                // Text-like data: letters, zeros and the bytes of the text's characters.
                TBytes alphabet = {0x00, 'a', 'K', 0x20, 0xC3, 0x9F};
                for (const int32_t c : CodePoints(text))
                    for (const uint8_t b : EncodeCharacter(c, encoding))
                        alphabet.push_back(b);
                TBytes bytes = random.Bytes(3000, alphabet);
                std::vector<size_t> plants;
                for (int k = 0; k < 30; ++k) {
                    TBytes plant;
                    const std::vector<int32_t> exact = CodePoints(text);
                    for (const int32_t c : k % 2 ? CaseVariant(exact, random) : exact)
                        for (const uint8_t b : EncodeCharacter(c, encoding))
                            plant.push_back(b);
                    const auto at = static_cast<size_t>(random.Pick(0, 2900));
                    std::copy(plant.begin(), plant.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
                    plants.push_back(at);
                }
                std::string error;
                const auto pattern = TUnicodePattern::Make(text, encoding, caseSensitive, error);
                ASSERT_TRUE(pattern) << error;
                TPieceStore store;
                LoadCut(store, bytes, random, plants);
                const auto expected = ReferenceHits(bytes, TextReference(text, encoding, caseSensitive));
                EXPECT_EQ(Found(store, *pattern), expected)
                    << text << " encoding " << int(encoding) << " case " << caseSensitive;
                EXPECT_GE(expected.size(), caseSensitive ? 1u : 20u) << text;
            }
        }
    }
    std::string error;
    EXPECT_FALSE(TUnicodePattern::Make("", TTextEncoding::Utf8, true, error));
    EXPECT_EQ(error, "Can't find empty string");
    EXPECT_FALSE(TUnicodePattern::Make("ab\xC3", TTextEncoding::Utf16Le, false, error));
    EXPECT_EQ(error, "Text is not valid UTF-8 at character 3");
}

// --- regular expressions ---------------------------------------------------------------------------------

// A small backtracking matcher for the expressions RandomExpression writes: bytes, ".", [..] sets, *, + and ?
// on one of them, and (..|..) groups. Like PCRE2's hard partial matching, a match that needs a byte past a
// subject's end that is not the file's end counts as none.
struct TNode {
    enum TKind { Byte, Any, Set, Star, Plus, Maybe, Sequence, Either } Kind = Byte;
    std::string Bytes;
    std::vector<TNode> Parts;
};

enum TOutcome { Fail, Matched, Partial };

struct TReferenceMatcher {
    const TBytes& Subject;
    size_t End;
    bool FileEnd;

    bool Accepts(const TNode& atom, uint8_t b) const {
        return atom.Kind == TNode::Any || atom.Bytes.find(static_cast<char>(b)) != std::string::npos;
    }
    TOutcome Match(const TNode& node, size_t p, const std::function<TOutcome(size_t)>& next) const {
        switch (node.Kind) {
        case TNode::Byte:
        case TNode::Any:
        case TNode::Set:
            if (p >= End) return FileEnd ? Fail : Partial;
            return Accepts(node, Subject[p]) ? next(p + 1) : Fail;
        case TNode::Star:
        case TNode::Plus:
        case TNode::Maybe: {
            const size_t most = node.Kind == TNode::Maybe ? 1 : SIZE_MAX;
            size_t q = p;
            while (q - p < most && q < End && Accepts(node.Parts[0], Subject[q]))
                ++q;
            if (q - p < most && q >= End && !FileEnd) return Partial;
            for (size_t r = q + 1; r-- > p + (node.Kind == TNode::Plus ? 1 : 0);)
                if (const TOutcome o = next(r); o != Fail) return o;
            return Fail;
        }
        case TNode::Sequence:
            return Chain(node, 0, p, next);
        case TNode::Either:
            for (const TNode& part : node.Parts)
                if (const TOutcome o = Match(part, p, next); o != Fail) return o;
            return Fail;
        }
        return Fail;
    }
    TOutcome Chain(const TNode& sequence, size_t i, size_t p,
                   const std::function<TOutcome(size_t)>& next) const {
        if (i == sequence.Parts.size()) return next(p);
        return Match(sequence.Parts[i], p, [&](size_t q) { return Chain(sequence, i + 1, q, next); });
    }
};

TNode RandomExpression(TTestRandom& random, int depth, std::string& text) {
    TNode sequence{TNode::Sequence, {}, {}};
    const int parts = random.Pick(1, 3);
    for (int i = 0; i < parts; ++i) {
        const int kind = random.Pick(0, depth > 0 ? 4 : 3);
        if (kind == 4) {
            TNode either{TNode::Either, {}, {}};
            text += "(";
            either.Parts.push_back(RandomExpression(random, depth - 1, text));
            text += "|";
            either.Parts.push_back(RandomExpression(random, depth - 1, text));
            text += ")";
            sequence.Parts.push_back(either);
            continue;
        }
        TNode atom{TNode::Byte, std::string(1, static_cast<char>('a' + random.Pick(0, 2))), {}};
        if (kind == 1) atom = {TNode::Any, "", {}};
        if (kind == 2) atom = {TNode::Set, "ab", {}};
        text += atom.Kind == TNode::Any ? "." : atom.Kind == TNode::Set ? "[ab]" : atom.Bytes;
        const int quantifier = random.Pick(0, 5);
        if (quantifier < 3) {
            const TNode::TKind kinds[] = {TNode::Star, TNode::Plus, TNode::Maybe};
            text += "*+?"[quantifier];
            atom = TNode{kinds[quantifier], "", {atom}};
        }
        sequence.Parts.push_back(atom);
    }
    return sequence;
}

TEST(FindAllTest, RegularExpressionsAgreeWithABacktrackingReference) {
    TTestRandom random(2024);
    const uint8_t alphabet[] = {'a', 'b', 'c', 'd'};
    for (int round = 0; round < 150; ++round) {
        std::string text;
        const TNode expression = RandomExpression(random, 2, text);
        const size_t longest = static_cast<size_t>(random.Pick(1, 12));
        const TBytes bytes = random.Bytes(random.Pick(1, 400), alphabet);
        const TReferenceAt at = [&](const TBytes& b, size_t p) -> size_t {
            const size_t end = std::min(b.size(), p + longest);
            const TReferenceMatcher matcher{b, end, end == b.size()};
            size_t length = 0;
            const TOutcome o = matcher.Match(expression, p, [&](size_t q) {
                if (q == p) return Fail; // empty matches are no hits
                length = q - p;
                return Matched;
            });
            return o == Matched ? length : 0;
        };
        std::string error;
        const auto pattern = TRegexPattern::Make(text, true, longest, error);
        ASSERT_TRUE(pattern) << text << ": " << error;
        TPieceStore store;
        LoadCut(store, bytes, random, {});
        EXPECT_EQ(Found(store, *pattern), ReferenceHits(bytes, at)) << text << " longest " << longest;
    }
}

TEST(FindAllTest, RegularExpressionMessagesAndContext) {
    std::string error;
    EXPECT_FALSE(TRegexPattern::Make("ab(c", true, 100, error));
    EXPECT_EQ(error, "Regular expression invalid at position 5:\nmissing closing parenthesis");
    EXPECT_FALSE(TRegexPattern::Make("a{2,1}", true, 100, error));
    EXPECT_EQ(error, "Regular expression invalid at position 6:\nnumbers out of order in {} quantifier");
    EXPECT_FALSE(TRegexPattern::Make("(*UTF)a", true, 100, error));
    EXPECT_FALSE(TRegexPattern::Make("", true, 100, error));
    EXPECT_EQ(error, "Can't find empty string");
    EXPECT_FALSE(TRegexPattern::Make("a", true, 0, error));
    EXPECT_EQ(error, "Longest match invalid: 0");

    // Start of file, lookbehind and word edges see the bytes before a cut; case folds A-Z only; "." any byte.
    TBytes bytes(600, 'x');
    const std::string words = " Abc zabc\nabc \xC4"
                              "bc";
    std::copy(words.begin(), words.end(), bytes.begin() + 299);
    bytes[0] = 'a';
    const struct {
        const char* Expression;
        bool CaseSensitive;
        std::vector<TFoundHit> Hits;
    } cases[] = {
        {"^a", true, {{1, 1}}},
        {"(?m)^abc", true, {{310, 3}}},
        {"\\babc", false, {{301, 3}, {310, 3}}},
        {"(?<=z)abc", true, {{306, 3}}},
        {"\\xC4.", true, {{314, 2}}},
        {"c\\n.", true, {{308, 3}}},
        {"x$", true, {{600, 1}}},
    };
    TTestRandom random(3);
    for (const auto& c : cases) {
        const auto pattern = TRegexPattern::Make(c.Expression, c.CaseSensitive, 64, error);
        ASSERT_TRUE(pattern) << error;
        for (int cut = 0; cut < 20; ++cut) {
            TPieceStore store;
            LoadCut(store, bytes, random, {299, 300, 301, 305, 306, 309, 310, 313});
            EXPECT_EQ(Found(store, *pattern), c.Hits) << c.Expression;
        }
    }
}

// --- the run ---------------------------------------------------------------------------------------------

TEST(FindAllTest, RowsAreCappedWhileEveryHitIsCountedAndStreamed) {
    TTestRandom random(9);
    TBytes bytes = random.Bytes(1 << 16);
    for (size_t at = 100; at + 4 < bytes.size(); at += 97)
        bytes[at] = 0xAB, bytes[at + 1] = 0xCD;
    const auto expected = ReferenceHits(bytes, [](const TBytes& b, size_t at) -> size_t {
        return at + 2 <= b.size() && b[at] == 0xAB && b[at + 1] == 0xCD ? 2 : 0;
    });
    std::string error;
    const auto pattern =
        TNumberPattern::Make({"0xCDAB", TNumberKind::Unsigned, 2, TNumberOrder::Little, "", 1}, error);
    TPieceStore store;
    LoadCut(store, bytes, random, {});
    TFindAllOptions options;
    options.MaxRows = 50;
    options.ProgressStride = 4096;
    std::vector<TFoundHit> streamed;
    TCount lastCount = 0;
    int progressCalls = 0;
    options.Rows = [&](std::span<const TFoundHit> rows, TCount count) {
        streamed.insert(streamed.end(), rows.begin(), rows.end());
        EXPECT_GE(count, lastCount);
        lastCount = count;
    };
    options.Progress = [&](TCount done, TCount total) {
        EXPECT_LE(done, total);
        ++progressCalls;
        return true;
    };
    TFindAllResult result = FindAll(store.Snapshot(), *pattern, options);
    EXPECT_EQ(result.Count, static_cast<TCount>(expected.size()));
    EXPECT_EQ(result.Rows, std::vector<TFoundHit>(expected.begin(), expected.begin() + 50));
    EXPECT_TRUE(result.RowsCut);
    EXPECT_EQ(streamed, result.Rows);
    EXPECT_EQ(lastCount, result.Count);
    EXPECT_GE(progressCalls, 10);

    // Cancelled half way: the hits before where it stopped, and only those.
    options.Progress = [&](TCount done, TCount) { return done < 30000; };
    options.Rows = nullptr;
    options.MaxRows = 100000;
    result = FindAll(store.Snapshot(), *pattern, options);
    EXPECT_EQ(result.Status, TFindAllStatus::Cancelled);
    EXPECT_GE(result.Reached, 30000);
    EXPECT_LT(result.Reached, 40000);
    std::vector<TFoundHit> before;
    for (const TFoundHit& hit : expected)
        if (hit.Address < result.Reached) before.push_back(hit);
    EXPECT_EQ(result.Rows, before);

    // A file that shrank under the store: the hits before the bytes that could not be read.
    auto source = std::make_shared<TMemorySource>(bytes);
    TPieceStore shrunk;
    shrunk.Load(source, static_cast<TCount>(bytes.size()));
    source->Readable = 20000;
    result = FindAll(shrunk.Snapshot(), *pattern);
    EXPECT_EQ(result.Status, TFindAllStatus::Unreadable);
    EXPECT_LE(result.Reached, 20001);
    ASSERT_FALSE(result.Rows.empty());
    EXPECT_EQ(result.Rows,
              std::vector<TFoundHit>(expected.begin(),
                                     expected.begin() + static_cast<std::ptrdiff_t>(result.Rows.size())));
    EXPECT_LT(result.Rows.back().Address, 20000);
    EXPECT_GT(result.Rows.size(), 150u);
}

TEST(FindAllTest, HitsInRangeAreThoseOfFindAllThatTouchIt) {
    TTestRandom random(12);
    const uint8_t alphabet[] = {'a', 'b', 'c'};
    const TBytes bytes = random.Bytes(5000, alphabet);
    std::string error;
    for (const char* expression : {"abc", "ab+c", "c+"}) {
        const auto pattern = TRegexPattern::Make(expression, true, 16, error);
        TPieceStore store;
        LoadCut(store, bytes, random, {});
        const std::vector<TFoundHit> all = Found(store, *pattern);
        for (int i = 0; i < 30; ++i) {
            const TAddress first = random.Pick(1, 5000);
            const TCount count = random.Pick(0, 300);
            std::vector<TFoundHit> expected;
            for (const TFoundHit& hit : all)
                if (hit.Address <= first + count - 1 && hit.Address + hit.Length > first)
                    expected.push_back(hit);
            EXPECT_EQ(HitsInRange(store.Snapshot(), *pattern, first, count), expected)
                << expression << " " << first << " " << count;
        }
    }
}

} // namespace
