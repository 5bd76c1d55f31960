// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/EngineReset.h"

#include "engine/document/EngineState.h"
#include "engine/recovery/Recovery.h"
#include "engine/editing/Undo.h"

namespace Engine {

void ResetEngineState(TDocument& doc) {
    doc.Store = TPieceStore();
    doc.File = TFileIdentity();
    doc.FileOpen = false;
    doc.Modified = false;
    doc.View = TViewState();
    doc.Block = TBlockState();
    doc.Search = TSearchState();
    ResetUndo(doc);
    TApplication& app = doc.App;
    TAppHost* const host = app.Host;
    std::set<std::string> offered = std::move(app.RecoveryOffered);
    app.~TApplication();
    new (&app) TApplication();
    app.Host = host;
    app.RecoveryOffered = std::move(offered);
    ResetRecovery(doc);
    doc.Recovery.Budget = doc.Undo.Journal.Budget;
}

} // namespace Engine
