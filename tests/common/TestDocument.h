// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Application.h"
#include "engine/document/Document.h"

// The document the test at hand works on, and its application: an engine test's own, the main window's in
// a window test, a fuzz input's or a benchmark's. Without one named, a document of the tests' own.
Engine::TDocument& TestDoc();
inline Engine::TApplication& TestApp() {
    return TestDoc().App;
}
// Names the document (null: the tests' own again).
void UseTestDocument(Engine::TDocument* document);
// Where the document comes from when none is named (the window tests: the main window's, when one is open).
void UseTestDocumentSource(Engine::TDocument* (*source)());
