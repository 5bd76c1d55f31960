// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/EngineHost.h"
#include "engine/files/RollbackJournal.h"
#include "engine/search/QSearch.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/CharacterSet.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

// What the program keeps besides its documents, for every document alike: the modes and options the
// settings file keeps, the search the dialogs last asked for, names for new files, and the window that
// shows it all. Documents reach it through their App.
namespace Engine {

struct TApplication {
    // The window; null until the main window (or a test) installs itself.
    TAppHost* Host = nullptr;

    // Input modes of the panes and options kept in the settings file.
    bool TextMode = true;
    bool OverwriteMode = true;
    int32_t AddressBase = 0; // 0 or 1: the address the user sees for the first byte
    bool OldFileTime = false; // "Save file with old date/time"
    bool NewEOF = false;      // "Create new file with EOF char"
    bool BackupOnSave = false; // "Keep the previous version as NAME.bak when saving"
    // The character set the user chose, and whether the text pane's font is the OEM one (which draws the
    // DOS glyphs; the window keeps it with the font).
    TCharacterSet CharacterSet = TCharacterSet::Default;
    bool OemFont = false;

    // Names for new files, and the folder the file dialogs start in.
    int32_t NoNameCounter = 0;
    std::string LastDir;
    // The user's folder for what must survive the program (the window names it at start-up; empty: none).
    std::string RecoveryFolder;
    // The rollback journal of saves in place, made in RecoveryFolder at the first one and kept for the next;
    // SaveFaults: tests only, the faults those saves meet.
    std::shared_ptr<FileAccess::TRollbackJournal> RollbackJournal;
    std::string RollbackFolder;
    FileAccess::TJournalFaults SaveFaults;

    // What the Find, Count and Replace dialogs last asked for, and the search prepared from it.
    TSearchRequest SearchRequest;
    TQSearch QSearch;

    // Recovery journals: a question or a recovery runs (opening a file asks nothing more), and the
    // journals asked about in this run, left where the user kept them.
    bool RecoveryOffering = false;
    std::set<std::string> RecoveryOffered;
    // Writes of the program's own to the file on disk, which the disk watch must not take for a change.
    int DiskWorkDepth = 0;
};

// In the set the text pane draws with (CharacterSet under OemFont), so that a character becomes the byte
// the pane shows as it: the byte a typed or pasted character becomes, and the character a text field
// shows for a byte.
inline TCharacterSet TypingSet(const TApplication& app) {
    return ShownSet(app.CharacterSet, app.OemFont);
}
inline std::optional<uint8_t> TypedByte(const TApplication& app, char32_t character) {
    return EncodeCharacter(TypingSet(app), character);
}
inline char32_t TypedCharacter(const TApplication& app, uint8_t byte) {
    return DecodeByte(TypingSet(app), byte);
}

} // namespace Engine
