// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Commands.h"


// Commands the window enables and disables as the editor's state changes.
namespace Engine {

class TDocument;

void SetCommandEnabled(TDocument& doc, TCommand command, bool on);
// Every command of the table that belongs to the group.
void EnableGroup(TDocument& doc, TCommandGroup group, bool on);
// Replace undo, and the state the engine keeps of it.
void EnableReplaceUndo(TDocument& doc, bool on);

} // namespace Engine
