// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

class TIniFile;

// The open tabs kept at exit and opened again at the next start: each file with its place in it.
namespace Engine {

class TDocument;

struct TSessionTab {
    std::string Path;
    TAddress Cursor = 1;
    TAddress TopAddress = 1;
    TAddress BlockBegin = 0, BlockEnd = 0;
    friend bool operator==(const TSessionTab&, const TSessionTab&) = default;
};

struct TSession {
    std::vector<TSessionTab> Tabs;
    size_t Active = 0; // index into Tabs
    friend bool operator==(const TSession&, const TSession&) = default;
};

// The tabs that hold a file of a name (untitled ones and empty tabs are left out); active: the shown tab.
TSession SessionOf(std::span<TDocument* const> documents, size_t active);
// The session in its section of the settings file, replacing what was there; false when a write failed.
bool WriteSession(TIniFile& ini, const TSession& session);
// The session the settings file keeps (none: no tabs). Entries that cannot be read are left out.
TSession ReadSession(const TIniFile& ini);
// Puts the cursor, the top row and the block of a freshly opened file where the session left them, as far
// as the file (which may have changed since) still reaches.
void RestorePlace(TDocument& doc, const TSessionTab& tab);

} // namespace Engine
