// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/Replace.h"

#include "engine/document/Blocks.h"
#include "engine/document/EngineState.h"
#include "engine/document/CommandEnabling.h"
#include "engine/editing/Editing.h"
#include "engine/document/HostScopes.h"
#include "engine/files/DiskWatch.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"
#include "engine/search/StoreScan.h"
#include "engine/text/StringTable.h"
#include "engine/store/SystemMemory.h"
#include "engine/text/TextFormat.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace Engine {

namespace {

TCount PatternLength(TDocument& doc) {
    return static_cast<TCount>(doc.App.SearchRequest.Pattern.size());
}
TCount ReplacementLength(TDocument& doc) {
    return static_cast<TCount>(doc.App.SearchRequest.Replacement.size());
}

} // namespace

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
    std::vector<uint8_t> saved;
    if (!ReadStore(doc, pos, p, saved)) return result;
    doc.Store.RemoveBytes(pos, p);
    doc.Store.Insert(pos, doc.App.SearchRequest.Replacement);
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

// Every hit Replace all replaces passes here once, in ascending order, before its old bytes are replaced:
// original is where it stood in the file before the command, oldBytes its bytes as they were (both kept for
// undo), at where its replacement stands afterwards.
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

// The hits from start on, their old bytes, and the pieces that put the replacement in their place: one
// pass of the search, then the new contents built at once.
void ReplaceHits(TDocument& doc, TAddress start, TReplaceAllResult& result) {
    doc.App.Host->SetProgressText(Texts::SearchingAndReplacing, 1);
    if (!PrepareSearch(doc)) return;
    const TCount p = PatternLength(doc), r = ReplacementLength(doc);
    std::vector<TAddress> hits;
    std::vector<uint8_t> old;
    TReadResult read;
    try {
        result.Cancelled = StoreEachDown(doc.App.QSearch, doc.Store.Snapshot(), start, ScanProgressHook(doc, true),
                                         [&](TAddress hit, const uint8_t* bytes) {
                                             hits.push_back(hit);
                                             old.insert(old.end(), bytes, bytes + p);
                                             return true;
                                         }, read);
    } catch (const std::bad_alloc&) {
        doc.App.Host->ShowError(Texts::CantAllocate);
        result.Cancelled = true;
        return;
    }
    if (!ReadWentWell(doc, read)) {
        result.Cancelled = true;
        return;
    }
    // A cancelled pass replaces the hits it found before the click: the file holds a prefix of the work.
    auto n = static_cast<int64_t>(hits.size());
    if (n == 0) return;
    // What can still be had: free memory for the pieces, and never past the largest file.
    int64_t possible = MemoryBeyondMargin() / ReplacedHitCost;
    if (r > p) possible = std::min<int64_t>(possible, (MaxFileSize - doc.Store.FileSize()) / (r - p));
    if (n > possible) {
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
    doc.App.Host->SetProgressText(Texts::Step2Replacing, 1);
    doc.App.Host->EnableCancel(false);
    for (int64_t k = 0; k < n; ++k)
        PassReplacedHit(doc, result, hits[size_t(k)], old.data() + k * p, hits[size_t(k)] + k * (r - p));
    TPieces pieces;
    pieces.Count = n;
    pieces.OldLength = p;
    pieces.NewLength = r;
    pieces.Address = [&](int64_t k) { return hits[static_cast<size_t>(k)]; };
    pieces.Bytes = [&doc](int64_t) { return doc.App.SearchRequest.Replacement.data(); };
    doc.Store.ReplacePieces(pieces);
    if (doc.Store.FileSize() == 0) ClearFile(doc);
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
    ReplaceHits(doc, start, result);
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
        std::vector<uint8_t> standing;
        if (at + r - 1 > doc.Store.FileSize() || !doc.Store.Read(at, r, standing) || standing != replacement) {
            doc.App.Host->ShowInfo(Texts::StringNotFound);
            return;
        }
        doc.Store.RemoveBytes(at, r);
        doc.Store.Insert(at, doc.Search.ReplacedBytes);
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
