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
int64_t LargestShown(TDocument& doc) {
    return (doc.FileOpen ? CursorEnd(doc) : 1) - 1 + doc.App.AddressBase;
}

} // namespace

int RowAddressDigits(TDocument& doc) {
    return std::max(MinRowAddressDigits, DigitCount(LargestShown(doc), 10));
}

std::vector<std::string> RowAddressTexts(TDocument& doc) {
    std::vector<std::string> texts(size_t(std::max(0, doc.View.Rows)));
    if (!doc.FileOpen) return texts;
    const TAddress last = CursorEnd(doc);
    const int hexDigits = DigitCount(LargestShown(doc), 16);
    for (int32_t row = 0; row < doc.View.Rows; ++row) {
        const TAddress first = doc.View.TopAddress + int64_t{row} * doc.View.Cols;
        if (first > last) break;
        const int64_t shown = first - 1 + doc.App.AddressBase;
        if (doc.App.TextMode) {
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
