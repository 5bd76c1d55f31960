// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/Blocks.h"

#include "engine/document/CommandEnabling.h"
#include "engine/document/EngineState.h"
#include "engine/text/StringTable.h"
#include "engine/document/View.h"

#include <algorithm>
#include <utility>

namespace Engine {

bool BlockComplete(TDocument& doc) {
    return doc.Block.BlockBegin != 0 && doc.Block.BlockEnd != 0;
}

void UnmarkBlock(TDocument& doc) {
    doc.Block.BlockBegin = 0;
    doc.Block.BlockEnd = 0;
    // Cut1 and Copy1 keep their state: the clipboard commands decide it themselves.
    EnableGroup(doc, GroupUnmark, false);
    doc.Display->RepaintPanes();
}

void DropBlockIfAffected(TDocument& doc, TAddress address) {
    if (BlockComplete(doc) && doc.Block.BlockEnd >= address) {
        doc.App.Host->ShowInfo(Texts::BlockNoLongerValid);
        UnmarkBlock(doc);
    }
    ForgetBlockPastEnd(doc);
}

void ForgetBlockPastEnd(TDocument& doc) {
    // A half-marked block whose end lies past a shortened file would later copy or delete bytes that
    // are no longer part of it.
    if ((doc.Block.BlockBegin != 0 || doc.Block.BlockEnd != 0) &&
        (doc.Block.BlockBegin > doc.Store.FileSize() || doc.Block.BlockEnd > doc.Store.FileSize()))
        UnmarkBlock(doc);
}

void SetBlock(TDocument& doc, TAddress begin, TAddress end) {
    if (begin == 0 && end == 0) {
        UnmarkBlock(doc);
        return;
    }
    doc.Block.BlockBegin = begin;
    doc.Block.BlockEnd = end;
    doc.Block.MarkAnchor = 0;
    SetCommandEnabled(doc, TCommand::Blockunmark1, true);
    EnableBlockCommands(doc, BlockComplete(doc));
    doc.Display->RepaintPanes();
}

void MoveBlockMarks(TDocument& doc, TAddress newBegin) {
    doc.Block.BlockEnd = newBegin + doc.Block.BlockEnd - doc.Block.BlockBegin;
    doc.Block.BlockBegin = newBegin;
    // A refill redraws only cells whose text changed; the old and new places of the block change colour.
    doc.Display->RepaintPanes();
}

void EnableBlockCommands(TDocument& doc, bool on) {
    EnableGroup(doc, GroupBlock, on);
}

bool MarkBlock(TDocument& doc, bool extend, bool forward) {
    // The empty cell after the last byte marks up to the last byte.
    const TAddress pos = std::min(CurrentAddress(doc), doc.Store.FileSize());
    SetCommandEnabled(doc, TCommand::Blockunmark1, true);
    if (doc.Block.BlockBegin == 0 && doc.Block.BlockEnd == 0) {
        doc.Block.BlockBegin = pos;
        doc.Block.MarkAnchor = 0;
        if (extend) doc.Block.BlockEnd = pos;
    } else if (!extend && BlockComplete(doc)) {
        doc.Block.BlockBegin = pos;
        doc.Block.BlockEnd = 0;
        doc.Block.MarkAnchor = 0;
        doc.Display->RepaintPanes();
    } else {
        // Extending a half-marked block starts from its one end; the unset end 0 would never let it complete.
        if (extend && doc.Block.BlockEnd == 0) doc.Block.BlockEnd = doc.Block.BlockBegin;
        if (forward) {
            if (pos < doc.Block.BlockEnd) {
                doc.Block.BlockBegin = pos;
                doc.Block.MarkAnchor = -1;
            } else if (doc.Block.MarkAnchor == -1 && pos == doc.Block.BlockEnd) {
                doc.Block.MarkAnchor = 0;
                doc.Block.BlockBegin = pos;
            } else {
                doc.Block.BlockEnd = pos;
            }
        } else {
            if (pos > doc.Block.BlockBegin) {
                doc.Block.BlockEnd = pos;
                doc.Block.MarkAnchor = +1;
            } else if (doc.Block.MarkAnchor == +1 && pos == doc.Block.BlockBegin) {
                doc.Block.MarkAnchor = 0;
                doc.Block.BlockEnd = pos;
            } else {
                doc.Block.BlockBegin = pos;
            }
        }
        if (doc.Block.BlockBegin > doc.Block.BlockEnd)
            std::swap(doc.Block.BlockBegin, doc.Block.BlockEnd);
    }
    if (BlockComplete(doc)) {
        doc.Display->RepaintPanes();
        EnableBlockCommands(doc, true);
        return true;
    }
    EnableBlockCommands(doc, false);
    return false;
}

} // namespace Engine
