// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EditorTestCase.h"
#include "common/TestDocument.h"

#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"

void TEditorTestCase::init() {
    Settings.Fresh();
    Engine::ResetEngineState(TestDoc());
}

void TEditorTestCase::cleanup() {
    Engine::ResetEngineState(TestDoc());
}

void TEditorTestCase::cleanupTestCase() {
    Settings.Release();
}
