// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/FileIo.h"

#include "engine/store/ByteStore.h"
#include "engine/document/EngineState.h"
#include "engine/recovery/ContentHash.h"
#include "engine/files/DiskWatch.h"
#include "engine/files/FileAccess.h"
#include "engine/files/FileReplace.h"
#include "engine/document/HostScopes.h"
#include "engine/store/RoomCheck.h"
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

} // namespace

bool LoadFile(TDocument& doc, const std::string& name, bool insert, TAddress insertAddress, TCount expectedSize,
              bool* bufferGivenUp) {
    if (bufferGivenUp) *bufferGivenUp = false;
    TDiskWork work(doc);
    TIoResult result;
    FileAccess::TFile file;
    // The file is opened before the buffer is touched, so that a file that cannot be read costs nothing.
    result.SetCode(file.OpenRead(name));
    int64_t size = result.Ok() ? file.Size() : -1;
    if (result.Ok() && size < 0) result.SetMessage(Texts::ErrorOpeningFile);
    if (result.Ok() && insert && size != expectedSize) result.SetMessage(Texts::ErrorReading);
    if (result.Ok() && !insert && !SizeFits(size)) result.SetMessage(Texts::CantAllocate);
    // Refused before the buffer is touched: the current file stays.
    if (result.Ok() && !insert && !LoadFitsOrRefusal(doc, name, size)) return false;

    bool bufferTouched = false;
    if (result.Ok() && !insert) {
        TBusyScope busy(*doc.App.Host, Texts::AllocatingMemory);
        // A failed realloc keeps the old block, so a file too large for the memory leaves the current one.
        if (!doc.Store.ReallocateForLoad(size))
            result.SetMessage(Texts::CantAllocate);
        else bufferTouched = true;
    }
    if (result.Ok() && !insert) doc.File.FileTime = file.ModTime();
    const FileAccess::TFileStamp stamp = file.Stamp();

    int64_t done = 0;
    // The hash of a whole file's contents, each piece added while it is still in the cache: a recovery
    // journal names the contents it starts from.
    std::optional<TContentHasher> hasher;
    if (result.Ok() && !insert && RecoveryWantsHash(doc)) hasher.emplace();
    if (result.Ok()) {
        TProgressScope progress(*doc.App.Host, Texts::ReadingFile, NamePart(name));
        uint8_t* target =
            insert ? doc.Store.StoreRun(insertAddress, size).data() : doc.Store.LoadTarget();
        while (done < size && result.Ok()) {
            int64_t want = std::min<int64_t>(size - done, ReadChunk);
            int64_t got = 0;
            result.SetCode(file.Read(target + done, want, got));
            if (result.Ok() && got != want) result.SetMessage(Texts::ErrorReading);
            done += got;
            if (hasher && result.Ok()) hasher->Add(target + done - got, static_cast<size_t>(got));
            doc.App.Host->SetProgress(done, size, 5);
            if (result.Ok() && doc.App.Host->Cancelled()) result.SetMessage(Texts::ReadingCancelled);
        }
    }
    int closeCode = file.Close();
    if (result.Ok() && closeCode != 0) result.SetCode(closeCode);

    if (!result.Ok()) {
        Report(doc, result, Texts::ErrorReading, name);
        if (bufferTouched) {
            // Nothing of a failed read may be saved or shown.
            doc.Store.Clear();
            doc.Modified = false;
            if (bufferGivenUp) *bufferGivenUp = true;
        }
        return false;
    }
    if (!insert) {
        doc.Store.Loaded(done);
        RememberDiskState(doc, stamp);
        if (hasher) RecoveryLoaded(doc, hasher->Digest());
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

    // The writer's own answer for a click on Cancel, apart from every DOS error number.
    constexpr int CancelledCode = -1;
    FileAccess::TReplaceRequest request;
    request.Size = count;
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
    // The saved contents' hash, each piece added as it is written, for the recovery journal that starts
    // from them.
    std::optional<TContentHasher> hasher;
    request.WriteContents = [&](FileAccess::TFile& file, bool inPlace) {
        TProgressScope progress(*doc.App.Host, Texts::WritingFile, NamePart(name));
        if (!block && RecoveryWantsHash(doc)) hasher.emplace();
        // Overwriting in place cannot stop half way without spoiling the file.
        if (inPlace) doc.App.Host->EnableCancel(false);
        const uint8_t* source = doc.Store.ContiguousBytes() + first - 1;
        int64_t done = 0;
        while (done < count) {
            const int64_t piece = std::min<int64_t>(count - done, ReadChunk);
            if (const int code = file.Write(source + done, piece)) return code;
            if (hasher) hasher->Add(source + done, static_cast<size_t>(piece));
            done += piece;
            doc.App.Host->SetProgress(done, count, 5);
            if (!inPlace && doc.App.Host->Cancelled()) return CancelledCode;
        }
        return 0;
    };
    const FileAccess::TReplaceResult replaced = FileAccess::ReplaceFile(name, request);
    // The user chose not to risk the file; there is nothing more to say.
    if (replaced.Step == FileAccess::TReplaceStep::Declined) return false;
    if (!replaced.Ok()) {
        TIoResult result;
        if (replaced.Code == CancelledCode)
            result.SetMessage(Texts::WritingCancelled);
        else if (replaced.Step == FileAccess::TReplaceStep::Close)
            result.SetMessage(Texts::ErrorClosingFile);
        else
            result.SetCode(replaced.Code);
        Report(doc, result, Texts::ErrorWriting, name, SaveNotes(replaced, name));
        return false;
    }
    if (!block) {
        doc.Modified = false;
        UndoFileSaved(doc);
        RememberDiskState(doc, FileAccess::StampOf(name));
        if (RecoveryWantsHash(doc))
            RecoverySaved(doc, name, hasher ? hasher->Digest()
                                       : ContentHash(doc.Store.ContiguousBytes(),
                                                     static_cast<size_t>(doc.Store.FileSize())));
    }
    // The save went well, but the copy of the old contents stays on disk: said once, where it is.
    if (!replaced.StrayTemp.empty())
        doc.App.Host->ShowStatusText(FormatText(Texts::OldContentsCopyLeft, {replaced.StrayTemp}));
    // The save itself went well; only the name of the previous version is not the one asked for.
    if (!replaced.BackupLeft.empty())
        doc.App.Host->ShowError(FormatText(Texts::BackupKeptIn, {NamePart(name), BackupName(name), replaced.BackupLeft}));
    return true;
}

} // namespace Engine
