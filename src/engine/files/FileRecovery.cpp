// SPDX-License-Identifier: GPL-3.0-or-later
// The questions that offer back the changes a program that ended left unsaved, and their answers.
#include "engine/files/FileCommands.h"

#include "engine/store/ByteStore.h"
#include "engine/files/DiskWatch.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/files/Paths.h"
#include "engine/recovery/Recovery.h"
#include "engine/recovery/RecoveryReplay.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/editing/Undo.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace Engine {

namespace {

bool Offering = false;         // a question or a recovery runs: opening a file asks nothing more
std::set<std::string> Offered; // journals asked about in this run, left where the user kept them

std::string ShownName(const TJournalHeader& header) {
    return NamePart(header.Name);
}

// A new untitled file holding base.
void StartUntitled(const std::vector<uint8_t>& base) {
    Doc().File.Untitled = true;
    Doc().File.ReadOnly = false;
    ForgetDiskState();
    ++NoNameCounter;
    Doc().File.FileName = Texts::NoNamePrefix + std::to_string(NoNameCounter);
    ClearFile();
    if (!base.empty() && Doc().Store.OpenGap(1, static_cast<TCount>(base.size())))
        std::ranges::copy(base, Doc().Store.StoreRun(1, Doc().Store.FileSize()).begin());
    AfterLoad();
}

// The open file as it is becomes an untitled one, so that nothing is saved over the file on disk.
void MakeUntitled() {
    Doc().File.Untitled = true;
    Doc().File.ReadOnly = false;
    ForgetDiskState();
    ++NoNameCounter;
    Doc().File.FileName = Texts::NoNamePrefix + std::to_string(NoNameCounter);
    AfterLoad();
}

// The file the journal was written against, open and as it was; false when the recovery does not go on.
// intoUntitled: the changes go into an untitled copy of what there is instead.
bool OpenBase(const TJournalHeader& header, bool& intoUntitled) {
    intoUntitled = false;
    const std::string name = ShownName(header);
    if (header.Untitled) {
        // An untitled file starts empty, or with the end-of-file character.
        std::vector<uint8_t> base;
        if (header.BaseSize == 1) base.push_back(26);
        if (!ConfirmSave()) return false;
        StartUntitled(base);
        return true;
    }
    TJournalHeader open;
    const bool isOpen = Doc().FileOpen && !Doc().File.Untitled && !Doc().Modified &&
                        Doc().File.FileName == header.Name && RecoveryBase(open);
    if (!isOpen) {
        if (!ConfirmSave()) return false;
        if (!OpenFile(header.Name, false)) {
            if (Host->AskYesNo(FormatText(Texts::RecoverMissing, {name})) != mrYes) return false;
            StartUntitled({});
            intoUntitled = true;
            return true;
        }
    }
    const bool same =
        RecoveryBase(open) && Doc().Store.FileSize() == header.BaseSize && open.BaseHash == header.BaseHash;
    if (same && !Doc().File.ReadOnly) return true;
    // A file that cannot be written takes the changes in an untitled copy without asking.
    if (!same && Host->AskYesNo(FormatText(Texts::RecoverChangedOnDisk, {name})) != mrYes) return false;
    MakeUntitled();
    intoUntitled = true;
    return true;
}

void Recover(TFoundJournal& journal) {
    const TJournalHeader header = journal.Header;
    const int64_t changes = journal.Changes;
    bool intoUntitled = false;
    if (!OpenBase(header, intoUntitled)) return;
    const std::vector<uint8_t> bytes = journal.Read();
    TJournalReader reader(bytes);
    TJournalHeader read;
    if (!reader.ReadHeader(read)) return;
    TReplayOutcome outcome;
    {
        TRecoveryPause pause;
        outcome = ReplayJournal(reader, changes, ShownName(header), !intoUntitled);
    }
    if (intoUntitled) {
        // No header names what the changes went into: a journal of its own starts with all of its bytes.
        journal.Remove();
        Doc().Modified = true;
        ShowUndoState();
        RecoverySnapshot();
    } else {
        std::vector<int64_t> steps;
        for (int64_t i = 0; i < static_cast<int64_t>(Doc().Undo.Journal.Steps.size()); ++i)
            steps.push_back(Doc().Undo.Journal.Id(i));
        RecoveryAdopt(std::move(journal), outcome.Length, steps, Doc().Undo.Journal.Applied);
    }
    if (!outcome.Complete)
        Host->ShowError(FormatText(Texts::RecoverPartly, {outcome.Changes, changes, ShownName(header)}));
}

void Offer(TFoundJournal& journal) {
    Offered.insert(journal.Path);
    const std::string name = ShownName(journal.Header);
    const std::string question = FormatText(
        Texts::RecoverChanges, {name, journal.Changes, FormatIsoTime(journal.LastTime / 1000000000)});
    if (Host->AskYesNo(question) == mrYes) {
        Recover(journal);
        return;
    }
    if (Host->AskYesNo(FormatText(Texts::RecoverDeleteForGood, {name})) == mrYes) journal.Remove();
}

// Every journal found (of name, when given): one left behind is offered, another program's is told of.
void OfferFound(const std::string* name) {
    if (Offering) return;
    Offering = true;
    bool told = false;
    for (TFoundJournal& journal : FindJournals(name)) {
        if (journal.Running) {
            if (name && !told) {
                Host->ShowInfo(FormatText(Texts::OtherWindowEditing, {NamePart(*name)}));
                RecoveryOthersTold();
            }
            told = true;
        } else if (!Offered.contains(journal.Path)) {
            Offer(journal);
        }
    }
    Offering = false;
}

} // namespace

void OfferRecoveries() {
    OfferFound(nullptr);
}

void OfferRecoveryOf(const std::string& name) {
    OfferFound(&name);
}

} // namespace Engine
