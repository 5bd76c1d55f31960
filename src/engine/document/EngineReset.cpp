// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/EngineReset.h"

#include "engine/text/CharacterSet.h"
#include "engine/document/EngineState.h"
#include "engine/recovery/Recovery.h"
#include "engine/search/SearchRequest.h"
#include "engine/editing/Undo.h"

namespace Engine {

void ResetEngineState() {
    TDocument& doc = Doc();
    doc.Store = TByteStore();
    doc.File = TFileIdentity();
    doc.FileOpen = false;
    doc.Modified = false;
    doc.View = TViewState();
    doc.Block = TBlockState();
    doc.Search = TSearchState();
    SearchRequest = TSearchRequest();
    ResetUndo();
    TextMode = true;
    OverwriteMode = true;
    AddressBase = 0;
    OldFileTime = false;
    NewEOF = false;
    BackupOnSave = false;
    CharacterSet = TCharacterSet::Default;
    OemFont = false;
    NoNameCounter = 0;
    LastDir.clear();
    RecoveryFolder.clear();
    ResetRecovery();
    doc.Recovery.Budget = doc.Undo.Journal.Budget;
}

} // namespace Engine
