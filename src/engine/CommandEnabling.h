#pragma once

#include "engine/Commands.h"

#include <initializer_list>

// Commands the window enables and disables as the editor's state changes.
namespace Engine {

void SetCommandsEnabled(std::initializer_list<TCommand> commands, bool on);
// Replace undo, and the state the engine keeps of it.
void EnableReplaceUndo(bool on);

} // namespace Engine
