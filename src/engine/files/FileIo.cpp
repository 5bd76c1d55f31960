// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/FileIo.h"

#include "engine/document/EngineState.h"
#include "engine/recovery/ContentHash.h"
#include "engine/files/DiskWatch.h"
#include "engine/files/FileAccess.h"
#include "engine/files/FileReplace.h"
#include "engine/files/StoreSave.h"
#include "engine/document/HostScopes.h"
#include "engine/files/Paths.h"
#include "engine/recovery/Recovery.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/editing/Undo.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace Engine {

namespace {

// An operation's outcome: 0, an operating-system error number (1..249), or a message of our own.
struct TIoResult {
    int Code = 0;
    const char* Message = nullptr;

    bool Ok() const { return Code == 0 && !Message; }
    void SetCode(int code) {
        if (Ok()) Code = code;
    }
    void SetMessage(const char* message) {
        if (Ok()) Message = message;
    }
};

// What a save was doing when it failed, where the error number alone would not tell.
const char* StepReason(FileAccess::TReplaceStep step) {
    switch (step) {
    case FileAccess::TReplaceStep::Owner:
        return Texts::CantKeepOwner;
    case FileAccess::TReplaceStep::Mode:
        return Texts::CantKeepPermissions;
    case FileAccess::TReplaceStep::Time:
        return Texts::CantSetFileTime;
    default:
        return nullptr;
    }
}

// The name a previous version is kept under: beside the file itself, since a link leads elsewhere.
std::string BackupName(const std::string& name) {
    return NamePart(FileAccess::BackupPathOf(FileAccess::SaveTarget(name)));
}

// The error box; each note (a reason, damage, a file left behind) gets a line of its own.
void Report(TDocument& doc, const TIoResult& result, const char* osErrorMessage, const std::string& name,
            const std::vector<std::string>& notes = {}) {
    std::string title = NamePart(name);
    std::string text = result.Message
                           ? FormatText(result.Message, {title})
                           : FormatText(osErrorMessage, {title}) + "\r\n" + Texts::IoErrorText(result.Code);
    for (const std::string& note : notes)
        text += "\r\n" + note;
    doc.App.Host->ShowError(text);
}

// The lines a failed save adds to its error box.
std::vector<std::string> SaveNotes(const FileAccess::TReplaceResult& replaced, const std::string& name) {
    std::vector<std::string> notes;
    if (const char* reason = StepReason(replaced.Step)) notes.emplace_back(reason);
    if (replaced.Step == FileAccess::TReplaceStep::Backup)
        notes.push_back(FormatText(Texts::CantKeepBackup, {BackupName(name)}));
    if (!replaced.KeptCopy.empty())
        notes.push_back(FormatText(Texts::OldContentsKeptIn, {replaced.KeptCopy}));
    else if (replaced.Damaged)
        notes.emplace_back(Texts::FileMayBeDamaged);
    if (!replaced.StrayTemp.empty())
        notes.push_back(FormatText(Texts::TemporaryFileLeft, {replaced.StrayTemp}));
    return notes;
}

// After a whole save: the store reads the saved file from now on, so that the next save can write in place
// and the old file's bytes are no longer needed (undo keeps its own copies). Where the saved file cannot be
// opened again, the pieces go on reading what they read before. A save in place (reopen false) keeps the
// source, which holds the old bytes of the ranges it wrote for the history.
void SavedAs(TDocument& doc, const std::string& name, bool reopen = true) {
    doc.Modified = false;
    UndoFileSaved(doc);
    std::shared_ptr<FileAccess::TFileSource> source;
    if (reopen && FileAccess::TFileSource::Open(name, source) == 0 && source->Size() == doc.Store.FileSize()) {
        doc.Store.Load(source, source->Size());
        doc.File.Source = source;
        doc.File.UnreadableTold = false;
    }
    doc.File.Saved = doc.Store.Snapshot();
    RememberDiskState(doc, FileAccess::StampOf(name));
    if (RecoveryWantsHash(doc)) RecoverySaved(doc, name, StoreHash(doc.Store.Snapshot()).value_or(0));
}

// Changed bytes beyond this are streamed: a save in place holds their old bytes in memory and the journal.
constexpr TCount InPlaceLimit = TCount{64} << 20;

// The ranges a save of the whole contents to name writes in place, or nothing where it streams them: the
// size is the file's, the store reads that very file, only overwrites happened since it was loaded or last
// saved (their ranges few enough), no backup is asked for and there is a folder for the journal.
std::optional<std::vector<TRange>> InPlaceRanges(const TDocument& doc, const std::string& name) {
    const std::shared_ptr<FileAccess::TFileSource>& source = doc.File.Source;
    if (!source || source->ReadsCopy() || doc.App.BackupOnSave || doc.App.RecoveryFolder.empty())
        return std::nullopt;
    const TStoreSnapshot& current = doc.Store.Snapshot();
    if (current.Size() != source->Size() || doc.File.Saved.Size() != current.Size()) return std::nullopt;
    const FileAccess::TFileStamp disk = FileAccess::StampOf(FileAccess::SaveTarget(name));
    const FileAccess::TFileStamp opened = source->Stamp();
    if (!disk.Exists || disk.Device != opened.Device || disk.Inode != opened.Inode || disk.Size != opened.Size)
        return std::nullopt;
    std::vector<TRange> changed = current.ChangedSince(doc.File.Saved);
    TCount total = 0;
    for (const TRange& range : changed)
        total += range.Count;
    if (total > InPlaceLimit) return std::nullopt;
    return changed;
}

// The application's rollback journal in its recovery folder. A journal still holding the bytes of a save
// that could not be undone is kept for the repair: nothing is saved in place over it.
FileAccess::TRollbackJournal* FreeJournal(TApplication& app) {
    if (!app.RollbackJournal || app.RollbackFolder != app.RecoveryFolder) {
        if (app.RollbackJournal && app.RollbackJournal->Holding()) return nullptr;
        app.RollbackJournal = std::make_shared<FileAccess::TRollbackJournal>(app.RecoveryFolder);
        app.RollbackFolder = app.RecoveryFolder;
    }
    return app.RollbackJournal->Holding() ? nullptr : app.RollbackJournal.get();
}

// Writes the changed ranges over the file in place. Nothing when the journal could not be written and
// the file is untouched: the save then streams as any other.
std::optional<bool> SaveInPlace(TDocument& doc, const std::string& name, const std::vector<TRange>& ranges,
                                FileAccess::TRollbackJournal& journal) {
    const FileAccess::TInPlaceResult saved =
        FileAccess::SaveChangedInPlace(*doc.File.Source, doc.Store.Snapshot(), ranges, journal, doc.App.SaveFaults);
    if (!saved.Ok() && saved.FileIntact && saved.Step == FileAccess::TJournalStep::JournalWrite) return std::nullopt;
    if (!saved.Ok()) {
        TIoResult result;
        result.SetCode(saved.Code);
        std::vector<std::string> notes;
        // A journal left behind puts the old bytes back at the next start.
        if (!saved.FileIntact) notes.emplace_back(Texts::FileMayBeDamaged);
        Report(doc, result, Texts::ErrorWriting, name, notes);
        return false;
    }
    // The contents are saved; only the date the user asked to keep may not be.
    TIoResult time;
    if (doc.App.OldFileTime && doc.File.FileTime != 0) {
        FileAccess::TFile file;
        time.SetCode(file.OpenUpdate(FileAccess::SaveTarget(name)));
        if (time.Ok()) time.SetCode(file.SetModTime(doc.File.FileTime));
        if (time.Ok()) time.SetCode(file.Close());
    }
    SavedAs(doc, name, false);
    if (!time.Ok()) Report(doc, time, Texts::ErrorWriting, name, {Texts::CantSetFileTime});
    return true;
}

} // namespace

bool LoadFile(TDocument& doc, const std::string& name, bool insert, TAddress insertAddress, TCount expectedSize,
              bool* bufferGivenUp) {
    if (bufferGivenUp) *bufferGivenUp = false;
    TDiskWork work(doc);
    TIoResult result;
    if (!insert) {
        // The file is opened, not read: its bytes are read when something needs them.
        std::shared_ptr<FileAccess::TFileSource> source;
        result.SetCode(FileAccess::TFileSource::Open(name, source));
        if (result.Ok() && !SizeFits(source->Size())) result.SetMessage(Texts::CantAllocate);
        if (!result.Ok()) {
            Report(doc, result, Texts::ErrorReading, name);
            return false;
        }
        doc.Store.Load(source, source->Size());
        doc.File.Source = source;
        doc.File.Saved = doc.Store.Snapshot();
        doc.File.UnreadableTold = false;
        doc.File.FileTime = source->Stamp().ModTime;
        RememberDiskState(doc, source->Stamp());
        if (RecoveryWantsHash(doc))
            if (const std::optional<uint64_t> hash = StoreHash(doc.Store.Snapshot())) RecoveryLoaded(doc, *hash);
        return true;
    }

    // An inserted file is copied in: the document must not change when that file changes later.
    FileAccess::TFile file;
    result.SetCode(file.OpenRead(name));
    const int64_t size = result.Ok() ? file.Size() : -1;
    if (result.Ok() && size < 0) result.SetMessage(Texts::ErrorOpeningFile);
    if (result.Ok() && size != expectedSize) result.SetMessage(Texts::ErrorReading);
    int64_t done = 0;
    if (result.Ok()) {
        TProgressScope progress(*doc.App.Host, Texts::ReadingFile, NamePart(name));
        std::vector<uint8_t> chunk(static_cast<size_t>(std::min<int64_t>(size, ReadChunk)));
        while (done < size && result.Ok()) {
            const int64_t want = std::min<int64_t>(size - done, ReadChunk);
            int64_t got = 0;
            result.SetCode(file.Read(chunk.data(), want, got));
            if (result.Ok() && got != want) result.SetMessage(Texts::ErrorReading);
            if (got > 0) doc.Store.Insert(insertAddress + done, std::span(chunk.data(), static_cast<size_t>(got)));
            done += std::max<int64_t>(got, 0);
            doc.App.Host->SetProgress(done, size, 5);
            if (result.Ok() && doc.App.Host->Cancelled()) result.SetMessage(Texts::ReadingCancelled);
        }
    }
    const int closeCode = file.Close();
    if (result.Ok() && closeCode != 0) result.SetCode(closeCode);
    if (!result.Ok()) {
        // Nothing of a failed read stays.
        doc.Store.RemoveBytes(insertAddress, done);
        Report(doc, result, Texts::ErrorReading, name);
        return false;
    }
    return true;
}

bool SaveFile(TDocument& doc, const std::string& name, bool block, TAddress first, TCount count) {
    if (!block) {
        first = 1;
        count = doc.Store.FileSize();
    }
    if (first < 1 || count < 0 || first > doc.Store.FileSize() + 1 ||
        count > doc.Store.FileSize() - first + 1) {
        doc.App.Host->ShowError(FormatText(Texts::ErrorWriting, {NamePart(name)}));
        return false;
    }
    if (!block && !ConfirmSaveOverChange(doc, name)) return false;
    TDiskWork work(doc);
    if (!block)
        if (const std::optional<std::vector<TRange>> ranges = InPlaceRanges(doc, name))
            if (FileAccess::TRollbackJournal* journal = FreeJournal(doc.App))
                if (const std::optional<bool> saved = SaveInPlace(doc, name, *ranges, *journal)) return *saved;

    FileAccess::TReplaceRequest request;
    if (!block && doc.App.OldFileTime && doc.File.FileTime != 0) request.ModTime = doc.File.FileTime;
    request.CopyFolder = doc.App.RecoveryFolder;
    request.KeepBackup = doc.App.BackupOnSave && !block;
    request.ConfirmNoCopy = [&doc, &name] {
        return doc.App.Host->AskYesNo(FormatText(Texts::InPlaceWithoutCopy, {NamePart(name)})) == mrYes;
    };
    // Before the file is overwritten in place (or its previous version copied for a backup), its old
    // contents are copied: a large file takes a while, which the user sees. The copy changes nothing yet,
    // but it is over in one go so that its box never meets the writer's.
    std::optional<TProgressScope> copying;
    request.CopyProgress = [&](int64_t done, int64_t total) {
        if (!copying) {
            copying.emplace(*doc.App.Host, Texts::CopyingOldContents, NamePart(name));
            doc.App.Host->EnableCancel(false);
        }
        doc.App.Host->SetProgress(done, total, 5);
    };
    request.CopyDone = [&copying] { copying.reset(); };
    const TStoreSnapshot contents = block ? doc.Store.Snapshot().Part(first, count) : doc.Store.Snapshot();
    std::optional<TProgressScope> writing;
    int64_t done = 0;
    const FileAccess::TReplaceResult replaced = FileAccess::SaveByStreaming(
        name, contents, request, doc.File.Source, [&](std::span<const uint8_t> bytes) {
            if (!writing) writing.emplace(*doc.App.Host, Texts::WritingFile, NamePart(name));
            done += static_cast<int64_t>(bytes.size());
            doc.App.Host->SetProgress(done, count, 5);
            const bool cancelled = doc.App.Host->Cancelled();
            // Its box closes with the last byte: a backup copy may follow with a box of its own.
            if (done == count) writing.reset();
            return !cancelled;
        });
    writing.reset();
    // The user chose not to risk the file; there is nothing more to say.
    if (replaced.Step == FileAccess::TReplaceStep::Declined) return false;
    if (!replaced.Ok()) {
        TIoResult result;
        if (replaced.Code == FileAccess::SaveCancelled)
            result.SetMessage(Texts::WritingCancelled);
        else if (replaced.Step == FileAccess::TReplaceStep::Close)
            result.SetMessage(Texts::ErrorClosingFile);
        else
            result.SetCode(replaced.Code);
        Report(doc, result, Texts::ErrorWriting, name, SaveNotes(replaced, name));
        return false;
    }
    if (!block) SavedAs(doc, name);
    // The save went well, but the copy of the old contents stays on disk: said once, where it is.
    if (!replaced.StrayTemp.empty())
        doc.App.Host->ShowStatusText(FormatText(Texts::OldContentsCopyLeft, {replaced.StrayTemp}));
    // The save itself went well; only the name of the previous version is not the one asked for.
    if (!replaced.BackupLeft.empty())
        doc.App.Host->ShowError(FormatText(Texts::BackupKeptIn, {NamePart(name), BackupName(name), replaced.BackupLeft}));
    return true;
}

} // namespace Engine
