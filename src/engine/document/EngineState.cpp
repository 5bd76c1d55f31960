// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/EngineState.h"

#include "engine/search/SearchRequest.h"

#include <cstdint>

namespace Engine {

TEngineHost* Host = nullptr;

namespace {
TDocument OwnDocument;
} // namespace

TDocument* ActiveDocument = &OwnDocument;

TDocument* SetActiveDocument(TDocument* document) {
    TDocument* const before = ActiveDocument;
    ActiveDocument = document ? document : &OwnDocument;
    return before;
}

TSearchRequest SearchRequest;

bool TextMode = true;
bool OverwriteMode = true;
int32_t AddressBase = 0;
bool OldFileTime = false;
bool NewEOF = false;
bool BackupOnSave = false;

int32_t NoNameCounter = 0;
std::string LastDir;
std::string RecoveryFolder;

} // namespace Engine
