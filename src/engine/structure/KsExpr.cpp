// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/KsExpr.h"

#include "engine/structure/KsError.h"

#include <cctype>
#include <cstdlib>

namespace Engine {

namespace {

// A recursive-descent parser with Python's precedence, which the language follows: or, and, not,
// comparison, |, ^, &, shifts, + -, * / %, unary, then postfix.
class TParser {
  public:
    TParser(const std::string& text, int line) : Text(text), Line(line) {}

    TKsExprPtr ParseAll() {
        TKsExprPtr e = Ternary();
        Skip();
        if (At < Text.size()) Fail("unexpected '" + Text.substr(At) + "'");
        return e;
    }

  private:
    const std::string& Text;
    size_t At = 0;
    int Line;
    int Depth = 0;

    [[noreturn]] void Fail(const std::string& what) {
        KsFail(TKsErrorKind::Definition, "expression '" + Text + "': " + what, Line);
    }
    void Skip() {
        while (At < Text.size() && std::isspace(static_cast<unsigned char>(Text[At]))) ++At;
    }
    bool Peek(const char* token) {
        Skip();
        return Text.compare(At, std::char_traits<char>::length(token), token) == 0;
    }
    bool Accept(const char* token) {
        if (!Peek(token)) return false;
        At += std::char_traits<char>::length(token);
        return true;
    }
    static bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
    // A keyword operator (and, or, not) stands alone, not as the start of a name.
    bool AcceptWord(const char* word) {
        Skip();
        const size_t n = std::char_traits<char>::length(word);
        if (Text.compare(At, n, word) != 0 || (At + n < Text.size() && IsWordChar(Text[At + n]))) return false;
        At += n;
        return true;
    }
    void Expect(const char* token) {
        if (!Accept(token)) Fail(std::string("'") + token + "' expected");
    }
    TKsExprPtr Make(TKsOp op, std::string text = {}, std::vector<TKsExprPtr> args = {}) {
        auto e = std::make_shared<TKsExpr>();
        e->Op = op;
        e->Text = std::move(text);
        e->Args = std::move(args);
        e->Line = Line;
        return e;
    }

    TKsExprPtr Ternary() {
        if (++Depth > 200) Fail("nested too deeply");
        TKsExprPtr c = Or();
        if (Accept("?")) {
            TKsExprPtr a = Ternary();
            Expect(":");
            TKsExprPtr b = Ternary();
            c = Make(TKsOp::Ternary, {}, {c, a, b});
        }
        --Depth;
        return c;
    }
    TKsExprPtr Or() {
        TKsExprPtr l = And();
        while (AcceptWord("or")) l = Make(TKsOp::Binary, "or", {l, And()});
        return l;
    }
    TKsExprPtr And() {
        TKsExprPtr l = Not();
        while (AcceptWord("and")) l = Make(TKsOp::Binary, "and", {l, Not()});
        return l;
    }
    TKsExprPtr Not() {
        if (AcceptWord("not")) return Make(TKsOp::Unary, "not", {Not()});
        return Comparison();
    }
    TKsExprPtr Comparison() {
        TKsExprPtr l = BitOr();
        for (const char* op : {"==", "!=", "<=", ">=", "<", ">"}) {
            if (Peek(op) && !Peek("<<") && !Peek(">>")) {
                Accept(op);
                return Make(TKsOp::Binary, op, {l, BitOr()});
            }
        }
        return l;
    }
    TKsExprPtr BitOr() {
        TKsExprPtr l = BitXor();
        while (Peek("|")) {
            Accept("|");
            l = Make(TKsOp::Binary, "|", {l, BitXor()});
        }
        return l;
    }
    TKsExprPtr BitXor() {
        TKsExprPtr l = BitAnd();
        while (Accept("^")) l = Make(TKsOp::Binary, "^", {l, BitAnd()});
        return l;
    }
    TKsExprPtr BitAnd() {
        TKsExprPtr l = Shift();
        while (Accept("&")) l = Make(TKsOp::Binary, "&", {l, Shift()});
        return l;
    }
    TKsExprPtr Shift() {
        TKsExprPtr l = Sum();
        for (;;) {
            if (Accept("<<")) l = Make(TKsOp::Binary, "<<", {l, Sum()});
            else if (Accept(">>")) l = Make(TKsOp::Binary, ">>", {l, Sum()});
            else return l;
        }
    }
    TKsExprPtr Sum() {
        TKsExprPtr l = Term();
        for (;;) {
            if (Accept("+")) l = Make(TKsOp::Binary, "+", {l, Term()});
            else if (Accept("-")) l = Make(TKsOp::Binary, "-", {l, Term()});
            else return l;
        }
    }
    TKsExprPtr Term() {
        TKsExprPtr l = Unary();
        for (;;) {
            if (Accept("*")) l = Make(TKsOp::Binary, "*", {l, Unary()});
            else if (Accept("/")) l = Make(TKsOp::Binary, "/", {l, Unary()});
            else if (Accept("%")) l = Make(TKsOp::Binary, "%", {l, Unary()});
            else return l;
        }
    }
    TKsExprPtr Unary() {
        if (++Depth > 200) Fail("nested too deeply");
        TKsExprPtr e;
        if (Accept("-")) e = Make(TKsOp::Unary, "-", {Unary()});
        else if (Accept("~")) e = Make(TKsOp::Unary, "~", {Unary()});
        else if (Accept("+")) e = Unary();
        else e = Postfix();
        --Depth;
        return e;
    }

    // A type name after as< or sizeof<: words joined by ::, maybe with [] (arrays are cast as they are).
    std::vector<std::string> TypePath() {
        std::vector<std::string> path;
        do {
            Skip();
            const size_t start = At;
            while (At < Text.size() && IsWordChar(Text[At])) ++At;
            if (start == At) Fail("type name expected");
            path.push_back(Text.substr(start, At - start));
        } while (Accept("::"));
        Accept("[]");
        Expect(">");
        return path;
    }

    TKsExprPtr Postfix() {
        TKsExprPtr e = Primary();
        for (;;) {
            if (Accept("[")) {
                TKsExprPtr index = Ternary();
                Expect("]");
                e = Make(TKsOp::Index, {}, {e, index});
            } else if (Peek(".") && !(At + 1 < Text.size() && std::isdigit(static_cast<unsigned char>(Text[At + 1])))) {
                Accept(".");
                Skip();
                if (AcceptWord("as")) {
                    Expect("<");
                    auto cast = Make(TKsOp::Cast, {}, {e});
                    cast->Path = TypePath();
                    e = cast;
                    continue;
                }
                const size_t start = At;
                while (At < Text.size() && IsWordChar(Text[At])) ++At;
                if (start == At) Fail("name expected after '.'");
                std::string name = Text.substr(start, At - start);
                if (Accept("(")) {
                    std::vector<TKsExprPtr> args{e};
                    if (!Accept(")")) {
                        do args.push_back(Ternary());
                        while (Accept(","));
                        Expect(")");
                    }
                    e = Make(TKsOp::Call, name, std::move(args));
                } else {
                    e = Make(TKsOp::Member, name, {e});
                }
            } else {
                return e;
            }
        }
    }

    TKsExprPtr Number() {
        const size_t start = At;
        std::string digits;
        int base = 10;
        if (Text.compare(At, 2, "0x") == 0 || Text.compare(At, 2, "0X") == 0) base = 16;
        else if (Text.compare(At, 2, "0b") == 0 || Text.compare(At, 2, "0B") == 0) base = 2;
        else if (Text.compare(At, 2, "0o") == 0 || Text.compare(At, 2, "0O") == 0) base = 8;
        if (base != 10) At += 2;
        bool isFloat = false;
        while (At < Text.size()) {
            const char c = Text[At];
            if (c == '_') {
                ++At;
                continue;
            }
            if (base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))) {
                digits += c;
                ++At;
            } else if (base == 10 && c == '.' && At + 1 < Text.size() &&
                       std::isdigit(static_cast<unsigned char>(Text[At + 1]))) {
                isFloat = true;
                digits += c;
                ++At;
            } else if (base == 10 && (c == 'e' || c == 'E') && At + 1 < Text.size() &&
                       (std::isdigit(static_cast<unsigned char>(Text[At + 1])) || Text[At + 1] == '-' ||
                        Text[At + 1] == '+')) {
                isFloat = true;
                digits += c;
                digits += Text[At + 1];
                At += 2;
            } else {
                break;
            }
        }
        if (digits.empty()) Fail("bad number '" + Text.substr(start, At - start + 1) + "'");
        auto e = Make(isFloat ? TKsOp::Float : TKsOp::Int);
        if (isFloat) {
            e->Float = std::strtod(digits.c_str(), nullptr);
        } else {
            uint64_t value = 0;
            for (char c : digits) {
                const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10);
                if (d >= base) Fail("bad digit in '" + digits + "'");
                if (value > (UINT64_MAX - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base))
                    Fail("number too large: " + digits);
                value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
            }
            e->Int = value;
        }
        return e;
    }

    TKsExprPtr String(char quote) {
        ++At;
        std::string s;
        for (;;) {
            if (At >= Text.size()) Fail("unterminated string");
            char c = Text[At++];
            if (c == quote) break;
            if (c == '\\' && quote == '"') {
                if (At >= Text.size()) Fail("unterminated string");
                c = Text[At++];
                switch (c) {
                case 'n': s += '\n'; break;
                case 't': s += '\t'; break;
                case 'r': s += '\r'; break;
                case 'a': s += '\a'; break;
                case 'b': s += '\b'; break;
                case 'f': s += '\f'; break;
                case 'v': s += '\v'; break;
                case 'e': s += '\x1b'; break;
                case 'u': {
                    if (At + 4 > Text.size()) Fail("bad \\u escape");
                    const unsigned long cp = std::strtoul(Text.substr(At, 4).c_str(), nullptr, 16);
                    At += 4;
                    AppendUtf8(s, cp);
                    break;
                }
                default:
                    if (c >= '0' && c <= '7') {
                        unsigned value = static_cast<unsigned>(c - '0');
                        for (int i = 0; i < 2 && At < Text.size() && Text[At] >= '0' && Text[At] <= '7'; ++i)
                            value = value * 8 + static_cast<unsigned>(Text[At++] - '0');
                        AppendUtf8(s, value);
                    } else {
                        s += c;
                    }
                }
            } else {
                s += c;
            }
        }
        return Make(TKsOp::Str, s);
    }
    static void AppendUtf8(std::string& s, unsigned long cp) {
        if (cp < 0x80) {
            s += static_cast<char>(cp);
        } else if (cp < 0x800) {
            s += static_cast<char>(0xC0 | (cp >> 6));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            s += static_cast<char>(0xE0 | (cp >> 12));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    TKsExprPtr Primary() {
        Skip();
        if (At >= Text.size()) Fail("unexpected end");
        const char c = Text[At];
        if (c == '(') {
            ++At;
            TKsExprPtr e = Ternary();
            Expect(")");
            return e;
        }
        if (c == '[') {
            ++At;
            auto list = Make(TKsOp::List);
            if (!Accept("]")) {
                do list->Args.push_back(Ternary());
                while (Accept(",") && !Peek("]"));
                Expect("]");
            }
            return list;
        }
        if (c == '"' || c == '\'') return String(c);
        if (c == 'f' && At + 1 < Text.size() && Text[At + 1] == '"')
            KsFail(TKsErrorKind::Unsupported, "expression '" + Text + "': format strings are not supported", Line);
        if (std::isdigit(static_cast<unsigned char>(c))) return Number();
        if (!IsWordChar(c)) Fail(std::string("unexpected '") + c + "'");
        if (AcceptWord("true") || AcceptWord("false")) {
            auto e = Make(TKsOp::Bool);
            e->Bool = Text[At - 1] == 'e' && Text[At - 4] == 't';
            return e;
        }
        for (const char* word : {"sizeof", "bitsizeof"}) {
            if (AcceptWord(word)) {
                if (!Accept("<")) {
                    At -= std::char_traits<char>::length(word);
                    break;
                }
                auto e = Make(TKsOp::SizeOf, word[0] == 'b' ? "bits" : "");
                e->Path = TypePath();
                return e;
            }
        }
        std::vector<std::string> path;
        do {
            Skip();
            const size_t start = At;
            while (At < Text.size() && IsWordChar(Text[At])) ++At;
            if (start == At) Fail("name expected");
            path.push_back(Text.substr(start, At - start));
        } while (Accept("::"));
        if (path.size() == 1) return Make(TKsOp::Name, path[0]);
        auto e = Make(TKsOp::EnumValue, path.back());
        e->Path = std::move(path);
        return e;
    }
};

} // namespace

TKsExprPtr ParseKsExpr(const std::string& text, int line) {
    return TParser(text, line).ParseAll();
}

TKsExprPtr KsIntExpr(int64_t value, int line) {
    auto e = std::make_shared<TKsExpr>();
    e->Line = line;
    if (value < 0) {
        e->Op = TKsOp::Unary;
        e->Text = "-";
        e->Args.push_back(KsIntExpr(value == INT64_MIN ? INT64_MIN : -value, line));
        if (value == INT64_MIN) {
            e->Args[0]->Op = TKsOp::Int;
            e->Args[0]->Int = static_cast<uint64_t>(INT64_MAX) + 1;
        }
        return e;
    }
    e->Op = TKsOp::Int;
    e->Int = static_cast<uint64_t>(value);
    return e;
}

} // namespace Engine
