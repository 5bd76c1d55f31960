// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/CommandEnabling.h"

#include "engine/document/EngineState.h"

#include <vector>

namespace Engine {

namespace {

// A read-only file keeps every command that would change it off, whatever else asks for it.
bool KeptOff(TDocument& doc, TCommand command) {
    return doc.File.ReadOnly && (CommandTable[static_cast<size_t>(command)].Groups & GroupChanges);
}

} // namespace

void SetCommandEnabled(TDocument& doc, TCommand command, bool on) {
    if (on && KeptOff(doc, command)) return;
    doc.App.Host->SetCommandsEnabled({&command, 1}, on);
}

void EnableGroup(TDocument& doc, TCommandGroup group, bool on) {
    std::vector<TCommand> members;
    for (const TCommandInfo& info : CommandTable)
        if ((info.Groups & group) && !(on && KeptOff(doc, info.Command))) members.push_back(info.Command);
    doc.App.Host->SetCommandsEnabled(members, on);
}

void EnableReplaceUndo(TDocument& doc, bool on) {
    doc.Search.ReplaceUndoEnabled = on;
    SetCommandEnabled(doc, TCommand::Replaceundo1, on);
}

} // namespace Engine
