// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/store/ByteStore.h"
#include "engine/document/EngineState.h"
#include "engine/document/EngineHost.h"
#include "engine/files/FileStamp.h"
#include "engine/document/Types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The editor state: one instance of each, module-level. Addresses are 1-based; 0 means "none".
// ResetEngineState (EngineReset) puts every one back.
namespace Engine {

inline constexpr int32_t ReadChunk = 131072;

// The designed page of the panes, until the settings give another.
inline constexpr int32_t DefaultCols = 19;
inline constexpr int32_t DefaultRows = 20;

// The open file's bytes.
extern TByteStore Store;
extern bool Modified;
// The file is only viewed: opened so, or not writable. Nothing may change its bytes, and Save is off.
extern bool ReadOnly;
extern bool FileOpen;

extern TAddress BlockBegin;
extern TAddress BlockEnd;
extern int8_t MarkAnchor;

extern int32_t Cols;
extern int32_t Rows;
extern int32_t PageBytes;
extern TAddress TopAddress;
extern TAddress BottomAddress;
extern int32_t CursorCol;
extern int32_t CursorRow;

extern TAddress RememberedAddress;
extern TCount JumpWidth;
extern TAddress LastFoundAddress;
extern TAddress LastReplaceAddress;
extern std::vector<uint8_t> ReplacedBytes;
extern bool ReplaceUndoEnabled; // mirrors the enabled state of Replaceundo1
// A replacement by nothing left the next hit at the cursor: the next search starts there, once.
extern bool EmptyReplacementPending;

// The first hex digit typed in the hex pane, waiting for its second (-1: none).
extern int PendingDigit;

// Input modes of the panes and options kept in the settings file.
extern bool TextMode;
extern bool OverwriteMode;
extern int32_t AddressBase; // 0 or 1: the address the user sees for the first byte
extern bool OldFileTime;    // "Save file with old date/time"
extern bool NewEOF;         // "Create new file with EOF char"
extern bool BackupOnSave;   // "Keep the previous version as NAME.bak when saving"

// File identity.
extern std::string FileName;
extern bool Untitled;
extern int32_t NoNameCounter;
extern std::string LastDir;
extern int64_t FileTime; // modification time of the loaded file, nanoseconds since the epoch; 0 = unknown
// The file on disk as it was loaded or last saved (Exists false: nothing on disk to compare with), and
// the state of it the user was last told about, so that each change is asked about once.
extern FileAccess::TFileStamp DiskStamp;
extern std::optional<FileAccess::TFileStamp> DiskStampTold;
// The user's folder for what must survive the program (the window names it at start-up; empty: none).
extern std::string RecoveryFolder;

} // namespace Engine
