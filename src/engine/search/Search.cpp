// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/Search.h"

#include "engine/store/ByteStore.h"
#include "engine/document/CommandEnabling.h"
#include "engine/document/EngineState.h"
#include "engine/document/HostScopes.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/document/View.h"

namespace Engine {

TQSearch QSearch;

TProgressHook ScanProgressHook(bool down, bool honourCancel) {
    return [down, honourCancel](TAddress position) {
        Host->SetProgress(down ? position : Doc().Store.FileSize() - position, Doc().Store.FileSize(), 5);
        return honourCancel && Host->Cancelled();
    };
}

TFindResult FindForward(TAddress& pos, bool adjust, bool honourCancel) {
    const TSearchRequest& request = SearchRequest;
    if (adjust) {
        // Stored addresses of 0 mean "none" and never move the start.
        const TCount replacementLength = static_cast<TCount>(request.Replacement.size());
        if (Doc().Search.LastReplaceAddress != 0 && pos == Doc().Search.LastReplaceAddress &&
            request.Replacement.empty() && Doc().Search.EmptyReplacementPending) {
            // the hit after a deleted one now stands at the cursor: search from here
        } else if (Doc().Search.LastReplaceAddress != 0 && replacementLength > 0 &&
                   pos == Doc().Search.LastReplaceAddress + replacementLength - 1) {
            pos += 1;
        } else if (Doc().Search.LastFoundAddress != 0 && pos == Doc().Search.LastFoundAddress) {
            pos += static_cast<TCount>(request.Pattern.size());
        }
    }
    TFindResult result;
    if (pos + static_cast<TCount>(request.Pattern.size()) - 1 > Doc().Store.FileSize()) return result;
    const TProgressHook hook = ScanProgressHook(true, honourCancel);
    const TAddress hit =
        QSearch.ScanDown(request.Pattern, Doc().Store.ContiguousBytes(), Doc().Store.FileSize(),
                         request.CaseSensitive, request.JokerEnabled, request.JokerChar, pos,
                         [&](TAddress at) { return result.Cancelled = hook(at); });
    if (hit > 0 && !result.Cancelled) {
        result.Found = true;
        pos = hit;
        Doc().Search.LastFoundAddress = hit;
        Doc().Search.EmptyReplacementPending = false;
    }
    return result;
}

TFindResult FindBackward(TAddress& pos) {
    const TSearchRequest& request = SearchRequest;
    if (Doc().Search.LastFoundAddress != 0 && pos == Doc().Search.LastFoundAddress) pos -= 1;
    if (pos > Doc().Store.FileSize())
        pos = Doc().Store.FileSize(); // the cursor of an empty file lies past the end
    TFindResult result;
    if (pos < 1) return result;
    const TProgressHook hook = ScanProgressHook(false);
    const TAddress hit = QSearch.ScanUp(request.Pattern, Doc().Store.ContiguousBytes(), 1,
                                        request.CaseSensitive, request.JokerEnabled, request.JokerChar, pos,
                                        [&](TAddress at) { return result.Cancelled = hook(at); });
    if (hit > 0 && !result.Cancelled) {
        result.Found = true;
        pos = hit;
        Doc().Search.LastFoundAddress = hit;
        Doc().Search.EmptyReplacementPending = false;
    }
    return result;
}

bool PrepareSearch() {
    const TSearchRequest& request = SearchRequest;
    return QSearch.PrepareIfChanged(request.Pattern, request.CaseSensitive, request.JokerEnabled,
                                    request.JokerChar);
}

TCountResult CountMatches(bool down, TAddress start) {
    TCountResult result;
    const auto length = static_cast<TCount>(SearchRequest.Pattern.size());
    TAddress pos = start;
    // Where the first Find again from start would look.
    if (down) {
        if (pos + length - 1 > Doc().Store.FileSize()) return result;
    } else {
        if (Doc().Search.LastFoundAddress != 0 && pos == Doc().Search.LastFoundAddress) pos -= 1;
        if (pos > Doc().Store.FileSize()) pos = Doc().Store.FileSize();
        if (pos < 1) return result;
    }
    if (!PrepareSearch()) return result;
    const TQSearch::TTally counted =
        down ? QSearch.CountDown(Doc().Store.ContiguousBytes(), Doc().Store.FileSize(), pos,
                                 ScanProgressHook(true))
             : QSearch.CountUp(Doc().Store.ContiguousBytes(), 1, pos, ScanProgressHook(false));
    result.Count = counted.Count;
    result.Completed = !counted.Cancelled;
    if (counted.Count > 0) {
        Doc().Search.LastFoundAddress = counted.Last;
        Doc().Search.EmptyReplacementPending = false;
    }
    return result;
}

namespace {

void FindAgain(bool down) {
    TAddress pos = CurrentAddress();
    TFindResult result;
    {
        TProgressScope progress(Texts::Searching, Texts::CurrentFilePosition);
        result = down ? FindForward(pos, true) : FindBackward(pos);
    }
    if (result.Cancelled) return;
    if (result.Found)
        ShowAddress(pos, true, true);
    else
        Host->ShowInfo(Texts::StringNotFound);
}

} // namespace

void Findagaindown1Click() {
    FindAgain(true);
}

void Findagainup1Click() {
    FindAgain(false);
}

void FindDialogDone(bool ok) {
    if (ok) FindAgain(SearchRequest.SearchDown);
    EnableGroup(GroupFindAgain, ok);
    SetCommandEnabled(TCommand::Replaceagaindown1, false);
    EnableReplaceUndo(false);
}

void CountDialogDone() {
    TCountResult result;
    {
        TProgressScope progress(Texts::Searching, Texts::CurrentFilePosition);
        result = CountMatches(SearchRequest.SearchDown, CurrentAddress());
    }
    if (!result.Completed) return;
    if (result.Count > 0) ShowAddress(Doc().Search.LastFoundAddress, true, true);
    Host->ShowInfo(FormatText(Texts::OccurencesFound, {result.Count}));
}

} // namespace Engine
