// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstdint>

// Replacing hits of SearchRequest.Pattern by SearchRequest.Replacement.
namespace Engine {

class TDocument;

struct TReplaceResult {
    bool Found = false;
    bool Replaced = false;
    bool Cancelled = false;
};

// One hit from pos; pos ends on the last byte written (on the hit for an empty replacement).
TReplaceResult ReplaceStep(TDocument& doc, TAddress& pos, bool adjust);
enum class TReplaceSender { Command, Patch };
void ReplaceStepCommand(TDocument& doc, TReplaceSender sender, TAddress pos, bool moveCursor);

struct TReplaceAllResult {
    TAddress First = 0;
    TCount Count = 0;
    bool Cancelled = false;
};
TReplaceAllResult ReplaceAll(TDocument& doc);
// What each hit Replace all replaces costs the store in memory: its pieces (the replacement's bytes are
// held once).
inline constexpr int64_t ReplacedHitCost = 256;
void ReplaceUndo(TDocument& doc);

enum class TReplaceDialogResult { Cancel, Ok, All };
void ReplaceDialogDone(TDocument& doc, TReplaceDialogResult result);
void Replaceagaindown1Click(TDocument& doc);
void ReplaceAllCommand(TDocument& doc);
void Replaceundo1Click(TDocument& doc);
void Patch1Click(TDocument& doc);

} // namespace Engine
