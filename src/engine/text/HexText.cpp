// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/HexText.h"

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

std::optional<std::string> LooseHexToBytes(std::string_view text) {
    std::string bytes;
    size_t i = 0;
    auto separator = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n'; };
    while (i < text.size()) {
        if (separator(text[i])) {
            ++i;
            continue;
        }
        const bool led = i + 1 < text.size() && (text[i] == '0' || text[i] == '\\') &&
                         (text[i + 1] == 'x' || text[i + 1] == 'X');
        if (led) i += 2;
        const size_t start = i;
        while (i < text.size() && IsHexDigit(text[i]))
            ++i;
        size_t digits = i - start;
        if (digits == 0) return std::nullopt;
        // A run ends at a separator, the end, the next escape, or a colon or hyphen that joins it to the next
        // run ("de:ad:be:ef", "de-ad").
        const bool joined =
            i + 1 < text.size() && (text[i] == ':' || text[i] == '-') && IsHexDigit(text[i + 1]);
        if (i < text.size() && !separator(text[i]) && text[i] != '\\' && !joined) return std::nullopt;
        size_t at = start;
        if (digits % 2 != 0) {
            if (!led || digits != 1) return std::nullopt;
            bytes += static_cast<char>(HexDigitValue(text[at++]));
            --digits;
        }
        for (; at < i; at += 2)
            bytes += static_cast<char>(HexDigitValue(text[at]) * 16 + HexDigitValue(text[at + 1]));
        if (joined) ++i;
    }
    if (bytes.empty()) return std::nullopt;
    return bytes;
}
