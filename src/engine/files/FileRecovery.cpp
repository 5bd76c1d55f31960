// SPDX-License-Identifier: GPL-3.0-or-later
// The questions that offer back the changes a program that ended left unsaved, and their answers.
#include "engine/files/FileCommands.h"

#include "engine/files/DiskWatch.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/files/Paths.h"
#include "engine/files/RollbackJournal.h"
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


std::string ShownName(const TJournalHeader& header) {
    return NamePart(header.Name);
}

// The document becomes the next untitled file, tied to nothing on disk.
void NameUntitled(TDocument& doc) {
    doc.File.Untitled = true;
    doc.File.ReadOnly = false;
    ForgetDiskState(doc);
    ++doc.App.NoNameCounter;
    doc.File.FileName = Texts::NoNamePrefix + std::to_string(doc.App.NoNameCounter);
}

// A new untitled file holding base.
void StartUntitled(TDocument& doc, const std::vector<uint8_t>& base) {
    NameUntitled(doc);
    ClearFile(doc);
    doc.Store.Insert(1, base);
    AfterLoad(doc);
}

// The open file as it is becomes an untitled one, so that nothing is saved over the file on disk.
void MakeUntitled(TDocument& doc) {
    NameUntitled(doc);
    AfterLoad(doc);
}

// The file the journal was written against, open and as it was; false when the recovery does not go on.
// intoUntitled: the changes go into an untitled copy of what there is instead.
bool OpenBase(TDocument& doc, const TJournalHeader& header, bool& intoUntitled) {
    intoUntitled = false;
    const std::string name = ShownName(header);
    if (header.Untitled) {
        // An untitled file starts empty, or with the end-of-file character.
        std::vector<uint8_t> base;
        if (header.BaseSize == 1) base.push_back(26);
        if (!ConfirmSave(doc)) return false;
        StartUntitled(doc, base);
        return true;
    }
    TJournalHeader open;
    const bool isOpen = doc.FileOpen && !doc.File.Untitled && !doc.Modified &&
                        doc.File.FileName == header.Name && RecoveryBase(doc, open);
    if (!isOpen) {
        if (!ConfirmSave(doc)) return false;
        if (!OpenFile(doc, header.Name, false)) {
            if (doc.App.Host->AskYesNo(FormatText(Texts::RecoverMissing, {name})) != mrYes) return false;
            StartUntitled(doc, {});
            intoUntitled = true;
            return true;
        }
    }
    const bool same =
        RecoveryBase(doc, open) && doc.Store.FileSize() == header.BaseSize && open.BaseHash == header.BaseHash;
    if (same && !doc.File.ReadOnly) return true;
    // A file that cannot be written takes the changes in an untitled copy without asking.
    if (!same && doc.App.Host->AskYesNo(FormatText(Texts::RecoverChangedOnDisk, {name})) != mrYes) return false;
    MakeUntitled(doc);
    intoUntitled = true;
    return true;
}

void Recover(TDocument& doc, TFoundJournal& journal) {
    const TJournalHeader header = journal.Header;
    const int64_t changes = journal.Changes;
    bool intoUntitled = false;
    if (!OpenBase(doc, header, intoUntitled)) return;
    const std::vector<uint8_t> bytes = journal.Read();
    TJournalReader reader(bytes);
    TJournalHeader read;
    if (!reader.ReadHeader(read)) return;
    TReplayOutcome outcome;
    {
        TRecoveryPause pause(doc);
        outcome = ReplayJournal(doc, reader, changes, ShownName(header), !intoUntitled);
    }
    if (intoUntitled) {
        // No header names what the changes went into: a journal of its own starts with all of its bytes.
        journal.Remove();
        doc.Modified = true;
        ShowUndoState(doc);
        RecoverySnapshot(doc);
    } else {
        std::vector<int64_t> steps;
        for (int64_t i = 0; i < static_cast<int64_t>(doc.Undo.Journal.Steps.size()); ++i)
            steps.push_back(doc.Undo.Journal.Id(i));
        RecoveryAdopt(doc, std::move(journal), outcome.Length, steps, doc.Undo.Journal.Applied);
    }
    if (!outcome.Complete)
        doc.App.Host->ShowError(FormatText(Texts::RecoverPartly, {outcome.Changes, changes, ShownName(header)}));
}

void Offer(TDocument& doc, TFoundJournal& journal, const std::function<TDocument&()>& placeFor) {
    doc.App.RecoveryOffered.insert(journal.Path);
    const std::string name = ShownName(journal.Header);
    const std::string question = FormatText(
        Texts::RecoverChanges, {name, journal.Changes, FormatIsoTime(journal.LastTime / 1000000000)});
    if (doc.App.Host->AskYesNo(question) == mrYes) {
        Recover(placeFor ? placeFor() : doc, journal);
        return;
    }
    if (doc.App.Host->AskYesNo(FormatText(Texts::RecoverDeleteForGood, {name})) == mrYes) journal.Remove();
}

// Every journal found (of name, when given): one left behind is offered, another program's is told of.
void OfferFound(TDocument& doc, const std::string* name, const std::function<TDocument&()>& placeFor = {}) {
    if (doc.App.RecoveryOffering) return;
    doc.App.RecoveryOffering = true;
    bool told = false;
    for (TFoundJournal& journal : FindJournals(doc, name)) {
        if (journal.Running) {
            if (name && !told) {
                doc.App.Host->ShowInfo(FormatText(Texts::OtherWindowEditing, {NamePart(*name)}));
                RecoveryOthersTold(doc);
            }
            told = true;
        } else if (!doc.App.RecoveryOffered.contains(journal.Path)) {
            Offer(doc, journal, placeFor);
        }
    }
    doc.App.RecoveryOffering = false;
}

} // namespace

void RepairInterruptedSaves(TDocument& doc) {
    for (const FileAccess::TRepair& repair : FileAccess::RepairFromJournals(doc.App.RecoveryFolder, doc.App.SaveFaults)) {
        switch (repair.Outcome) {
        case FileAccess::TRepairOutcome::RolledBack:
            doc.App.Host->ShowInfo(FormatText(Texts::SaveInPlaceRolledBack, {repair.Target}));
            break;
        case FileAccess::TRepairOutcome::Completed:
            doc.App.Host->ShowInfo(FormatText(Texts::SaveInPlaceCompleted, {repair.Target}));
            break;
        case FileAccess::TRepairOutcome::Failed:
            // Told once a run; each start and open tries again.
            if (!repair.Target.empty() && doc.App.RecoveryOffered.insert(repair.Journal).second)
                doc.App.Host->ShowError(FormatText(Texts::SaveInPlaceNotRepaired, {repair.Target, repair.Journal}));
            break;
        default:
            break;
        }
    }
}

void OfferRecoveries(TDocument& doc, const std::function<TDocument&()>& placeFor) {
    RepairInterruptedSaves(doc);
    OfferFound(doc, nullptr, placeFor);
}

void OfferRecoveryOf(TDocument& doc, const std::string& name) {
    OfferFound(doc, &name);
}

} // namespace Engine
