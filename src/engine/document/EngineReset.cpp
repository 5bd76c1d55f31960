// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/EngineReset.h"

#include "engine/text/CharacterSet.h"
#include "engine/document/EngineState.h"
#include "engine/recovery/Recovery.h"
#include "engine/search/SearchRequest.h"
#include "engine/editing/Undo.h"

namespace Engine {

void ResetEngineState() {
    Store = TByteStore();
    Modified = false;
    ReadOnly = false;
    FileOpen = false;
    BlockBegin = 0;
    BlockEnd = 0;
    MarkAnchor = 0;
    Cols = DefaultCols;
    Rows = DefaultRows;
    PageBytes = Cols * Rows;
    TopAddress = 1;
    BottomAddress = 0;
    CursorCol = 0;
    CursorRow = 0;
    RememberedAddress = 1;
    JumpWidth = 0;
    LastFoundAddress = 0;
    LastReplaceAddress = 0;
    ReplacedBytes.clear();
    ReplaceUndoEnabled = false;
    EmptyReplacementPending = false;
    SearchRequest = TSearchRequest();
    ResetUndo();
    PendingDigit = -1;
    TextMode = true;
    OverwriteMode = true;
    AddressBase = 0;
    OldFileTime = false;
    NewEOF = false;
    BackupOnSave = false;
    CharacterSet = TCharacterSet::Default;
    OemFont = false;
    FileName.clear();
    Untitled = false;
    NoNameCounter = 0;
    LastDir.clear();
    FileTime = 0;
    DiskStamp = {};
    DiskStampTold.reset();
    RecoveryFolder.clear();
    ResetRecovery();
    Recovery.Budget = Undo.Journal.Budget;
}

} // namespace Engine
