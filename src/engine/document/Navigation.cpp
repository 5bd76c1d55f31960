// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/Navigation.h"

#include "engine/document/Blocks.h"
#include "engine/document/CommandEnabling.h"
#include "engine/document/EngineState.h"
#include "engine/text/HexText.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/document/View.h"

#include <algorithm>
#include <charconv>

namespace Engine {

namespace {

bool InFile(TDocument& doc, int64_t address) {
    return address >= 1 && address <= doc.Store.FileSize();
}

// from + delta when it lies in the file, else 0. The sum is never formed when it would pass the 64-bit
// range: delta comes from what the user typed, and the file may be as large as MaxFileSize.
TAddress InFileAfter(TDocument& doc, TAddress from, int64_t delta) {
    if (delta > 0 ? delta > doc.Store.FileSize() - from : delta < 1 - from) return 0;
    return from + delta;
}

// A jump from the cursor by delta, or the error when it would leave the file.
void JumpBy(TDocument& doc, int64_t delta) {
    const TAddress target = InFileAfter(doc, CurrentAddress(doc), delta);
    if (target == 0) {
        doc.App.Host->ShowError(Texts::AdressInvalidJump);
        return;
    }
    GoToAddress(doc, target);
}

} // namespace

TAddress GotoTarget(TDocument& doc, TGoMode mode, int64_t n) {
    switch (mode) {
    case TGoMode::Absolute:
        // The number the user sees for address 1 is AddressBase.
        return InFileAfter(doc, 1 - doc.App.AddressBase, n);
    case TGoMode::RelativeDown:
        return InFileAfter(doc, CurrentAddress(doc), n);
    case TGoMode::RelativeUp:
        // -n would overflow for the smallest value, which lies outside any file anyway.
        return n == INT64_MIN ? 0 : InFileAfter(doc, CurrentAddress(doc), -n);
    }
    return 0;
}

size_t HexPrefixLength(std::string_view text) {
    if (text.starts_with('$')) return 1;
    return text.starts_with("0x") || text.starts_with("0X") ? 2 : 0;
}

std::optional<int64_t> ReadAddressText(std::string_view text, bool hex) {
    const size_t prefix = HexPrefixLength(text);
    text.remove_prefix(prefix);
    // from_chars takes a minus sign, which no address has; a number past the range is refused.
    if (text.empty() || text.front() == '-') return std::nullopt;
    int64_t n = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), n, hex || prefix > 0 ? 16 : 10);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return n;
}

std::string_view StrayAddressChar(std::string_view text, bool hex) {
    const size_t prefix = HexPrefixLength(text);
    hex = hex || prefix > 0;
    for (size_t i = prefix; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (hex ? IsHexDigit(text[i]) : c >= '0' && c <= '9') continue;
        // A lead byte tells how long its sequence is; continuation bytes go with it.
        size_t length = 1;
        while (length < 4 && i + length < text.size() &&
               (static_cast<unsigned char>(text[i + length]) & 0xC0) == 0x80)
            ++length;
        return text.substr(i, c < 0x80 ? 1 : length);
    }
    return {};
}

bool GoToEntered(TDocument& doc, int64_t n) {
    const TAddress target = GotoTarget(doc, TGoMode::Absolute, n);
    if (target == 0) {
        doc.App.Host->ShowError(Texts::AdressInvalid);
        return false;
    }
    GoToAddress(doc, target);
    return true;
}

bool JumpWidthValid(TDocument& doc, int64_t n) {
    return n >= 1 && n < doc.Store.FileSize();
}

bool BlockSizeValid(TDocument& doc, int64_t n) {
    return n >= 1 && n < doc.Store.FileSize() && n - 1 <= doc.Store.FileSize() - CurrentAddress(doc);
}

void GoToAddress(TDocument& doc, TAddress address) {
    ShowAddress(doc, address, true, true);
}

void JumpWidthDone(TDocument& doc, std::optional<TCount> width) {
    if (width) doc.Search.JumpWidth = *width;
    EnableGroup(doc, GroupJump, width.has_value());
}

void Jumpdown1Click(TDocument& doc) {
    JumpBy(doc, doc.Search.JumpWidth);
}

void Jumpup1Click(TDocument& doc) {
    JumpBy(doc, -doc.Search.JumpWidth);
}

void Rememberadress1Click(TDocument& doc) {
    doc.Search.RememberedAddress =
        std::clamp<TAddress>(CurrentAddress(doc), 1, std::max<TAddress>(doc.Store.FileSize(), 1));
    EnableGroup(doc, GroupRemembered, true);
}

void Gotoremembered1Click(TDocument& doc) {
    // The file may have shrunk since the address was remembered.
    if (!InFile(doc, doc.Search.RememberedAddress)) {
        doc.App.Host->ShowError(Texts::AdressInvalidJump);
        return;
    }
    GoToAddress(doc, doc.Search.RememberedAddress);
}

std::string DifferenceText(TDocument& doc) {
    const int64_t shown = doc.Search.RememberedAddress - 1 + doc.App.AddressBase;
    const int64_t difference = CurrentAddress(doc) - doc.Search.RememberedAddress;
    return FormatText(Texts::DifferenceDec, {shown, difference}) + "\r" +
           FormatText(Texts::DifferenceHex, {shown, difference});
}

void Displaydifference1Click(TDocument& doc) {
    doc.App.Host->ShowInfo(DifferenceText(doc));
}

void MarkBlockOfSize(TDocument& doc, TCount n) {
    const TAddress pos = CurrentAddress(doc);
    doc.Block.BlockBegin = pos;
    doc.Block.BlockEnd = pos + n - 1;
    doc.Block.MarkAnchor = 0;
    SetCommandEnabled(doc, TCommand::Blockunmark1, true);
    EnableBlockCommands(doc, true);
    doc.Display->RepaintPanes();
}

} // namespace Engine
