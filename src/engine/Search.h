#pragma once

#include "engine/QSearch.h"

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
TFindResult FindForward(int32_t& pos, bool adjust, bool honourCancel = true);
TFindResult FindBackward(int32_t& pos);

// Progress and Cancel by position for a scan that goes from hit to hit: the scan reports only inside
// stretches without a hit, so on dense hits the gauge would never move nor Cancel be looked at.
class TPositionProgress {
  public:
    TPositionProgress(bool down, int32_t start, bool honourCancel = true);
    // After a hit at position; true when the user cancelled.
    bool Passed(int32_t position);

  private:
    bool Down;
    bool HonourCancel;
    int64_t Stride;
    int64_t Next; // the position at which the next report is due
};

struct TCountResult {
    int32_t Count = 0;
    bool Completed = true;
};
TCountResult CountMatches(bool down, int32_t start);

// The Search menu; the dialogs' answers come from the window.
void FindDialogDone(bool ok);
void Findagaindown1Click();
void Findagainup1Click();
void CountDialogDone();

} // namespace Engine
