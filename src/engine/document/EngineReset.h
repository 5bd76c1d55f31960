// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Above every unit that keeps state of its own, so that one call can put all of it back.
namespace Engine {

// Frees the buffer and puts every variable back to its start value, undo included (tests call it between
// cases).
void ResetEngineState();

} // namespace Engine
