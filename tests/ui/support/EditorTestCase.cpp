// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EditorTestCase.h"

#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"

void TEditorTestCase::init() {
    Settings.Fresh();
    Engine::ResetEngineState();
}

void TEditorTestCase::cleanup() {
    Engine::ResetEngineState();
}

void TEditorTestCase::cleanupTestCase() {
    Settings.Release();
}
