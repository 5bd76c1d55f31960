#pragma once

#include <cstdint>

// Replacing hits of SearchRequest.Pattern by SearchRequest.Replacement.
namespace Engine {

struct TReplaceResult {
    bool Found = false;
    bool Replaced = false;
    bool Cancelled = false;
};

// One hit from pos; pos ends on the last byte written (on the hit for an empty replacement).
TReplaceResult ReplaceStep(int32_t& pos, bool adjust);
enum class TReplaceSender { Command, Patch };
void ReplaceStepCommand(TReplaceSender sender, int32_t pos, bool moveCursor);

struct TReplaceAllResult {
    int32_t First = 0;
    int32_t Count = 0;
    bool Cancelled = false;
};
TReplaceAllResult ReplaceAll();
void ReplaceUndo();

bool CopyWithin(int32_t from, int32_t to, int32_t dest);
bool WriteReplacement(int32_t address);

enum class TReplaceDialogResult { Cancel, Ok, All };
void ReplaceDialogDone(TReplaceDialogResult result);
void Replaceagaindown1Click();
void ReplaceAllCommand();
void Replaceundo1Click();
void Patch1Click();

} // namespace Engine
