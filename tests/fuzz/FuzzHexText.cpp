// SPDX-License-Identifier: GPL-3.0-or-later
// Hex text both ways: any bytes survive the way to text and back, and any text is judged and parsed as a
// digit-by-digit reading of it says.
#include "FuzzSupport.h"

#include "engine/text/HexText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <string>

namespace {

// The value of a hex digit, 15 for anything else.
int DigitValue(char c) {
    const std::string digits = "0123456789abcdef";
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    const size_t at = digits.find(lower);
    return at == std::string::npos || c == '\0' ? 15 : static_cast<int>(at);
}

bool IsDigit(char c) {
    return c != '\0' && std::string("0123456789abcdefABCDEF").find(c) != std::string::npos;
}

// Pairs of digits, each pair followed by one separator when spaced (the last pair needs none).
bool ReferenceIsHex(const std::string& text, bool spaced) {
    const size_t unit = spaced ? 3 : 2;
    if (text.empty() || (text.size() + (spaced ? 1 : 0)) % unit != 0) return false;
    for (size_t pair = 0; pair * unit < text.size(); ++pair) {
        const size_t at = pair * unit;
        if (!IsDigit(text[at]) || !IsDigit(text[at + 1])) return false;
        if (spaced && at + 2 < text.size() && text[at + 2] != ' ' && !IsDigit(text[at + 2])) return false;
    }
    return true;
}

std::string ReferenceToBytes(const std::string& text, bool spaced) {
    std::string bytes;
    const size_t unit = spaced ? 3 : 2;
    for (size_t at = 0; at + 2 <= text.size(); at += unit)
        bytes.push_back(static_cast<char>(DigitValue(text[at]) * 16 + DigitValue(text[at + 1])));
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool spaced = input.ConsumeBool();
    const std::string text = input.ConsumeRemainingBytesAsString();

    // Bytes to text and back.
    const std::string hex = BytesToHex(text, spaced);
    FUZZ_CHECK(hex.size() == (text.empty() ? 0 : text.size() * (spaced ? 3 : 2) - (spaced ? 1 : 0)));
    FUZZ_CHECK(HexToBytes(hex, spaced) == text);
    FUZZ_CHECK(IsHexText(hex, spaced) == !text.empty());
    for (size_t i = 0; i < hex.size(); ++i)
        FUZZ_CHECK(spaced && i % 3 == 2 ? hex[i] == ' ' : IsDigit(hex[i]) && !(hex[i] >= 'a' && hex[i] <= 'f'));

    // Any text, judged and read.
    FUZZ_CHECK(IsHexText(text, spaced) == ReferenceIsHex(text, spaced));
    FUZZ_CHECK(HexToBytes(text, spaced) == ReferenceToBytes(text, spaced));
    if (ReferenceIsHex(text, spaced)) {
        // Read and written again: the text in its one form, upper-case digits and spaces between pairs.
        std::string canonical = text;
        for (size_t i = 0; i < canonical.size(); ++i)
            canonical[i] = spaced && i % 3 == 2 ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(canonical[i])));
        FUZZ_CHECK(BytesToHex(HexToBytes(text, spaced), spaced) == canonical);
    }
    for (char c : text) {
        FUZZ_CHECK(IsHexDigit(c) == IsDigit(c));
        FUZZ_CHECK(HexDigitValue(c) == DigitValue(c));
    }
    return 0;
}
