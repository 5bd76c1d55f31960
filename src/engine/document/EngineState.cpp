// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/EngineState.h"

#include "engine/search/SearchRequest.h"

#include <cstdint>

namespace Engine {

TEngineHost* Host = nullptr;

TByteStore Store;
bool Modified = false;
bool ReadOnly = false;
bool FileOpen = false;

TAddress BlockBegin = 0;
TAddress BlockEnd = 0;
int8_t MarkAnchor = 0;

int32_t Cols = DefaultCols;
int32_t Rows = DefaultRows;
int32_t PageBytes = DefaultCols * DefaultRows;
TAddress TopAddress = 1;
TAddress BottomAddress = 0;
int32_t CursorCol = 0;
int32_t CursorRow = 0;

TAddress RememberedAddress = 1;
TCount JumpWidth = 0;
TAddress LastFoundAddress = 0;
TAddress LastReplaceAddress = 0;
std::vector<uint8_t> ReplacedBytes;
bool ReplaceUndoEnabled = false;
bool EmptyReplacementPending = false;
TSearchRequest SearchRequest;

int PendingDigit = -1;

bool TextMode = true;
bool OverwriteMode = true;
int32_t AddressBase = 0;
bool OldFileTime = false;
bool NewEOF = false;
bool BackupOnSave = false;

std::string FileName;
bool Untitled = false;
int32_t NoNameCounter = 0;
std::string LastDir;
int64_t FileTime = 0;
FileAccess::TFileStamp DiskStamp;
std::optional<FileAccess::TFileStamp> DiskStampTold;
std::string RecoveryFolder;

} // namespace Engine
