// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Application.h"
#include "engine/document/EngineHost.h"
#include "engine/document/Types.h"
#include "engine/editing/UndoHistory.h"
#include "engine/files/FileSource.h"
#include "engine/files/FileStamp.h"
#include "engine/recovery/RecoveryJournal.h"
#include "engine/store/PieceStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Engine {

// The designed page of the panes, until the settings give another.
inline constexpr int32_t DefaultCols = 19;
inline constexpr int32_t DefaultRows = 20;

// The page of the file the panes show, and the cursor on it. Addresses are 1-based; 0 means "none".
struct TViewState {
    int32_t Cols = DefaultCols;
    int32_t Rows = DefaultRows;
    int32_t PageBytes = DefaultCols * DefaultRows;
    TAddress TopAddress = 1;
    TAddress BottomAddress = 0;
    int32_t CursorCol = 0;
    int32_t CursorRow = 0;
    // The first hex digit typed in the hex pane, waiting for its second (-1: none).
    int PendingDigit = -1;
    // A drag of the mouse across a pane: where it began, and whether it marks a block yet.
    bool Dragging = false;
    TAddress DragFrom = 0;
    bool DragMarked = false;
};

// The marked block and which of its ends the cursor drags.
struct TBlockState {
    TAddress BlockBegin = 0;
    TAddress BlockEnd = 0;
    int8_t MarkAnchor = 0;
};

// What jumps, searches and replacements in this file remember.
struct TSearchState {
    TAddress RememberedAddress = 1;
    TCount JumpWidth = 0;
    TAddress LastFoundAddress = 0;
    TAddress LastReplaceAddress = 0;
    std::vector<uint8_t> ReplacedBytes;
    bool ReplaceUndoEnabled = false; // mirrors the enabled state of Replaceundo1
    // A replacement by nothing left the next hit at the cursor: the next search starts there, once.
    bool EmptyReplacementPending = false;
};

// Which file this is and how it stands on disk.
struct TFileIdentity {
    std::string FileName;
    bool Untitled = false;
    // The file is only viewed: opened so, or not writable. Nothing may change its bytes, and Save is off.
    bool ReadOnly = false;
    int64_t FileTime = 0; // modification time of the loaded file, nanoseconds since the epoch; 0 = unknown
    // The file on disk as it was loaded or last saved (Exists false: nothing on disk to compare with), and
    // the state of it the user was last told about, so that each change is asked about once.
    FileAccess::TFileStamp DiskStamp;
    std::optional<FileAccess::TFileStamp> DiskStampTold;
    // The file the store's pieces read (null for an untitled file), and the contents as last loaded or
    // saved, whose changed ranges a save in place writes.
    std::shared_ptr<FileAccess::TFileSource> Source;
    TStoreSnapshot Saved;
    // The user was told that bytes of the file can no longer be read.
    bool UnreadableTold = false;
};

// One open file: its bytes, where they came from, how the user looks at them and what can be undone.
// Nothing of one document is shared with another.
class TDocument {
  public:
    explicit TDocument(TApplication& app) : App(app) {}
    TDocument(const TDocument&) = delete;
    TDocument& operator=(const TDocument&) = delete;

    // The program this document belongs to, and how it is shown (the empty view until a window shows it).
    TApplication& App;
    TDocumentView* Display = &NoView;
    // Shows the document in view, or (null) in no view at all.
    void ShowIn(TDocumentView* view) { Display = view ? view : &NoView; }

    TPieceStore Store;
    TFileIdentity File;
    bool FileOpen = false;
    bool Modified = false;
    TViewState View;
    TBlockState Block;
    TSearchState Search;
    TUndo Undo;
    TRecovery Recovery{*this};

  private:
    TEmptyView NoView;
};

} // namespace Engine
