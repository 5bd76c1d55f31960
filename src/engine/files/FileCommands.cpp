// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/FileCommands.h"

#include "engine/document/Blocks.h"
#include "engine/store/ByteStore.h"
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

void ShowFileCaption() {
    Host->SetCaption(std::string(ProgramName) + " - " + NamePart(Doc().File.FileName) +
                     (Doc().File.ReadOnly ? Texts::ReadOnlyMark : ""));
}

std::optional<std::string> ChooseFile(TFileDialogMode mode, const char* title) {
    return Host->ChooseFile(mode, title, LastDir, Texts::FileMasks, Texts::FavoritesSection);
}

} // namespace

bool ConfirmSave() {
    if (!Doc().Modified || !Doc().FileOpen) return true;
    switch (Host->AskYesNoCancel(FormatText(Texts::ModifiedSaveNow, {NamePart(Doc().File.FileName)}))) {
    case mrYes:
        return Doc().File.Untitled ? SaveAs1Click()
                                   : SaveFile(Doc().File.FileName, false, 1, Doc().Store.Capacity());
    case mrNo:
        return true;
    default:
        return false;
    }
}

bool OpenFile(const std::string& given, bool fromRecentList, bool readOnly) {
    if (fromRecentList && !ConfirmSave()) return false;
    // Every later save goes to the file opened now, wherever the working folder goes meanwhile.
    const std::string name = FileAccess::FullPath(given);
    bool bufferGivenUp = false;
    if (!LoadFile(name, false, 1, -1, &bufferGivenUp)) {
        // A file that could not even be opened (missing, unreadable, too large) changes nothing: the
        // current file stays. Once the old contents were given up, the editor closes; the user has
        // already answered the save question (or nothing was open), so Close asks nothing.
        if (bufferGivenUp) {
            Doc().Modified = false;
            Close1Click();
        }
        return false;
    }
    Host->AddRecentFile(name);
    Doc().File.FileName = name;
    LastDir = ParentDirectory(name);
    Doc().File.Untitled = false;
    // What a save would refuse is not offered: the file is only viewed.
    Doc().File.ReadOnly = readOnly || FileAccess::CheckSaveTarget(name) != 0 ||
                          FileAccess::CheckWritable(FileAccess::SaveTarget(name)) != 0;
    AfterLoad();
    if (!Doc().File.ReadOnly) OfferRecoveryOf(name);
    return true;
}

void AfterLoad() {
    Doc().FileOpen = true;
    if (Doc().File.ReadOnly) EnableGroup(GroupChanges, false);
    EnableGroup(GroupLoaded, true);
    EnableReplaceUndo(false);
    UnmarkBlock();
    Doc().Modified = false;
    ClearUndo();
    RecoveryNewBase();
    Doc().Search.RememberedAddress = 1;
    Doc().Search.LastFoundAddress = 0;
    Doc().Search.LastReplaceAddress = 0;
    Doc().Search.EmptyReplacementPending = false;
    Doc().View.TopAddress = 1;
    ShowFileCaption();
    ShowAddress(1, true, false);
    SetCursorCell(0, 0);
    Host->UpdateStatus();
    Host->SetScrollBarEnabled(true);
}

void CheckDiskOnActivate() {
    const std::optional<FileAccess::TFileStamp> change = TakeDiskChange();
    if (!change) return;
    const std::string name = NamePart(Doc().File.FileName);
    if (!change->Exists) {
        Host->ShowInfo(FormatText(Texts::DeletedOnDisk, {name}));
        return;
    }
    const char* question = Doc().Modified ? Texts::ChangedOnDiskModified : Texts::ChangedOnDisk;
    // A file opened read-only stays so.
    if (Host->AskYesNo(FormatText(question, {name})) == mrYes)
        OpenFile(Doc().File.FileName, false, Doc().File.ReadOnly);
}

void New1Click() {
    if (!ConfirmSave()) return;
    Doc().File.Untitled = true;
    ForgetDiskState();
    Doc().File.ReadOnly = false;
    ++NoNameCounter;
    Doc().File.FileName = Texts::NoNamePrefix + std::to_string(NoNameCounter);
    if (NewEOF) {
        Doc().Store.Clear();
        Doc().Store.OpenGap(1, 1);
        Doc().Store.WriteByte(1, 26); // the end-of-file character
    } else {
        ClearFile();
    }
    AfterLoad();
}

void Open1Click() {
    if (!ConfirmSave()) return;
    std::optional<std::string> chosen = ChooseFile(TFileDialogMode::Open, Texts::OpenFileTitle);
    if (!chosen) return;
    OpenFile(*chosen, false);
}

void Openreadonly1Click() {
    if (!ConfirmSave()) return;
    std::optional<std::string> chosen = ChooseFile(TFileDialogMode::Open, Texts::OpenReadOnlyTitle);
    if (!chosen) return;
    OpenFile(*chosen, false, true);
}

bool Save1Click() {
    if (Doc().File.Untitled) return SaveAs1Click();
    return SaveFile(Doc().File.FileName, false, 1, Doc().Store.Capacity());
}

bool SaveAs1Click() {
    std::optional<std::string> chosen = ChooseFile(TFileDialogMode::Save, Texts::SaveFileAsTitle);
    if (!chosen) return false;
    const std::string name = FileAccess::FullPath(*chosen);
    // A failed write keeps the old name, so that nothing suggests the data is safe under the new one.
    if (!SaveFile(name, false, 1, Doc().Store.Capacity())) return false;
    Doc().File.FileName = name;
    Host->AddRecentFile(Doc().File.FileName);
    ShowFileCaption();
    Doc().File.Untitled = false;
    return true;
}

bool Close1Click() {
    if (!ConfirmSave()) return false;
    Host->SetCaption(ProgramName);
    Host->DisableFileCommands();
    Doc().FileOpen = false;
    Doc().Store.Clear();
    Doc().Modified = false; // nothing is open that could be unsaved
    ForgetDiskState();
    Doc().File.ReadOnly = false;
    Doc().View.PendingDigit = -1;
    Host->ClearPanes();
    SetCursorCell(0, 0);
    Host->SetScrollBarEnabled(false);
    ClearUndo();
    RecoveryClosed();
    return true;
}

void Insertfile1Click() {
    std::optional<std::string> chosen = ChooseFile(TFileDialogMode::Open, Texts::OpenFileTitle);
    if (!chosen) return;
    const std::string& path = *chosen;
    int64_t size = FileAccess::FileSizeOf(path);
    const TAddress pos = CurrentAddress();
    if (size <= 0) {
        Host->ShowError(FormatText(Texts::FileIsEmpty, {path}));
        return;
    }
    if (!RoomOrRefusal(size)) return;
    if (!Doc().Store.EnsureRoom(size)) {
        Host->ShowError(Texts::CantAllocate);
        return;
    }
    const TCount n = size;
    {
        TUndoStep step(TStepName::InsertFile);
        TBusyScope busy("");
        if (!Doc().Store.OpenGap(pos, n)) {
            Host->ShowError(Texts::CantAllocate);
        } else if (LoadFile(path, true, pos, n)) {
            RecordChange(pos, {}, n);
            Doc().Modified = true;
            DropBlockIfAffected(pos);
        } else {
            CloseGap(pos, n);
        }
        ShowAddress(pos + n, true, false);
        Host->UpdateStatus();
    }
}

void Writeblock1Click() {
    if (Doc().Block.BlockBegin == 0 || Doc().Block.BlockEnd == 0) return;
    std::optional<std::string> chosen = ChooseFile(TFileDialogMode::Save, Texts::SaveFileAsTitle);
    if (!chosen) return;
    SaveFile(*chosen, true, Doc().Block.BlockBegin, Doc().Block.BlockEnd - Doc().Block.BlockBegin + 1);
}

} // namespace Engine
