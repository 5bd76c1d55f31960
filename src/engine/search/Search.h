// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/search/QSearch.h"

#include <cstdint>

// Finding and counting SearchRequest.Pattern in the file.
namespace Engine {

extern TQSearch QSearch;

struct TFindResult {
    bool Found = false;
    bool Cancelled = false;
};

// On a hit pos becomes its address and LastFoundAddress is set. adjust: step away from the hit or the
// replacement the cursor stands on. honourCancel false: the scan cannot be cancelled.
TFindResult FindForward(TAddress& pos, bool adjust, bool honourCancel = true);
TFindResult FindBackward(TAddress& pos);

// The hook of a long scan: shows how far it got and, when honourCancel, returns true once the user cancelled.
TProgressHook ScanProgressHook(bool down, bool honourCancel = true);
// Prepares QSearch for SearchRequest; false for an empty pattern.
bool PrepareSearch();

struct TCountResult {
    TCount Count = 0;
    bool Completed = true;
};
// Hits without overlaps from start, as Find again would step from one to the next.
TCountResult CountMatches(bool down, TAddress start);

// The Search menu; the dialogs' answers come from the window.
void FindDialogDone(bool ok);
void Findagaindown1Click();
void Findagainup1Click();
void CountDialogDone();

} // namespace Engine
