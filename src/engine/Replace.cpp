#include "engine/Replace.h"

#include "engine/Blocks.h"
#include "engine/ByteStore.h"
#include "engine/Editing.h"
#include "engine/HostScopes.h"
#include "engine/Search.h"
#include "engine/SearchRequest.h"
#include "engine/StringTable.h"
#include "engine/SystemMemory.h"
#include "engine/TextFormat.h"
#include "engine/Undo.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Engine {

namespace {

int32_t PatternLength() {
    return static_cast<int32_t>(SearchRequest.Pattern.size());
}
int32_t ReplacementLength() {
    return static_cast<int32_t>(SearchRequest.Replacement.size());
}

void PutReplacement(int32_t address) {
    if (!SearchRequest.Replacement.empty())
        std::memcpy(FileBuffer + address - 1, SearchRequest.Replacement.data(),
                    SearchRequest.Replacement.size());
}

} // namespace

bool CopyWithin(int32_t from, int32_t to, int32_t dest) {
    if (from < 1 || to > FileSize || dest < 1 || dest > FileSize || to < from ||
        static_cast<int64_t>(to) + dest - from > FileSize)
        return false;
    // Ascending, as a byte-by-byte copy would go; every caller moves bytes down.
    std::memmove(FileBuffer + dest - 1, FileBuffer + from - 1, static_cast<size_t>(to - from + 1));
    return true;
}

void SaveReplaced(int32_t address) {
    ReplacedBytes.assign(FileBuffer + address - 1, FileBuffer + address - 1 + PatternLength());
}

bool WriteReplacement(int32_t address) {
    if (static_cast<int64_t>(address) + ReplacementLength() - 1 > FileSize) return false;
    PutReplacement(address);
    return true;
}

TReplaceResult ReplaceStep(int32_t& pos, bool adjust) {
    TReplaceResult result;
    const int32_t p = PatternLength();
    const int32_t r = ReplacementLength();
    if (static_cast<int64_t>(pos) + p - 1 > FileSize) return result;
    TFindResult found = FindForward(pos, adjust);
    result.Found = found.Found;
    result.Cancelled = found.Cancelled;
    if (!found.Found || found.Cancelled) return result;

    Host->SetProgressText(Texts::ReplacingLabel, 1);
    Host->EnableCancel(false);
    // Kept aside until the size change succeeded, so that an undo only ever restores its own hit.
    std::vector<uint8_t> saved(FileBuffer + pos - 1, FileBuffer + pos - 1 + p);
    if (r > p) {
        if (!OpenGap(pos, r - p)) {
            Host->ShowError(Texts::CantAllocate);
            return result;
        }
    } else if (r < p) {
        CloseGap(pos, p - r); // a refused shrink of the allocation leaves the bytes right
    }
    WriteReplacement(pos);
    RecordChange(pos, saved, r);
    ReplacedBytes = std::move(saved);
    LastFoundAddress = pos;
    LastReplaceAddress = pos;
    EmptyReplacementPending = (r == 0);
    Modified = true;
    result.Replaced = true;
    if (r > 0) pos += r - 1;
    return result;
}

void ReplaceStepCommand(TReplaceSender sender, int32_t pos, bool moveCursor) {
    const bool patch = sender == TReplaceSender::Patch;
    TUndoStep step(patch ? TStepName::Patch : TStepName::Replace);
    TReplaceResult result;
    {
        TProgressScope progress(Texts::ReplacingCaption, Texts::Searching);
        TBusyScope busy("");
        // The patch looks from the very start: a remembered hit must not make it skip a sequence there.
        result = ReplaceStep(pos, !patch);
    }
    if (result.Cancelled) return;
    if (!result.Found) {
        Host->ShowInfo(patch ? Texts::NotBpExecutable : Texts::StringNotFound);
        return;
    }
    if (!result.Replaced) return;
    if (PatternLength() != ReplacementLength()) DropBlockIfAffected(LastReplaceAddress);
    EnableReplaceUndo(true);
    if (moveCursor) {
        ShowAddress(pos, true, true);
    } else {
        RefillPanes(0, 0);
        Host->UpdateStatus();
    }
    if (patch) Host->ShowInfo(Texts::FileSuccessfullyPatched);
}

namespace {

void NoteReplacement(TReplaceAllResult& result, int32_t at) {
    LastReplaceAddress = at;
    LastFoundAddress = at;
    if (result.First == 0) result.First = at;
    ++result.Count;
}

void SameLengthPass(int32_t start, TReplaceAllResult& result) {
    Host->SetProgressText(Texts::SearchingAndReplacing, 1);
    int32_t pos = start;
    TPositionProgress progress(true, start);
    for (;;) {
        TFindResult found = FindForward(pos, false);
        if (found.Cancelled || (found.Found && progress.Passed(pos))) result.Cancelled = true;
        if (!found.Found || result.Cancelled) break;
        RecordPiece(pos, FileBuffer + pos - 1);
        SaveReplaced(pos);
        PutReplacement(pos);
        NoteReplacement(result, pos);
        pos += PatternLength();
    }
}

// Moves the unchanged bytes from src up to the hit down to dst, then writes the replacement after them.
// shift: how far the pass moved the original bytes up before it began.
void SweepHit(int32_t hit, int32_t shift, int32_t& src, int32_t& dst, TReplaceAllResult& result) {
    if (hit > src) {
        CopyWithin(src, hit - 1, dst);
        dst += hit - src;
    }
    RecordPiece(hit - shift, FileBuffer + hit - 1);
    SaveReplaced(hit);
    PutReplacement(dst);
    NoteReplacement(result, dst);
    dst += ReplacementLength();
    src = hit + PatternLength();
}

void FinishSweep(int32_t src, int32_t dst) {
    if (dst != src) {
        if (src <= FileSize) CopyWithin(src, FileSize, dst);
        FileSize -= src - dst;
    }
    if (FileSize == 0) ClearFile();
}

void ShrinkingPass(int32_t start, TReplaceAllResult& result) {
    Host->SetProgressText(Texts::SearchingAndReplacing, 1);
    int32_t src = start, dst = start, pos = start;
    TPositionProgress progress(true, start);
    for (;;) {
        TFindResult found = FindForward(pos, false);
        if (found.Cancelled || (found.Found && progress.Passed(pos))) result.Cancelled = true;
        if (!found.Found || result.Cancelled) break;
        SweepHit(pos, 0, src, dst, result);
        pos = src;
    }
    FinishSweep(src, dst);
}

void GrowingPass(int32_t start, TReplaceAllResult& result) {
    Host->SetProgressText(Texts::Step1Counting, 1);
    TCountResult counted = CountMatches(true, start);
    if (!counted.Completed) {
        result.Cancelled = true;
        return;
    }
    int64_t n = counted.Count;
    if (n == 0) return;
    const int64_t growth = ReplacementLength() - PatternLength();
    // What can still be had: free memory plus the unused capacity, and never past the largest file.
    int64_t room = std::max<int64_t>(0, AvailableMemory()) + Capacity - FileSize;
    room = std::min<int64_t>(room, static_cast<int64_t>(MaxFileSize) - FileSize);
    if (growth * n > room) {
        int64_t possible = room / growth;
        // A refusal or a No ends the command like a Cancel: the error box or the answer says it all.
        if (possible <= 0) {
            Host->ShowError(Texts::CantAllocate);
            result.Cancelled = true;
            return;
        }
        if (Host->AskYesNo(FormatText(Texts::MemorySufficientFor, {n, possible})) != mrYes) {
            result.Cancelled = true;
            return;
        }
        n = possible;
    }
    const int32_t gap = static_cast<int32_t>(growth * n);
    if (!EnsureRoom(gap)) {
        Host->ShowError(Texts::CantAllocate);
        result.Cancelled = true;
        return;
    }
    Host->SetProgressText(Texts::Step2Replacing, 1);
    Host->EnableCancel(false);
    OpenGap(start, gap);
    int32_t dst = start, src = start + gap, pos = start + gap;
    TPositionProgress progress(true, pos, false);
    while (result.Count < n) {
        TFindResult found = FindForward(pos, false, false);
        if (!found.Found) break;
        progress.Passed(pos);
        SweepHit(pos, gap, src, dst, result);
        pos = src;
    }
    FinishSweep(src, dst);
}

// The old bytes of every hit and its address are kept for undo. Only where they could pass the journal's
// budget are the hits counted first, to ask whether to go on without undo.
bool UndoableReplaceAll(int32_t start, TReplaceAllResult& result) {
    const int64_t perHit = PatternLength() + static_cast<int64_t>(sizeof(int32_t));
    const int64_t mostHits = (static_cast<int64_t>(FileSize) - start + 1) / PatternLength();
    if (mostHits * perHit <= Journal.Budget) return true;
    Host->SetProgressText(Texts::Step1Counting, 1);
    const TCountResult counted = CountMatches(true, start);
    if (!counted.Completed || !ConfirmUndoable(counted.Count * perHit)) {
        result.Cancelled = true;
        return false;
    }
    return true;
}

} // namespace

TReplaceAllResult ReplaceAll() {
    TReplaceAllResult result;
    const int32_t p = PatternLength();
    const int32_t r = ReplacementLength();
    int32_t start = CurrentAddress();
    if (r > 0 && LastReplaceAddress != 0 && LastReplaceAddress + r - 1 == start) ++start;
    if (p == 0) return result;
    TUndoStep step(TStepName::ReplaceAll);
    if (!UndoableReplaceAll(start, result)) return result;
    RecordPiecesBegin(p, r);
    if (r == p)
        SameLengthPass(start, result);
    else if (r > p)
        GrowingPass(start, result);
    else
        ShrinkingPass(start, result);
    RecordPiecesEnd();
    if (result.Count > 0) {
        Modified = true;
        if (r != p) DropBlockIfAffected(result.First);
        ShowAddress(r > 0 ? LastFoundAddress + r - 1 : LastFoundAddress, true, true);
    }
    return result;
}

void ReplaceAllCommand() {
    TReplaceAllResult result;
    {
        TProgressScope progress(Texts::ReplacingCaption, Texts::Searching);
        TBusyScope busy("");
        result = ReplaceAll();
    }
    if (result.Cancelled) return;
    Host->ShowInfo(FormatText(Texts::OccurencesReplaced, {result.Count}));
}

void ReplaceUndo() {
    const int32_t at = LastReplaceAddress;
    if (at == 0) return;
    TUndoStep step(TStepName::ReplaceUndo);
    ShowAddress(at, false, true);
    const std::vector<uint8_t>& replacement = SearchRequest.Replacement;
    const int32_t r = static_cast<int32_t>(replacement.size());
    const int32_t saved = static_cast<int32_t>(ReplacedBytes.size());
    if (r > 0) {
        // Only the replacement itself is restored, and only while it still stands where it was made.
        if (static_cast<int64_t>(at) + r - 1 > FileSize ||
            std::memcmp(FileBuffer + at - 1, replacement.data(), replacement.size()) != 0) {
            Host->ShowInfo(Texts::StringNotFound);
            return;
        }
        if (saved > r) {
            if (!OpenGap(at, saved - r)) {
                Host->ShowError(Texts::CantAllocate);
                return;
            }
        } else if (saved < r) {
            CloseGap(at, r - saved);
        }
        std::memcpy(FileBuffer + at - 1, ReplacedBytes.data(), ReplacedBytes.size());
        RecordChange(at, replacement, saved);
        LastFoundAddress = at;
        LastReplaceAddress = at + saved - 1;
    } else {
        // The hit was deleted: its bytes go back where it stood, wherever the cursor went since.
        if (!InsertBytesAt(at, ReplacedBytes)) return;
    }
    Modified = true;
    if (saved != r) DropBlockIfAffected(at);
    ShowAddress(LastReplaceAddress, true, true);
    LastReplaceAddress = 0;
}

void ReplaceDialogDone(TReplaceDialogResult result) {
    if (result == TReplaceDialogResult::Cancel) {
        SetCommandsEnabled({TCommand::Replaceagaindown1}, false);
        EnableReplaceUndo(false);
        return;
    }
    // New bytes are in the request: the old replacement can no longer be undone.
    EnableReplaceUndo(false);
    if (result == TReplaceDialogResult::All)
        ReplaceAllCommand();
    else
        Replaceagaindown1Click();
    SetCommandsEnabled({TCommand::Replaceagaindown1}, true);
}

void Replaceagaindown1Click() {
    ReplaceStepCommand(TReplaceSender::Command, CurrentAddress(), true);
}

void Replaceundo1Click() {
    {
        TBusyScope busy("");
        ReplaceUndo();
    }
    EnableReplaceUndo(false);
}

void Patch1Click() {
    SearchRequest.Pattern = {0xF7, 0xD0, 0xF7, 0xD2, 0xB9, 0x37};
    SearchRequest.Replacement = {0xF7, 0xD0, 0xF7, 0xD2, 0xB9, 0x7E};
    ReplaceStepCommand(TReplaceSender::Patch, 1, false);
    SetCommandsEnabled({TCommand::Replaceagaindown1}, false);
    EnableReplaceUndo(false);
}

} // namespace Engine
