// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Application.h"
#include "engine/document/Document.h"

// The application whose options the widgets follow: the character set that typed text takes and that the
// text pane draws with. The main window names its own; until it does (and in widget tests) the defaults hold.
const Engine::TApplication& UiApplication();
void SetUiApplication(const Engine::TApplication* app);

// The document the window's commands and dialogs work on (the dialogs check what is typed against it).
// Without a main window, an empty document of its own.
Engine::TDocument& UiDocument();
// The same, or null while there is none.
Engine::TDocument* UiDocumentIfAny();
void SetUiDocument(Engine::TDocument* document);
