// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/CommandEnabling.h"

#include "engine/document/EngineState.h"

#include <vector>

namespace Engine {

namespace {

// A read-only file keeps every command that would change it off, whatever else asks for it.
bool KeptOff(TCommand command) {
    return Doc().File.ReadOnly && (CommandTable[static_cast<size_t>(command)].Groups & GroupChanges);
}

} // namespace

void SetCommandEnabled(TCommand command, bool on) {
    if (on && KeptOff(command)) return;
    Host->SetCommandsEnabled({&command, 1}, on);
}

void EnableGroup(TCommandGroup group, bool on) {
    std::vector<TCommand> members;
    for (const TCommandInfo& info : CommandTable)
        if ((info.Groups & group) && !(on && KeptOff(info.Command))) members.push_back(info.Command);
    Host->SetCommandsEnabled(members, on);
}

void EnableReplaceUndo(bool on) {
    Doc().Search.ReplaceUndoEnabled = on;
    SetCommandEnabled(TCommand::Replaceundo1, on);
}

} // namespace Engine
