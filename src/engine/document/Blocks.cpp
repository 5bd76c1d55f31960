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
    return Doc().Block.BlockBegin != 0 && Doc().Block.BlockEnd != 0;
}

void UnmarkBlock() {
    Doc().Block.BlockBegin = 0;
    Doc().Block.BlockEnd = 0;
    // Cut1 and Copy1 keep their state: the clipboard commands decide it themselves.
    EnableGroup(GroupUnmark, false);
    Host->RepaintPanes();
}

void DropBlockIfAffected(TAddress address) {
    if (BlockComplete() && Doc().Block.BlockEnd >= address) {
        Host->ShowInfo(Texts::BlockNoLongerValid);
        UnmarkBlock();
    }
    ForgetBlockPastEnd();
}

void ForgetBlockPastEnd() {
    // A half-marked block whose end lies past a shortened file would later copy or delete bytes that
    // are no longer part of it.
    if ((Doc().Block.BlockBegin != 0 || Doc().Block.BlockEnd != 0) &&
        (Doc().Block.BlockBegin > Doc().Store.FileSize() || Doc().Block.BlockEnd > Doc().Store.FileSize()))
        UnmarkBlock();
}

void SetBlock(TAddress begin, TAddress end) {
    if (begin == 0 && end == 0) {
        UnmarkBlock();
        return;
    }
    Doc().Block.BlockBegin = begin;
    Doc().Block.BlockEnd = end;
    Doc().Block.MarkAnchor = 0;
    SetCommandEnabled(TCommand::Blockunmark1, true);
    EnableBlockCommands(BlockComplete());
    Host->RepaintPanes();
}

void MoveBlockMarks(TAddress newBegin) {
    Doc().Block.BlockEnd = newBegin + Doc().Block.BlockEnd - Doc().Block.BlockBegin;
    Doc().Block.BlockBegin = newBegin;
    // A refill redraws only cells whose text changed; the old and new places of the block change colour.
    Host->RepaintPanes();
}

void EnableBlockCommands(bool on) {
    EnableGroup(GroupBlock, on);
}

bool MarkBlock(bool extend, bool forward) {
    // The empty cell after the last byte marks up to the last byte.
    const TAddress pos = std::min(CurrentAddress(), Doc().Store.FileSize());
    SetCommandEnabled(TCommand::Blockunmark1, true);
    if (Doc().Block.BlockBegin == 0 && Doc().Block.BlockEnd == 0) {
        Doc().Block.BlockBegin = pos;
        Doc().Block.MarkAnchor = 0;
        if (extend) Doc().Block.BlockEnd = pos;
    } else if (!extend && BlockComplete()) {
        Doc().Block.BlockBegin = pos;
        Doc().Block.BlockEnd = 0;
        Doc().Block.MarkAnchor = 0;
        Host->RepaintPanes();
    } else {
        // Extending a half-marked block starts from its one end; the unset end 0 would never let it complete.
        if (extend && Doc().Block.BlockEnd == 0) Doc().Block.BlockEnd = Doc().Block.BlockBegin;
        if (forward) {
            if (pos < Doc().Block.BlockEnd) {
                Doc().Block.BlockBegin = pos;
                Doc().Block.MarkAnchor = -1;
            } else if (Doc().Block.MarkAnchor == -1 && pos == Doc().Block.BlockEnd) {
                Doc().Block.MarkAnchor = 0;
                Doc().Block.BlockBegin = pos;
            } else {
                Doc().Block.BlockEnd = pos;
            }
        } else {
            if (pos > Doc().Block.BlockBegin) {
                Doc().Block.BlockEnd = pos;
                Doc().Block.MarkAnchor = +1;
            } else if (Doc().Block.MarkAnchor == +1 && pos == Doc().Block.BlockBegin) {
                Doc().Block.MarkAnchor = 0;
                Doc().Block.BlockEnd = pos;
            } else {
                Doc().Block.BlockBegin = pos;
            }
        }
        if (Doc().Block.BlockBegin > Doc().Block.BlockEnd)
            std::swap(Doc().Block.BlockBegin, Doc().Block.BlockEnd);
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
