// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Document.h"
#include "engine/document/EngineHost.h"
#include "engine/document/Types.h"

#include <cstdint>
#include <string>

// What the engine keeps besides the documents: the options and modes the settings file keeps, for every
// document alike. ResetEngineState (EngineReset) puts every one back.
namespace Engine {

inline constexpr int32_t ReadChunk = 131072;

// The document the engine's functions work on: the main window's, or a test's. A document of the
// engine's own stands in while nobody has given one.
extern TDocument* ActiveDocument;
inline TDocument& Doc() {
    return *ActiveDocument;
}
// Makes document the one the engine works on (null: the engine's own); returns the one before.
TDocument* SetActiveDocument(TDocument* document);

// Input modes of the panes and options kept in the settings file.
extern bool TextMode;
extern bool OverwriteMode;
extern int32_t AddressBase; // 0 or 1: the address the user sees for the first byte
extern bool OldFileTime;    // "Save file with old date/time"
extern bool NewEOF;         // "Create new file with EOF char"
extern bool BackupOnSave;   // "Keep the previous version as NAME.bak when saving"

// Names for new files, and the folder the file dialogs start in.
extern int32_t NoNameCounter;
extern std::string LastDir;
// The user's folder for what must survive the program (the window names it at start-up; empty: none).
extern std::string RecoveryFolder;

} // namespace Engine
