// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/RowAddresses.h"

#include "engine/document/EngineState.h"
#include "engine/document/View.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace Engine {

namespace {

int DigitCount(int64_t n, int base) {
    int digits = 1;
    for (; n >= base; n /= base)
        ++digits;
    return digits;
}

// As the address panel: the cursor's last position counts, which in insert mode is past the last byte.
int64_t LargestShown() {
    return (Doc().FileOpen ? CursorEnd() : 1) - 1 + AddressBase;
}

} // namespace

int RowAddressDigits() {
    return std::max(MinRowAddressDigits, DigitCount(LargestShown(), 10));
}

std::vector<std::string> RowAddressTexts() {
    std::vector<std::string> texts(size_t(std::max(0, Doc().View.Rows)));
    if (!Doc().FileOpen) return texts;
    const TAddress last = CursorEnd();
    const int hexDigits = DigitCount(LargestShown(), 16);
    for (int32_t row = 0; row < Doc().View.Rows; ++row) {
        const TAddress first = Doc().View.TopAddress + int64_t{row} * Doc().View.Cols;
        if (first > last) break;
        const int64_t shown = first - 1 + AddressBase;
        if (TextMode) {
            texts[size_t(row)] = std::to_string(shown);
        } else {
            char text[24];
            std::snprintf(text, sizeof text, "%0*" PRIX64, hexDigits, uint64_t(shown));
            texts[size_t(row)] = text;
        }
    }
    return texts;
}

} // namespace Engine
