#include "engine/Navigation.h"

#include "engine/Blocks.h"
#include "engine/CommandEnabling.h"
#include "engine/EngineState.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"
#include "engine/View.h"

#include <algorithm>

namespace Engine {

namespace {

bool InFile(int64_t address) {
    return address >= 1 && address <= FileSize;
}

// A jump from the cursor by delta, or the error when it would leave the file.
void JumpBy(int64_t delta) {
    const int64_t target = static_cast<int64_t>(CurrentAddress()) + delta;
    if (!InFile(target)) {
        Host->ShowError(Texts::AdressInvalidJump);
        return;
    }
    GoToAddress(static_cast<int32_t>(target));
}

} // namespace

int32_t GotoTarget(TGoMode mode, int64_t n) {
    const int64_t current = CurrentAddress();
    int64_t target = 0;
    switch (mode) {
    case TGoMode::Absolute:
        target = n - AddressBase + 1;
        break;
    case TGoMode::RelativeDown:
        target = current + n;
        break;
    case TGoMode::RelativeUp:
        target = current - n;
        break;
    }
    return InFile(target) ? static_cast<int32_t>(target) : 0;
}

bool JumpWidthValid(int64_t n) {
    return n >= 1 && n < FileSize;
}

bool BlockSizeValid(int64_t n) {
    return n >= 1 && n < FileSize && static_cast<int64_t>(CurrentAddress()) + n - 1 <= FileSize;
}

void GoToAddress(int32_t address) {
    ShowAddress(address, true, true);
}

void JumpWidthDone(std::optional<int32_t> width) {
    if (width) JumpWidth = *width;
    EnableGroup(GroupJump, width.has_value());
}

void Jumpdown1Click() {
    JumpBy(JumpWidth);
}

void Jumpup1Click() {
    JumpBy(-static_cast<int64_t>(JumpWidth));
}

void Rememberadress1Click() {
    RememberedAddress = std::clamp(CurrentAddress(), 1, std::max(FileSize, 1));
    EnableGroup(GroupRemembered, true);
}

void Gotoremembered1Click() {
    // The file may have shrunk since the address was remembered.
    if (!InFile(RememberedAddress)) {
        Host->ShowError(Texts::AdressInvalidJump);
        return;
    }
    GoToAddress(RememberedAddress);
}

std::string DifferenceText() {
    const int64_t shown = static_cast<int64_t>(RememberedAddress) - 1 + AddressBase;
    const int64_t difference = static_cast<int64_t>(CurrentAddress()) - RememberedAddress;
    return FormatText(Texts::DifferenceDec, {shown, difference}) + "\r" +
           FormatText(Texts::DifferenceHex, {shown, difference});
}

void Displaydifference1Click() {
    Host->ShowInfo(DifferenceText());
}

void MarkBlockOfSize(int32_t n) {
    const int32_t pos = CurrentAddress();
    BlockBegin = pos;
    BlockEnd = pos + n - 1;
    MarkAnchor = 0;
    SetCommandEnabled(TCommand::Blockunmark1, true);
    EnableBlockCommands(true);
    Host->RepaintPanes();
}

} // namespace Engine
