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

TCount PatternLength(TDocument& doc) {
    return static_cast<TCount>(doc.App.SearchRequest.Pattern.size());
}
TCount ReplacementLength(TDocument& doc) {
    return static_cast<TCount>(doc.App.SearchRequest.Replacement.size());
}

void PutReplacement(TDocument& doc, TAddress address) {
    if (!doc.App.SearchRequest.Replacement.empty())
        std::ranges::copy(doc.App.SearchRequest.Replacement,
                          doc.Store.StoreRun(address, ReplacementLength(doc)).begin());
}

} // namespace

bool CopyWithin(TDocument& doc, TAddress from, TAddress to, TAddress dest) {
    if (from < 1 || to > doc.Store.FileSize() || dest < 1 || dest > doc.Store.FileSize() || to < from ||
        dest - from > doc.Store.FileSize() - to)
        return false;
    // Ascending, as a byte-by-byte copy would go; every caller moves bytes down.
    uint8_t* const file = doc.Store.ContiguousBytes();
    std::memmove(file + dest - 1, file + from - 1, static_cast<size_t>(to - from + 1));
    return true;
}

bool WriteReplacement(TDocument& doc, TAddress address) {
    if (ReplacementLength(doc) - 1 > doc.Store.FileSize() - address) return false;
    PutReplacement(doc, address);
    return true;
}

TReplaceResult ReplaceStep(TDocument& doc, TAddress& pos, bool adjust) {
    TReplaceResult result;
    const TCount p = PatternLength(doc);
    const TCount r = ReplacementLength(doc);
    if (pos + p - 1 > doc.Store.FileSize()) return result;
    TFindResult found = FindForward(doc, pos, adjust);
    result.Found = found.Found;
    result.Cancelled = found.Cancelled;
    if (!found.Found || found.Cancelled) return result;

    doc.App.Host->SetProgressText(Texts::ReplacingLabel, 1);
    doc.App.Host->EnableCancel(false);
    // Kept aside until the size change succeeded, so that an undo only ever restores its own hit.
    const std::span<const uint8_t> hit = doc.Store.StoreRun(pos, p);
    std::vector<uint8_t> saved(hit.begin(), hit.end());
    if (r > p) {
        if (!doc.Store.OpenGap(pos, r - p)) {
            doc.App.Host->ShowError(Texts::CantAllocate);
            return result;
        }
    } else if (r < p) {
        CloseGap(doc, pos, p - r); // a refused shrink of the allocation leaves the bytes right
    }
    WriteReplacement(doc, pos);
    RecordChange(doc, pos, saved, r);
    doc.Search.ReplacedBytes = std::move(saved);
    doc.Search.LastFoundAddress = pos;
    doc.Search.LastReplaceAddress = pos;
    doc.Search.EmptyReplacementPending = (r == 0);
    doc.Modified = true;
    result.Replaced = true;
    if (r > 0) pos += r - 1;
    return result;
}

void ReplaceStepCommand(TDocument& doc, TReplaceSender sender, TAddress pos, bool moveCursor) {
    const bool patch = sender == TReplaceSender::Patch;
    TUndoStep step(doc, patch ? TStepName::Patch : TStepName::Replace);
    TReplaceResult result;
    {
        TProgressScope progress(*doc.App.Host, Texts::ReplacingCaption, Texts::Searching);
        TBusyScope busy(*doc.App.Host, "");
        // The patch looks from the very start: a remembered hit must not make it skip a sequence there.
        result = ReplaceStep(doc, pos, !patch);
    }
    if (result.Cancelled) return;
    if (!result.Found) {
        doc.App.Host->ShowInfo(patch ? Texts::NotBpExecutable : Texts::StringNotFound);
        return;
    }
    if (!result.Replaced) return;
    if (PatternLength(doc) != ReplacementLength(doc)) DropBlockIfAffected(doc, doc.Search.LastReplaceAddress);
    EnableReplaceUndo(doc, true);
    if (moveCursor) {
        ShowAddress(doc, pos, true, true);
    } else {
        RefillPanes(doc, 0, 0);
        doc.Display->UpdateStatus();
    }
    if (patch) doc.App.Host->ShowInfo(Texts::FileSuccessfullyPatched);
}

namespace {

// Every hit Replace all replaces passes here once, before its old bytes are overwritten: original is where it
// stood in the file before the command, oldBytes its bytes as they were (both kept for undo), at where its
// replacement stands afterwards. The same-length and shrinking passes hand the hits over in ascending order,
// the growing pass in descending order (ascending when it had more hits than it lists).
void PassReplacedHit(TDocument& doc, TReplaceAllResult& result, TAddress original, const uint8_t* oldBytes, TAddress at) {
    RecordPiece(doc, original, oldBytes);
    if (result.Count == 0 || at >= doc.Search.LastReplaceAddress) {
        doc.Search.ReplacedBytes.assign(oldBytes, oldBytes + PatternLength(doc));
        doc.Search.LastReplaceAddress = at;
        doc.Search.LastFoundAddress = at;
    }
    if (result.First == 0 || at < result.First) result.First = at;
    ++result.Count;
}

void SameLengthPass(TDocument& doc, TAddress start, TReplaceAllResult& result) {
    doc.App.Host->SetProgressText(Texts::SearchingAndReplacing, 1);
    if (!PrepareSearch(doc)) return;
    uint8_t* const file = doc.Store.ContiguousBytes();
    result.Cancelled =
        doc.App.QSearch.EachDown(file, doc.Store.FileSize(), start, ScanProgressHook(doc, true), [&](TAddress hit) {
            PassReplacedHit(doc, result, hit, file + hit - 1, hit);
            PutReplacement(doc, hit);
            return true;
        });
}

// Replaces each hit the search finds from the sweep's front on; a hit stood shift bytes further down before
// the command.
void SweepHits(TDocument& doc, TByteStore::TSweep& sweep, TAddress from, TCount shift, int64_t most,
               TReplaceAllResult& result, bool progress) {
    const std::span<const uint8_t> replacement = doc.App.SearchRequest.Replacement;
    const bool cancelled = doc.App.QSearch.EachDown(
        doc.Store.ContiguousBytes(), doc.Store.FileSize(), from, ScanProgressHook(doc, true, progress),
        [&](TAddress hit) {
            sweep.Piece(hit, PatternLength(doc), replacement, [&](const uint8_t* old, TAddress to) {
                PassReplacedHit(doc, result, hit - shift, old, to);
            });
            return result.Count < most;
        });
    if (progress) result.Cancelled = cancelled;
    sweep.Finish();
    if (doc.Store.FileSize() == 0) ClearFile(doc);
}

void ShrinkingPass(TDocument& doc, TAddress start, TReplaceAllResult& result) {
    doc.App.Host->SetProgressText(Texts::SearchingAndReplacing, 1);
    if (!PrepareSearch(doc)) return;
    TByteStore::TSweep sweep(doc.Store, start);
    SweepHits(doc, sweep, start, 0, INT64_MAX, result, true);
}

// With the first n hits known: from the last one down, the bytes after each hit move once to where they end
// up and its replacement goes in front of them.
void WriteFromEnd(TDocument& doc, const std::vector<TAddress>& hits, int64_t n, TReplaceAllResult& result) {
    const int64_t stride = ProgressStride(n);
    TPieces pieces;
    pieces.Count = n;
    pieces.OldLength = PatternLength(doc);
    pieces.NewLength = ReplacementLength(doc);
    pieces.Address = [&](int64_t k) { return hits[static_cast<size_t>(k)]; };
    pieces.Bytes = [&doc](int64_t) { return doc.App.SearchRequest.Replacement.data(); };
    pieces.Before = [&](int64_t k, const uint8_t* old, TAddress at) {
        PassReplacedHit(doc, result, hits[static_cast<size_t>(k)], old, at);
        if (k % stride == 0) doc.App.Host->SetProgress(n - k, n, 5);
    };
    doc.Store.ReplacePieces(pieces); // the room is there
}

// The hits from start, or none when there are more than is worth holding (then only counted).
struct THitList {
    std::vector<TAddress> Hits;
    int64_t Count = 0;
    bool Listed = true;
    bool Cancelled = false;
};

THitList ListHits(TDocument& doc, TAddress start) {
    THitList list;
    if (!PrepareSearch(doc)) return list;
    // At most a quarter of the file's size in addresses.
    const size_t most = std::max<size_t>(size_t{1} << 16, static_cast<size_t>(doc.Store.FileSize()) /
                                                              (4 * sizeof(TAddress)));
    list.Cancelled = doc.App.QSearch.EachDown(doc.Store.ContiguousBytes(), doc.Store.FileSize(), start,
                                      ScanProgressHook(doc, true), [&](TAddress hit) {
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
        const TQSearch::TTally counted = doc.App.QSearch.CountDown(
            doc.Store.ContiguousBytes(), doc.Store.FileSize(), start, ScanProgressHook(doc, true));
        list.Count = counted.Count;
        list.Cancelled = counted.Cancelled;
    }
    return list;
}

void GrowingPass(TDocument& doc, TAddress start, TReplaceAllResult& result) {
    doc.App.Host->SetProgressText(Texts::Step1Counting, 1);
    const THitList list = ListHits(doc, start);
    if (list.Cancelled) {
        result.Cancelled = true;
        return;
    }
    int64_t n = list.Count;
    if (n == 0) return;
    const int64_t growth = ReplacementLength(doc) - PatternLength(doc);
    // What can still be had: free memory plus the unused capacity, and never past the largest file.
    // The margin the buffer's growth must leave (see MemoryFits) is not for the replacements.
    int64_t room = MemoryBeyondMargin() + doc.Store.Capacity() - doc.Store.FileSize();
    room = std::min<int64_t>(room, static_cast<int64_t>(MaxFileSize) - doc.Store.FileSize());
    if (growth * n > room) {
        int64_t possible = room / growth;
        // A refusal or a No ends the command like a Cancel: the error box or the answer says it all.
        if (possible <= 0) {
            doc.App.Host->ShowError(Texts::CantAllocate);
            result.Cancelled = true;
            return;
        }
        if (doc.App.Host->AskYesNo(FormatText(Texts::MemorySufficientFor, {n, possible})) != mrYes) {
            result.Cancelled = true;
            return;
        }
        n = possible;
    }
    const TCount gap = growth * n;
    if (!doc.Store.EnsureRoom(gap)) {
        doc.App.Host->ShowError(Texts::CantAllocate);
        result.Cancelled = true;
        return;
    }
    doc.App.Host->SetProgressText(Texts::Step2Replacing, 1);
    doc.App.Host->EnableCancel(false);
    if (list.Listed) {
        WriteFromEnd(doc, list.Hits, n, result);
        return;
    }
    // Too many hits to list: open the whole room in front, then sweep the bytes down hit by hit.
    doc.Store.OpenGap(start, gap);
    TByteStore::TSweep sweep(doc.Store, start, gap);
    SweepHits(doc, sweep, start + gap, gap, n, result, false);
}

// The old bytes of every hit and its address are kept for undo. Only where they could pass the journal's
// budget are the hits counted first, to ask whether to go on without undo.
bool UndoableReplaceAll(TDocument& doc, TAddress start, TReplaceAllResult& result) {
    const int64_t perHit = PatternLength(doc) + static_cast<int64_t>(sizeof(TAddress));
    const int64_t mostHits = (doc.Store.FileSize() - start + 1) / PatternLength(doc);
    if (mostHits * perHit <= doc.Undo.Journal.Budget) return true;
    doc.App.Host->SetProgressText(Texts::Step1Counting, 1);
    const TCountResult counted = CountMatches(doc, true, start);
    if (!counted.Completed || !ConfirmUndoable(doc, counted.Count * perHit)) {
        result.Cancelled = true;
        return false;
    }
    return true;
}

} // namespace

TReplaceAllResult ReplaceAll(TDocument& doc) {
    TReplaceAllResult result;
    const TCount p = PatternLength(doc);
    const TCount r = ReplacementLength(doc);
    TAddress start = CurrentAddress(doc);
    if (r > 0 && doc.Search.LastReplaceAddress != 0 && doc.Search.LastReplaceAddress + r - 1 == start)
        ++start;
    if (p == 0) return result;
    TUndoStep step(doc, TStepName::ReplaceAll);
    if (!UndoableReplaceAll(doc, start, result)) return result;
    RecordPiecesBegin(doc, p, r);
    if (r == p)
        SameLengthPass(doc, start, result);
    else if (r > p)
        GrowingPass(doc, start, result);
    else
        ShrinkingPass(doc, start, result);
    RecordPiecesEnd(doc);
    if (result.Count > 0) {
        doc.Modified = true;
        if (r != p) DropBlockIfAffected(doc, result.First);
        ShowAddress(doc, r > 0 ? doc.Search.LastFoundAddress + r - 1 : doc.Search.LastFoundAddress, true,
                    true);
    }
    return result;
}

void ReplaceAllCommand(TDocument& doc) {
    TReplaceAllResult result;
    {
        TProgressScope progress(*doc.App.Host, Texts::ReplacingCaption, Texts::Searching);
        TBusyScope busy(*doc.App.Host, "");
        result = ReplaceAll(doc);
    }
    if (result.Cancelled) return;
    doc.App.Host->ShowInfo(FormatText(Texts::OccurencesReplaced, {result.Count}));
}

void ReplaceUndo(TDocument& doc) {
    const TAddress at = doc.Search.LastReplaceAddress;
    if (at == 0) return;
    TUndoStep step(doc, TStepName::ReplaceUndo);
    ShowAddress(doc, at, false, true);
    const std::vector<uint8_t>& replacement = doc.App.SearchRequest.Replacement;
    const auto r = static_cast<TCount>(replacement.size());
    const auto saved = static_cast<TCount>(doc.Search.ReplacedBytes.size());
    if (r > 0) {
        // Only the replacement itself is restored, and only while it still stands where it was made.
        if (at + r - 1 > doc.Store.FileSize() ||
            !std::ranges::equal(doc.Store.StoreRun(at, r), replacement)) {
            doc.App.Host->ShowInfo(Texts::StringNotFound);
            return;
        }
        if (saved > r) {
            if (!doc.Store.OpenGap(at, saved - r)) {
                doc.App.Host->ShowError(Texts::CantAllocate);
                return;
            }
        } else if (saved < r) {
            CloseGap(doc, at, r - saved);
        }
        std::ranges::copy(doc.Search.ReplacedBytes, doc.Store.StoreRun(at, saved).begin());
        RecordChange(doc, at, replacement, saved);
        doc.Search.LastFoundAddress = at;
        doc.Search.LastReplaceAddress = at + saved - 1;
    } else {
        // The hit was deleted: its bytes go back where it stood, wherever the cursor went since.
        if (!InsertBytesAt(doc, at, doc.Search.ReplacedBytes)) return;
    }
    doc.Modified = true;
    if (saved != r) DropBlockIfAffected(doc, at);
    ShowAddress(doc, doc.Search.LastReplaceAddress, true, true);
    doc.Search.LastReplaceAddress = 0;
}

void ReplaceDialogDone(TDocument& doc, TReplaceDialogResult result) {
    if (result == TReplaceDialogResult::Cancel) {
        SetCommandEnabled(doc, TCommand::Replaceagaindown1, false);
        EnableReplaceUndo(doc, false);
        return;
    }
    // New bytes are in the request: the old replacement can no longer be undone.
    EnableReplaceUndo(doc, false);
    if (result == TReplaceDialogResult::All)
        ReplaceAllCommand(doc);
    else
        Replaceagaindown1Click(doc);
    SetCommandEnabled(doc, TCommand::Replaceagaindown1, true);
}

void Replaceagaindown1Click(TDocument& doc) {
    ReplaceStepCommand(doc, TReplaceSender::Command, CurrentAddress(doc), true);
}

void Replaceundo1Click(TDocument& doc) {
    {
        TBusyScope busy(*doc.App.Host, "");
        ReplaceUndo(doc);
    }
    EnableReplaceUndo(doc, false);
}

void Patch1Click(TDocument& doc) {
    doc.App.SearchRequest.Pattern = {0xF7, 0xD0, 0xF7, 0xD2, 0xB9, 0x37};
    doc.App.SearchRequest.Replacement = {0xF7, 0xD0, 0xF7, 0xD2, 0xB9, 0x7E};
    ReplaceStepCommand(doc, TReplaceSender::Patch, 1, false);
    SetCommandEnabled(doc, TCommand::Replaceagaindown1, false);
    EnableReplaceUndo(doc, false);
}

} // namespace Engine
