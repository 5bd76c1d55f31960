// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/Replace.h"

#include "engine/document/Blocks.h"
#include "engine/store/ByteStore.h"
#include "engine/document/EngineState.h"
#include "engine/document/CommandEnabling.h"
#include "engine/editing/Editing.h"
#include "engine/document/HostScopes.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/store/SystemMemory.h"
#include "engine/text/TextFormat.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Engine {

namespace {

TCount PatternLength() {
    return static_cast<TCount>(SearchRequest.Pattern.size());
}
TCount ReplacementLength() {
    return static_cast<TCount>(SearchRequest.Replacement.size());
}

void PutReplacement(TAddress address) {
    if (!SearchRequest.Replacement.empty())
        std::ranges::copy(SearchRequest.Replacement,
                          Doc().Store.StoreRun(address, ReplacementLength()).begin());
}

} // namespace

bool CopyWithin(TAddress from, TAddress to, TAddress dest) {
    if (from < 1 || to > Doc().Store.FileSize() || dest < 1 || dest > Doc().Store.FileSize() || to < from ||
        dest - from > Doc().Store.FileSize() - to)
        return false;
    // Ascending, as a byte-by-byte copy would go; every caller moves bytes down.
    uint8_t* const file = Doc().Store.ContiguousBytes();
    std::memmove(file + dest - 1, file + from - 1, static_cast<size_t>(to - from + 1));
    return true;
}

bool WriteReplacement(TAddress address) {
    if (ReplacementLength() - 1 > Doc().Store.FileSize() - address) return false;
    PutReplacement(address);
    return true;
}

TReplaceResult ReplaceStep(TAddress& pos, bool adjust) {
    TReplaceResult result;
    const TCount p = PatternLength();
    const TCount r = ReplacementLength();
    if (pos + p - 1 > Doc().Store.FileSize()) return result;
    TFindResult found = FindForward(pos, adjust);
    result.Found = found.Found;
    result.Cancelled = found.Cancelled;
    if (!found.Found || found.Cancelled) return result;

    Host->SetProgressText(Texts::ReplacingLabel, 1);
    Host->EnableCancel(false);
    // Kept aside until the size change succeeded, so that an undo only ever restores its own hit.
    const std::span<const uint8_t> hit = Doc().Store.StoreRun(pos, p);
    std::vector<uint8_t> saved(hit.begin(), hit.end());
    if (r > p) {
        if (!Doc().Store.OpenGap(pos, r - p)) {
            Host->ShowError(Texts::CantAllocate);
            return result;
        }
    } else if (r < p) {
        CloseGap(pos, p - r); // a refused shrink of the allocation leaves the bytes right
    }
    WriteReplacement(pos);
    RecordChange(pos, saved, r);
    Doc().Search.ReplacedBytes = std::move(saved);
    Doc().Search.LastFoundAddress = pos;
    Doc().Search.LastReplaceAddress = pos;
    Doc().Search.EmptyReplacementPending = (r == 0);
    Doc().Modified = true;
    result.Replaced = true;
    if (r > 0) pos += r - 1;
    return result;
}

void ReplaceStepCommand(TReplaceSender sender, TAddress pos, bool moveCursor) {
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
    if (PatternLength() != ReplacementLength()) DropBlockIfAffected(Doc().Search.LastReplaceAddress);
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

// Every hit Replace all replaces passes here once, before its old bytes are overwritten: original is where it
// stood in the file before the command, oldBytes its bytes as they were (both kept for undo), at where its
// replacement stands afterwards. The same-length and shrinking passes hand the hits over in ascending order,
// the growing pass in descending order (ascending when it had more hits than it lists).
void PassReplacedHit(TReplaceAllResult& result, TAddress original, const uint8_t* oldBytes, TAddress at) {
    RecordPiece(original, oldBytes);
    if (result.Count == 0 || at >= Doc().Search.LastReplaceAddress) {
        Doc().Search.ReplacedBytes.assign(oldBytes, oldBytes + PatternLength());
        Doc().Search.LastReplaceAddress = at;
        Doc().Search.LastFoundAddress = at;
    }
    if (result.First == 0 || at < result.First) result.First = at;
    ++result.Count;
}

void SameLengthPass(TAddress start, TReplaceAllResult& result) {
    Host->SetProgressText(Texts::SearchingAndReplacing, 1);
    if (!PrepareSearch()) return;
    uint8_t* const file = Doc().Store.ContiguousBytes();
    result.Cancelled =
        QSearch.EachDown(file, Doc().Store.FileSize(), start, ScanProgressHook(true), [&](TAddress hit) {
            PassReplacedHit(result, hit, file + hit - 1, hit);
            PutReplacement(hit);
            return true;
        });
}

// Replaces each hit the search finds from the sweep's front on; a hit stood shift bytes further down before
// the command.
void SweepHits(TByteStore::TSweep& sweep, TAddress from, TCount shift, int64_t most,
               TReplaceAllResult& result, bool progress) {
    const std::span<const uint8_t> replacement = SearchRequest.Replacement;
    const bool cancelled = QSearch.EachDown(
        Doc().Store.ContiguousBytes(), Doc().Store.FileSize(), from, ScanProgressHook(true, progress),
        [&](TAddress hit) {
            sweep.Piece(hit, PatternLength(), replacement, [&](const uint8_t* old, TAddress to) {
                PassReplacedHit(result, hit - shift, old, to);
            });
            return result.Count < most;
        });
    if (progress) result.Cancelled = cancelled;
    sweep.Finish();
    if (Doc().Store.FileSize() == 0) ClearFile();
}

void ShrinkingPass(TAddress start, TReplaceAllResult& result) {
    Host->SetProgressText(Texts::SearchingAndReplacing, 1);
    if (!PrepareSearch()) return;
    TByteStore::TSweep sweep(Doc().Store, start);
    SweepHits(sweep, start, 0, INT64_MAX, result, true);
}

// With the first n hits known: from the last one down, the bytes after each hit move once to where they end
// up and its replacement goes in front of them.
void WriteFromEnd(const std::vector<TAddress>& hits, int64_t n, TReplaceAllResult& result) {
    const int64_t stride = ProgressStride(n);
    TPieces pieces;
    pieces.Count = n;
    pieces.OldLength = PatternLength();
    pieces.NewLength = ReplacementLength();
    pieces.Address = [&](int64_t k) { return hits[static_cast<size_t>(k)]; };
    pieces.Bytes = [](int64_t) { return SearchRequest.Replacement.data(); };
    pieces.Before = [&](int64_t k, const uint8_t* old, TAddress at) {
        PassReplacedHit(result, hits[static_cast<size_t>(k)], old, at);
        if (k % stride == 0) Host->SetProgress(n - k, n, 5);
    };
    Doc().Store.ReplacePieces(pieces); // the room is there
}

// The hits from start, or none when there are more than is worth holding (then only counted).
struct THitList {
    std::vector<TAddress> Hits;
    int64_t Count = 0;
    bool Listed = true;
    bool Cancelled = false;
};

THitList ListHits(TAddress start) {
    THitList list;
    if (!PrepareSearch()) return list;
    // At most a quarter of the file's size in addresses.
    const size_t most = std::max<size_t>(size_t{1} << 16, static_cast<size_t>(Doc().Store.FileSize()) /
                                                              (4 * sizeof(TAddress)));
    list.Cancelled = QSearch.EachDown(Doc().Store.ContiguousBytes(), Doc().Store.FileSize(), start,
                                      ScanProgressHook(true), [&](TAddress hit) {
                                          if (list.Hits.size() == most) {
                                              list.Listed = false;
                                              return false;
                                          }
                                          list.Hits.push_back(hit);
                                          return true;
                                      });
    list.Count = static_cast<int64_t>(list.Hits.size());
    if (!list.Listed) {
        list.Hits = {};
        const TQSearch::TTally counted = QSearch.CountDown(
            Doc().Store.ContiguousBytes(), Doc().Store.FileSize(), start, ScanProgressHook(true));
        list.Count = counted.Count;
        list.Cancelled = counted.Cancelled;
    }
    return list;
}

void GrowingPass(TAddress start, TReplaceAllResult& result) {
    Host->SetProgressText(Texts::Step1Counting, 1);
    const THitList list = ListHits(start);
    if (list.Cancelled) {
        result.Cancelled = true;
        return;
    }
    int64_t n = list.Count;
    if (n == 0) return;
    const int64_t growth = ReplacementLength() - PatternLength();
    // What can still be had: free memory plus the unused capacity, and never past the largest file.
    // The margin the buffer's growth must leave (see MemoryFits) is not for the replacements.
    int64_t room = MemoryBeyondMargin() + Doc().Store.Capacity() - Doc().Store.FileSize();
    room = std::min<int64_t>(room, static_cast<int64_t>(MaxFileSize) - Doc().Store.FileSize());
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
    const TCount gap = growth * n;
    if (!Doc().Store.EnsureRoom(gap)) {
        Host->ShowError(Texts::CantAllocate);
        result.Cancelled = true;
        return;
    }
    Host->SetProgressText(Texts::Step2Replacing, 1);
    Host->EnableCancel(false);
    if (list.Listed) {
        WriteFromEnd(list.Hits, n, result);
        return;
    }
    // Too many hits to list: open the whole room in front, then sweep the bytes down hit by hit.
    Doc().Store.OpenGap(start, gap);
    TByteStore::TSweep sweep(Doc().Store, start, gap);
    SweepHits(sweep, start + gap, gap, n, result, false);
}

// The old bytes of every hit and its address are kept for undo. Only where they could pass the journal's
// budget are the hits counted first, to ask whether to go on without undo.
bool UndoableReplaceAll(TAddress start, TReplaceAllResult& result) {
    const int64_t perHit = PatternLength() + static_cast<int64_t>(sizeof(TAddress));
    const int64_t mostHits = (Doc().Store.FileSize() - start + 1) / PatternLength();
    if (mostHits * perHit <= Doc().Undo.Journal.Budget) return true;
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
    const TCount p = PatternLength();
    const TCount r = ReplacementLength();
    TAddress start = CurrentAddress();
    if (r > 0 && Doc().Search.LastReplaceAddress != 0 && Doc().Search.LastReplaceAddress + r - 1 == start)
        ++start;
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
        Doc().Modified = true;
        if (r != p) DropBlockIfAffected(result.First);
        ShowAddress(r > 0 ? Doc().Search.LastFoundAddress + r - 1 : Doc().Search.LastFoundAddress, true,
                    true);
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
    const TAddress at = Doc().Search.LastReplaceAddress;
    if (at == 0) return;
    TUndoStep step(TStepName::ReplaceUndo);
    ShowAddress(at, false, true);
    const std::vector<uint8_t>& replacement = SearchRequest.Replacement;
    const auto r = static_cast<TCount>(replacement.size());
    const auto saved = static_cast<TCount>(Doc().Search.ReplacedBytes.size());
    if (r > 0) {
        // Only the replacement itself is restored, and only while it still stands where it was made.
        if (at + r - 1 > Doc().Store.FileSize() ||
            !std::ranges::equal(Doc().Store.StoreRun(at, r), replacement)) {
            Host->ShowInfo(Texts::StringNotFound);
            return;
        }
        if (saved > r) {
            if (!Doc().Store.OpenGap(at, saved - r)) {
                Host->ShowError(Texts::CantAllocate);
                return;
            }
        } else if (saved < r) {
            CloseGap(at, r - saved);
        }
        std::ranges::copy(Doc().Search.ReplacedBytes, Doc().Store.StoreRun(at, saved).begin());
        RecordChange(at, replacement, saved);
        Doc().Search.LastFoundAddress = at;
        Doc().Search.LastReplaceAddress = at + saved - 1;
    } else {
        // The hit was deleted: its bytes go back where it stood, wherever the cursor went since.
        if (!InsertBytesAt(at, Doc().Search.ReplacedBytes)) return;
    }
    Doc().Modified = true;
    if (saved != r) DropBlockIfAffected(at);
    ShowAddress(Doc().Search.LastReplaceAddress, true, true);
    Doc().Search.LastReplaceAddress = 0;
}

void ReplaceDialogDone(TReplaceDialogResult result) {
    if (result == TReplaceDialogResult::Cancel) {
        SetCommandEnabled(TCommand::Replaceagaindown1, false);
        EnableReplaceUndo(false);
        return;
    }
    // New bytes are in the request: the old replacement can no longer be undone.
    EnableReplaceUndo(false);
    if (result == TReplaceDialogResult::All)
        ReplaceAllCommand();
    else
        Replaceagaindown1Click();
    SetCommandEnabled(TCommand::Replaceagaindown1, true);
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
    SetCommandEnabled(TCommand::Replaceagaindown1, false);
    EnableReplaceUndo(false);
}

} // namespace Engine
