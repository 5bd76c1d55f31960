// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Above every unit that keeps state of its own, so that one call can put all of it back.
namespace Engine {

class TDocument;

// Frees the document's buffer and puts it and its application back to their start values, undo included;
// the application keeps its host and the recovery journals this run has asked about (tests call it
// between cases).
void ResetEngineState(TDocument& doc);

} // namespace Engine
