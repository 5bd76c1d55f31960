// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/search/QSearch.h"

#include <cstdint>

// Finding and counting SearchRequest.Pattern in the file.
namespace Engine {

class TDocument;

struct TFindResult {
    bool Found = false;
    bool Cancelled = false;
};

// On a hit pos becomes its address and LastFoundAddress is set. adjust: step away from the hit or the
// replacement the cursor stands on. honourCancel false: the scan cannot be cancelled.
TFindResult FindForward(TDocument& doc, TAddress& pos, bool adjust, bool honourCancel = true);
TFindResult FindBackward(TDocument& doc, TAddress& pos);

// The hook of a long scan: shows how far it got and, when honourCancel, returns true once the user cancelled.
TProgressHook ScanProgressHook(TDocument& doc, bool down, bool honourCancel = true);
// Prepares QSearch for SearchRequest; false for an empty pattern.
bool PrepareSearch(TDocument& doc);

struct TCountResult {
    TCount Count = 0;
    bool Completed = true;
};
// Hits without overlaps from start, as Find again would step from one to the next.
TCountResult CountMatches(TDocument& doc, bool down, TAddress start);

// The Search menu; the dialogs' answers come from the window.
void FindDialogDone(TDocument& doc, bool ok);
void Findagaindown1Click(TDocument& doc);
void Findagainup1Click(TDocument& doc);
void CountDialogDone(TDocument& doc);

} // namespace Engine
