#include "engine/Blocks.h"

#include "engine/ByteStore.h"
#include "engine/StringTable.h"

namespace Engine {

void UnmarkBlock() {
    BlockBegin = 0;
    BlockEnd = 0;
    // Cut1 and Copy1 keep their state: the clipboard commands decide it themselves.
    SetCommandsEnabled({TCommand::Blockunmark1, TCommand::Blockdelete1, TCommand::JkBtnDel, TCommand::JkBtnCut,
                        TCommand::JkBtnCopy, TCommand::Blockcopy1, TCommand::Blockcopyovwr1, TCommand::Blockmove1,
                        TCommand::Writeblock1},
                       false);
    Host->RepaintPanes();
}

void DropBlockIfAffected(int32_t address) {
    if (BlockBegin != 0 && BlockEnd != 0 && BlockEnd >= address) {
        Host->ShowInfo(Texts::BlockNoLongerValid);
        UnmarkBlock();
    }
}

} // namespace Engine
