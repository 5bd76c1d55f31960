// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/FileCommands.h"

#include "engine/document/Blocks.h"
#include "engine/document/EngineState.h"
#include "engine/document/CommandEnabling.h"
#include "engine/files/DiskWatch.h"
#include "engine/editing/Editing.h"
#include "engine/files/FileAccess.h"
#include "engine/files/FileIo.h"
#include "engine/document/HostScopes.h"
#include "engine/store/RoomCheck.h"
#include "engine/files/Paths.h"
#include "engine/recovery/Recovery.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

namespace Engine {

namespace {

void ShowFileCaption(TDocument& doc) {
    doc.Display->SetCaption(std::string(ProgramName) + " - " + NamePart(doc.File.FileName) +
                     (doc.File.ReadOnly ? Texts::ReadOnlyMark : ""));
}

std::optional<std::string> ChooseFile(TDocument& doc, TFileDialogMode mode, const char* title) {
    return doc.App.Host->ChooseFile(mode, title, doc.App.LastDir, Texts::FileMasks, Texts::FavoritesSection);
}

} // namespace

std::optional<std::string> ChooseFileToOpen(TDocument& doc, bool readOnly) {
    return ChooseFile(doc, TFileDialogMode::Open, readOnly ? Texts::OpenReadOnlyTitle : Texts::OpenFileTitle);
}

bool ConfirmSave(TDocument& doc) {
    if (!doc.Modified || !doc.FileOpen) return true;
    switch (doc.App.Host->AskYesNoCancel(FormatText(Texts::ModifiedSaveNow, {NamePart(doc.File.FileName)}))) {
    case mrYes:
        return doc.File.Untitled ? SaveAs1Click(doc)
                                   : SaveFile(doc, doc.File.FileName, false, 1, 0);
    case mrNo:
        return true;
    default:
        return false;
    }
}

bool OpenFile(TDocument& doc, const std::string& given, bool fromRecentList, bool readOnly) {
    if (fromRecentList && !ConfirmSave(doc)) return false;
    // Every later save goes to the file opened now, wherever the working folder goes meanwhile.
    const std::string name = FileAccess::FullPath(given);
    bool bufferGivenUp = false;
    // A save of it (or of any file) cut short is repaired before its bytes are read.
    RepairInterruptedSaves(doc);
    if (!LoadFile(doc, name, false, 1, -1, &bufferGivenUp)) {
        // A file that could not even be opened (missing, unreadable, too large) changes nothing: the
        // current file stays. Once the old contents were given up, the editor closes; the user has
        // already answered the save question (or nothing was open), so Close asks nothing.
        if (bufferGivenUp) {
            doc.Modified = false;
            Close1Click(doc);
        }
        return false;
    }
    doc.App.Host->AddRecentFile(name);
    doc.File.FileName = name;
    doc.App.LastDir = ParentDirectory(name);
    doc.File.Untitled = false;
    // What a save would refuse is not offered: the file is only viewed.
    doc.File.ReadOnly = readOnly || FileAccess::CheckSaveTarget(name) != 0 ||
                          FileAccess::CheckWritable(FileAccess::SaveTarget(name)) != 0;
    AfterLoad(doc);
    if (!doc.File.ReadOnly) OfferRecoveryOf(doc, name);
    return true;
}

void AfterLoad(TDocument& doc) {
    doc.FileOpen = true;
    if (doc.File.ReadOnly) EnableGroup(doc, GroupChanges, false);
    EnableGroup(doc, GroupLoaded, true);
    EnableReplaceUndo(doc, false);
    UnmarkBlock(doc);
    doc.Modified = false;
    ClearUndo(doc);
    RecoveryNewBase(doc);
    doc.Search.RememberedAddress = 1;
    doc.Search.LastFoundAddress = 0;
    doc.Search.LastReplaceAddress = 0;
    doc.Search.EmptyReplacementPending = false;
    doc.View.TopAddress = 1;
    ShowFileCaption(doc);
    ShowAddress(doc, 1, true, false);
    SetCursorCell(doc, 0, 0);
    doc.Display->UpdateStatus();
    doc.Display->SetScrollBarEnabled(true);
}

void CheckDiskOnActivate(TDocument& doc) {
    const std::optional<FileAccess::TFileStamp> change = TakeDiskChange(doc);
    if (!change) return;
    const std::string name = NamePart(doc.File.FileName);
    if (!change->Exists) {
        doc.App.Host->ShowInfo(FormatText(Texts::DeletedOnDisk, {name}));
        return;
    }
    const char* question = doc.Modified ? Texts::ChangedOnDiskModified : Texts::ChangedOnDisk;
    // A file opened read-only stays so.
    if (doc.App.Host->AskYesNo(FormatText(question, {name})) == mrYes)
        OpenFile(doc, doc.File.FileName, false, doc.File.ReadOnly);
}

void New1Click(TDocument& doc) {
    if (!ConfirmSave(doc)) return;
    doc.File.Untitled = true;
    ForgetDiskState(doc);
    doc.File.ReadOnly = false;
    ++doc.App.NoNameCounter;
    doc.File.FileName = Texts::NoNamePrefix + std::to_string(doc.App.NoNameCounter);
    if (doc.App.NewEOF) {
        doc.Store.Clear();
        const uint8_t eof = 26; // the end-of-file character
        doc.Store.Insert(1, std::span(&eof, 1));
    } else {
        ClearFile(doc);
    }
    AfterLoad(doc);
}

void Open1Click(TDocument& doc) {
    if (!ConfirmSave(doc)) return;
    std::optional<std::string> chosen = ChooseFile(doc, TFileDialogMode::Open, Texts::OpenFileTitle);
    if (!chosen) return;
    OpenFile(doc, *chosen, false);
}

void Openreadonly1Click(TDocument& doc) {
    if (!ConfirmSave(doc)) return;
    std::optional<std::string> chosen = ChooseFile(doc, TFileDialogMode::Open, Texts::OpenReadOnlyTitle);
    if (!chosen) return;
    OpenFile(doc, *chosen, false, true);
}

bool Save1Click(TDocument& doc) {
    if (doc.File.Untitled) return SaveAs1Click(doc);
    return SaveFile(doc, doc.File.FileName, false, 1, 0);
}

bool SaveAs1Click(TDocument& doc) {
    std::optional<std::string> chosen = ChooseFile(doc, TFileDialogMode::Save, Texts::SaveFileAsTitle);
    if (!chosen) return false;
    const std::string name = FileAccess::FullPath(*chosen);
    // A failed write keeps the old name, so that nothing suggests the data is safe under the new one.
    if (!SaveFile(doc, name, false, 1, 0)) return false;
    doc.File.FileName = name;
    doc.App.Host->AddRecentFile(doc.File.FileName);
    ShowFileCaption(doc);
    doc.File.Untitled = false;
    return true;
}

bool Close1Click(TDocument& doc) {
    if (!ConfirmSave(doc)) return false;
    doc.Display->SetCaption(ProgramName);
    doc.App.Host->DisableFileCommands();
    doc.FileOpen = false;
    doc.Store.Clear();
    doc.Modified = false; // nothing is open that could be unsaved
    ForgetDiskState(doc);
    doc.File.ReadOnly = false;
    doc.View.PendingDigit = -1;
    doc.Display->ClearPanes();
    SetCursorCell(doc, 0, 0);
    doc.Display->SetScrollBarEnabled(false);
    ClearUndo(doc);
    RecoveryClosed(doc);
    // The rollback journal kept for the next save in place goes with the file, unless a repair needs it.
    if (doc.App.RollbackJournal && !doc.App.RollbackJournal->Holding()) doc.App.RollbackJournal.reset();
    return true;
}

void Insertfile1Click(TDocument& doc) {
    std::optional<std::string> chosen = ChooseFile(doc, TFileDialogMode::Open, Texts::OpenFileTitle);
    if (!chosen) return;
    const std::string& path = *chosen;
    int64_t size = FileAccess::FileSizeOf(path);
    const TAddress pos = CurrentAddress(doc);
    if (size <= 0) {
        doc.App.Host->ShowError(FormatText(Texts::FileIsEmpty, {path}));
        return;
    }
    if (size > MaxFileSize - doc.Store.FileSize()) {
        doc.App.Host->ShowError(Texts::CantAllocate);
        return;
    }
    if (!RoomOrRefusal(doc, size)) return;
    const TCount n = size;
    {
        TUndoStep step(doc, TStepName::InsertFile);
        TBusyScope busy(*doc.App.Host, "");
        if (LoadFile(doc, path, true, pos, n)) {
            RecordChange(doc, pos, {}, n);
            doc.Modified = true;
            DropBlockIfAffected(doc, pos);
        }
        ShowAddress(doc, pos + n, true, false);
        doc.Display->UpdateStatus();
    }
}

void Writeblock1Click(TDocument& doc) {
    if (doc.Block.BlockBegin == 0 || doc.Block.BlockEnd == 0) return;
    std::optional<std::string> chosen = ChooseFile(doc, TFileDialogMode::Save, Texts::SaveFileAsTitle);
    if (!chosen) return;
    SaveFile(doc, *chosen, true, doc.Block.BlockBegin, doc.Block.BlockEnd - doc.Block.BlockBegin + 1);
}

} // namespace Engine
