// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/Blocks.h"

#include "engine/document/CommandEnabling.h"
#include "engine/document/EngineState.h"
#include "engine/text/StringTable.h"
#include "engine/document/View.h"

#include <algorithm>
#include <utility>

namespace Engine {

bool BlockComplete() {
    return BlockBegin != 0 && BlockEnd != 0;
}

void UnmarkBlock() {
    BlockBegin = 0;
    BlockEnd = 0;
    // Cut1 and Copy1 keep their state: the clipboard commands decide it themselves.
    EnableGroup(GroupUnmark, false);
    Host->RepaintPanes();
}

void DropBlockIfAffected(TAddress address) {
    if (BlockComplete() && BlockEnd >= address) {
        Host->ShowInfo(Texts::BlockNoLongerValid);
        UnmarkBlock();
    }
    ForgetBlockPastEnd();
}

void ForgetBlockPastEnd() {
    // A half-marked block whose end lies past a shortened file would later copy or delete bytes that
    // are no longer part of it.
    if ((BlockBegin != 0 || BlockEnd != 0) && (BlockBegin > Store.FileSize() || BlockEnd > Store.FileSize()))
        UnmarkBlock();
}

void SetBlock(TAddress begin, TAddress end) {
    if (begin == 0 && end == 0) {
        UnmarkBlock();
        return;
    }
    BlockBegin = begin;
    BlockEnd = end;
    MarkAnchor = 0;
    SetCommandEnabled(TCommand::Blockunmark1, true);
    EnableBlockCommands(BlockComplete());
    Host->RepaintPanes();
}

void MoveBlockMarks(TAddress newBegin) {
    BlockEnd = newBegin + BlockEnd - BlockBegin;
    BlockBegin = newBegin;
    // A refill redraws only cells whose text changed; the old and new places of the block change colour.
    Host->RepaintPanes();
}

void EnableBlockCommands(bool on) {
    EnableGroup(GroupBlock, on);
}

bool MarkBlock(bool extend, bool forward) {
    // The empty cell after the last byte marks up to the last byte.
    const TAddress pos = std::min(CurrentAddress(), Store.FileSize());
    SetCommandEnabled(TCommand::Blockunmark1, true);
    if (BlockBegin == 0 && BlockEnd == 0) {
        BlockBegin = pos;
        MarkAnchor = 0;
        if (extend) BlockEnd = pos;
    } else if (!extend && BlockComplete()) {
        BlockBegin = pos;
        BlockEnd = 0;
        MarkAnchor = 0;
        Host->RepaintPanes();
    } else {
        // Extending a half-marked block starts from its one end; the unset end 0 would never let it complete.
        if (extend && BlockEnd == 0) BlockEnd = BlockBegin;
        if (forward) {
            if (pos < BlockEnd) {
                BlockBegin = pos;
                MarkAnchor = -1;
            } else if (MarkAnchor == -1 && pos == BlockEnd) {
                MarkAnchor = 0;
                BlockBegin = pos;
            } else {
                BlockEnd = pos;
            }
        } else {
            if (pos > BlockBegin) {
                BlockEnd = pos;
                MarkAnchor = +1;
            } else if (MarkAnchor == +1 && pos == BlockBegin) {
                MarkAnchor = 0;
                BlockEnd = pos;
            } else {
                BlockBegin = pos;
            }
        }
        if (BlockBegin > BlockEnd) std::swap(BlockBegin, BlockEnd);
    }
    if (BlockComplete()) {
        Host->RepaintPanes();
        EnableBlockCommands(true);
        return true;
    }
    EnableBlockCommands(false);
    return false;
}

} // namespace Engine
