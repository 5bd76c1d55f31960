// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstdint>

// Replacing hits of SearchRequest.Pattern by SearchRequest.Replacement.
namespace Engine {

struct TReplaceResult {
    bool Found = false;
    bool Replaced = false;
    bool Cancelled = false;
};

// One hit from pos; pos ends on the last byte written (on the hit for an empty replacement).
TReplaceResult ReplaceStep(TAddress& pos, bool adjust);
enum class TReplaceSender { Command, Patch };
void ReplaceStepCommand(TReplaceSender sender, TAddress pos, bool moveCursor);

struct TReplaceAllResult {
    TAddress First = 0;
    TCount Count = 0;
    bool Cancelled = false;
};
TReplaceAllResult ReplaceAll();
void ReplaceUndo();

bool CopyWithin(TAddress from, TAddress to, TAddress dest);
bool WriteReplacement(TAddress address);

enum class TReplaceDialogResult { Cancel, Ok, All };
void ReplaceDialogDone(TReplaceDialogResult result);
void Replaceagaindown1Click();
void ReplaceAllCommand();
void Replaceundo1Click();
void Patch1Click();

} // namespace Engine
