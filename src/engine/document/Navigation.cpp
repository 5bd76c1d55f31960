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

bool InFile(int64_t address) {
    return address >= 1 && address <= Doc().Store.FileSize();
}

// from + delta when it lies in the file, else 0. The sum is never formed when it would pass the 64-bit
// range: delta comes from what the user typed, and the file may be as large as MaxFileSize.
TAddress InFileAfter(TAddress from, int64_t delta) {
    if (delta > 0 ? delta > Doc().Store.FileSize() - from : delta < 1 - from) return 0;
    return from + delta;
}

// A jump from the cursor by delta, or the error when it would leave the file.
void JumpBy(int64_t delta) {
    const TAddress target = InFileAfter(CurrentAddress(), delta);
    if (target == 0) {
        Host->ShowError(Texts::AdressInvalidJump);
        return;
    }
    GoToAddress(target);
}

} // namespace

TAddress GotoTarget(TGoMode mode, int64_t n) {
    switch (mode) {
    case TGoMode::Absolute:
        // The number the user sees for address 1 is AddressBase.
        return InFileAfter(1 - AddressBase, n);
    case TGoMode::RelativeDown:
        return InFileAfter(CurrentAddress(), n);
    case TGoMode::RelativeUp:
        // -n would overflow for the smallest value, which lies outside any file anyway.
        return n == INT64_MIN ? 0 : InFileAfter(CurrentAddress(), -n);
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

bool GoToEntered(int64_t n) {
    const TAddress target = GotoTarget(TGoMode::Absolute, n);
    if (target == 0) {
        Host->ShowError(Texts::AdressInvalid);
        return false;
    }
    GoToAddress(target);
    return true;
}

bool JumpWidthValid(int64_t n) {
    return n >= 1 && n < Doc().Store.FileSize();
}

bool BlockSizeValid(int64_t n) {
    return n >= 1 && n < Doc().Store.FileSize() && n - 1 <= Doc().Store.FileSize() - CurrentAddress();
}

void GoToAddress(TAddress address) {
    ShowAddress(address, true, true);
}

void JumpWidthDone(std::optional<TCount> width) {
    if (width) Doc().Search.JumpWidth = *width;
    EnableGroup(GroupJump, width.has_value());
}

void Jumpdown1Click() {
    JumpBy(Doc().Search.JumpWidth);
}

void Jumpup1Click() {
    JumpBy(-Doc().Search.JumpWidth);
}

void Rememberadress1Click() {
    Doc().Search.RememberedAddress =
        std::clamp<TAddress>(CurrentAddress(), 1, std::max<TAddress>(Doc().Store.FileSize(), 1));
    EnableGroup(GroupRemembered, true);
}

void Gotoremembered1Click() {
    // The file may have shrunk since the address was remembered.
    if (!InFile(Doc().Search.RememberedAddress)) {
        Host->ShowError(Texts::AdressInvalidJump);
        return;
    }
    GoToAddress(Doc().Search.RememberedAddress);
}

std::string DifferenceText() {
    const int64_t shown = Doc().Search.RememberedAddress - 1 + AddressBase;
    const int64_t difference = CurrentAddress() - Doc().Search.RememberedAddress;
    return FormatText(Texts::DifferenceDec, {shown, difference}) + "\r" +
           FormatText(Texts::DifferenceHex, {shown, difference});
}

void Displaydifference1Click() {
    Host->ShowInfo(DifferenceText());
}

void MarkBlockOfSize(TCount n) {
    const TAddress pos = CurrentAddress();
    Doc().Block.BlockBegin = pos;
    Doc().Block.BlockEnd = pos + n - 1;
    Doc().Block.MarkAnchor = 0;
    SetCommandEnabled(TCommand::Blockunmark1, true);
    EnableBlockCommands(true);
    Host->RepaintPanes();
}

} // namespace Engine
