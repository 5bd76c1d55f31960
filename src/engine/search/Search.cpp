// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/Search.h"

#include "engine/document/CommandEnabling.h"
#include "engine/document/EngineState.h"
#include "engine/document/HostScopes.h"
#include "engine/files/DiskWatch.h"
#include "engine/search/StoreScan.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/document/View.h"

namespace Engine {


TProgressHook ScanProgressHook(TDocument& doc, bool down, bool honourCancel) {
    return [&doc, down, honourCancel](TAddress position) {
        doc.App.Host->SetProgress(down ? position : doc.Store.FileSize() - position, doc.Store.FileSize(), 5);
        return honourCancel && doc.App.Host->Cancelled();
    };
}

TFindResult FindForward(TDocument& doc, TAddress& pos, bool adjust, bool honourCancel) {
    const TSearchRequest& request = doc.App.SearchRequest;
    if (adjust) {
        // Stored addresses of 0 mean "none" and never move the start.
        const TCount replacementLength = static_cast<TCount>(request.Replacement.size());
        if (doc.Search.LastReplaceAddress != 0 && pos == doc.Search.LastReplaceAddress &&
            request.Replacement.empty() && doc.Search.EmptyReplacementPending) {
            // the hit after a deleted one now stands at the cursor: search from here
        } else if (doc.Search.LastReplaceAddress != 0 && replacementLength > 0 &&
                   pos == doc.Search.LastReplaceAddress + replacementLength - 1) {
            pos += 1;
        } else if (doc.Search.LastFoundAddress != 0 && pos == doc.Search.LastFoundAddress) {
            pos += static_cast<TCount>(request.Pattern.size());
        }
    }
    TFindResult result;
    if (pos + static_cast<TCount>(request.Pattern.size()) - 1 > doc.Store.FileSize()) return result;
    if (!PrepareSearch(doc)) return result;
    const TProgressHook hook = ScanProgressHook(doc, true, honourCancel);
    TReadResult read;
    const TAddress hit = StoreScanDown(doc.App.QSearch, doc.Store.Snapshot(), pos,
                                       [&](TAddress at) { return result.Cancelled = hook(at); }, read);
    ReadWentWell(doc, read);
    if (hit > 0 && !result.Cancelled) {
        result.Found = true;
        pos = hit;
        doc.Search.LastFoundAddress = hit;
        doc.Search.EmptyReplacementPending = false;
    }
    return result;
}

TFindResult FindBackward(TDocument& doc, TAddress& pos) {
    if (doc.Search.LastFoundAddress != 0 && pos == doc.Search.LastFoundAddress) pos -= 1;
    if (pos > doc.Store.FileSize())
        pos = doc.Store.FileSize(); // the cursor of an empty file lies past the end
    TFindResult result;
    if (pos < 1 || !PrepareSearch(doc)) return result;
    const TProgressHook hook = ScanProgressHook(doc, false);
    TReadResult read;
    const TAddress hit = StoreScanUp(doc.App.QSearch, doc.Store.Snapshot(), pos,
                                     [&](TAddress at) { return result.Cancelled = hook(at); }, read);
    ReadWentWell(doc, read);
    if (hit > 0 && !result.Cancelled) {
        result.Found = true;
        pos = hit;
        doc.Search.LastFoundAddress = hit;
        doc.Search.EmptyReplacementPending = false;
    }
    return result;
}

bool PrepareSearch(TDocument& doc) {
    const TSearchRequest& request = doc.App.SearchRequest;
    return doc.App.QSearch.PrepareIfChanged(request.Pattern, request.CaseSensitive, request.JokerEnabled,
                                    request.JokerChar);
}

TCountResult CountMatches(TDocument& doc, bool down, TAddress start) {
    TCountResult result;
    const auto length = static_cast<TCount>(doc.App.SearchRequest.Pattern.size());
    TAddress pos = start;
    // Where the first Find again from start would look.
    if (down) {
        if (pos + length - 1 > doc.Store.FileSize()) return result;
    } else {
        if (doc.Search.LastFoundAddress != 0 && pos == doc.Search.LastFoundAddress) pos -= 1;
        if (pos > doc.Store.FileSize()) pos = doc.Store.FileSize();
        if (pos < 1) return result;
    }
    if (!PrepareSearch(doc)) return result;
    TReadResult read;
    const TQSearch::TTally counted =
        down ? StoreCountDown(doc.App.QSearch, doc.Store.Snapshot(), pos, ScanProgressHook(doc, true), read)
             : StoreCountUp(doc.App.QSearch, doc.Store.Snapshot(), pos, ScanProgressHook(doc, false), read);
    ReadWentWell(doc, read);
    result.Count = counted.Count;
    result.Completed = !counted.Cancelled;
    if (counted.Count > 0) {
        doc.Search.LastFoundAddress = counted.Last;
        doc.Search.EmptyReplacementPending = false;
    }
    return result;
}

namespace {

void FindAgain(TDocument& doc, bool down) {
    TAddress pos = CurrentAddress(doc);
    TFindResult result;
    {
        TProgressScope progress(*doc.App.Host, Texts::Searching, Texts::CurrentFilePosition);
        result = down ? FindForward(doc, pos, true) : FindBackward(doc, pos);
    }
    if (result.Cancelled) return;
    if (result.Found)
        ShowAddress(doc, pos, true, true);
    else
        doc.App.Host->ShowInfo(Texts::StringNotFound);
}

} // namespace

void Findagaindown1Click(TDocument& doc) {
    FindAgain(doc, true);
}

void Findagainup1Click(TDocument& doc) {
    FindAgain(doc, false);
}

void FindDialogDone(TDocument& doc, bool ok) {
    if (ok) FindAgain(doc, doc.App.SearchRequest.SearchDown);
    EnableGroup(doc, GroupFindAgain, ok);
    SetCommandEnabled(doc, TCommand::Replaceagaindown1, false);
    EnableReplaceUndo(doc, false);
}

void CountDialogDone(TDocument& doc) {
    TCountResult result;
    {
        TProgressScope progress(*doc.App.Host, Texts::Searching, Texts::CurrentFilePosition);
        result = CountMatches(doc, doc.App.SearchRequest.SearchDown, CurrentAddress(doc));
    }
    if (!result.Completed) return;
    if (result.Count > 0) ShowAddress(doc, doc.Search.LastFoundAddress, true, true);
    doc.App.Host->ShowInfo(FormatText(Texts::OccurencesFound, {result.Count}));
}

} // namespace Engine
