// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestDocument.h"

namespace {
Engine::TDocument* Named = nullptr;
Engine::TDocument* (*Source)() = nullptr;

Engine::TDocument& Own() {
    static Engine::TApplication app;
    static Engine::TDocument document(app);
    return document;
}
} // namespace

Engine::TDocument& TestDoc() {
    if (Named) return *Named;
    if (Source)
        if (Engine::TDocument* document = Source()) return *document;
    return Own();
}

void UseTestDocument(Engine::TDocument* document) {
    Named = document;
}

void UseTestDocumentSource(Engine::TDocument* (*source)()) {
    Source = source;
}
