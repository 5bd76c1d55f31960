#include "engine/CommandEnabling.h"

#include "engine/EngineState.h"

#include <vector>

namespace Engine {

void SetCommandsEnabled(std::initializer_list<TCommand> commands, bool on) {
    std::vector<TCommand> list(commands);
    Host->SetCommandsEnabled(list, on);
}

void EnableReplaceUndo(bool on) {
    ReplaceUndoEnabled = on;
    SetCommandsEnabled({TCommand::Replaceundo1}, on);
}

} // namespace Engine
