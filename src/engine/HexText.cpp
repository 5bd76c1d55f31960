#include "engine/HexText.h"

namespace {
constexpr char Digits[] = "0123456789ABCDEF";
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 15;
}

std::string BytesToHex(std::string_view bytes, bool spaced) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (spaced && i > 0) text += ' ';
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text += Digits[byte >> 4];
        text += Digits[byte & 15];
    }
    return text;
}

std::string HexToBytes(std::string_view text, bool spaced) {
    std::string bytes;
    const size_t step = spaced ? 3 : 2;
    for (size_t i = 0; i + 1 < text.size(); i += step)
        bytes += static_cast<char>(HexDigitValue(text[i]) * 16 + HexDigitValue(text[i + 1]));
    return bytes;
}

bool IsHexText(std::string_view text, bool spaced) {
    if (text.empty()) return false;
    if (!spaced) {
        if (text.size() % 2 != 0) return false;
        for (char c : text)
            if (!IsHexDigit(c)) return false;
        return true;
    }
    if ((text.size() + 1) % 3 != 0) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        // 1-based positions 3, 6, 9, ... may hold the separator.
        if (IsHexDigit(text[i]) || ((i + 1) % 3 == 0 && text[i] == ' ')) continue;
        return false;
    }
    return true;
}
