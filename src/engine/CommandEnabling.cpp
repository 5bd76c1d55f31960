#include "engine/CommandEnabling.h"

#include "engine/EngineState.h"

#include <vector>

namespace Engine {

void SetCommandEnabled(TCommand command, bool on) {
    Host->SetCommandsEnabled({&command, 1}, on);
}

void EnableGroup(TCommandGroup group, bool on) {
    std::vector<TCommand> members;
    for (const TCommandInfo& info : CommandTable)
        if (info.Groups & group) members.push_back(info.Command);
    Host->SetCommandsEnabled(members, on);
}

void EnableReplaceUndo(bool on) {
    ReplaceUndoEnabled = on;
    SetCommandEnabled(TCommand::Replaceundo1, on);
}

} // namespace Engine
