// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/UiApplication.h"

namespace {
const Engine::TApplication* Named = nullptr;
Engine::TDocument* Shown = nullptr;
} // namespace

const Engine::TApplication& UiApplication() {
    static const Engine::TApplication defaults;
    return Named ? *Named : defaults;
}

void SetUiApplication(const Engine::TApplication* app) {
    Named = app;
}

Engine::TDocument& UiDocument() {
    if (Shown) return *Shown;
    // A dialog opened without the main window (its tests) checks against an empty document.
    static Engine::TApplication app;
    static Engine::TDocument none(app);
    return none;
}

Engine::TDocument* UiDocumentIfAny() {
    return Shown;
}

void SetUiDocument(Engine::TDocument* document) {
    Shown = document;
}
