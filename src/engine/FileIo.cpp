#include "engine/FileIo.h"

#include "engine/ByteStore.h"
#include "engine/FileAccess.h"
#include "engine/FileCommands.h"
#include "engine/HostScopes.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"

#include <algorithm>

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

void Report(const TIoResult& result, const char* osErrorMessage, const std::string& name) {
    std::string title = FileTitleOf(name);
    if (result.Message)
        Host->ShowError(FormatText(result.Message, {title}));
    else
        Host->ShowError(FormatText(osErrorMessage, {title}) + "\r\n" + Texts::IoErrorText(result.Code));
}

} // namespace

bool LoadFile(const std::string& name, bool insert, int32_t insertAddress, int32_t expectedSize,
              bool* bufferGivenUp) {
    if (bufferGivenUp) *bufferGivenUp = false;
    TIoResult result;
    FileAccess::TFile file;
    // The file is opened before the buffer is touched, so that a file that cannot be read costs nothing.
    result.SetCode(file.OpenRead(name));
    int64_t size = result.Ok() ? file.Size() : -1;
    if (result.Ok() && size < 0) result.SetMessage(Texts::ErrorOpeningFile);
    if (result.Ok() && insert && size != expectedSize) result.SetMessage(Texts::ErrorReading);
    if (result.Ok() && !insert && !SizeFits(size)) result.SetMessage(Texts::CantAllocate);

    bool bufferTouched = false;
    if (result.Ok() && !insert) {
        TBusyScope busy(Texts::AllocatingMemory);
        bufferTouched = true;
        FileSize = 0; // the old contents are given up from here on
        if (!BufferArray || !BufferArray->ReAlloc(FileBuffer, CapacityFor(static_cast<int32_t>(size))))
            result.SetMessage(Texts::CantAllocate);
        else
            Capacity = BufferArray->ByteSize;
    }
    if (result.Ok() && !insert) FileTime = file.ModTime();

    int64_t done = 0;
    if (result.Ok()) {
        TProgressScope progress(Texts::ReadingFile, FileTitleOf(name));
        uint8_t* target = FileBuffer + (insert ? insertAddress - 1 : 0);
        while (done < size && result.Ok()) {
            int64_t want = std::min<int64_t>(size - done, ReadChunk);
            int64_t got = 0;
            result.SetCode(file.Read(target + done, want, got));
            if (result.Ok() && got != want) result.SetMessage(Texts::ErrorReading);
            done += got;
            Host->SetProgress(done, size, 5);
            if (result.Ok() && Host->Cancelled()) result.SetMessage(Texts::ReadingCancelled);
        }
    }
    int closeCode = file.Close();
    if (result.Ok() && closeCode != 0) result.SetCode(closeCode);

    if (!result.Ok()) {
        Report(result, Texts::ErrorReading, name);
        if (bufferTouched) {
            // Nothing of a failed read may be saved or shown.
            FileSize = 0;
            Modified = false;
            if (bufferGivenUp) *bufferGivenUp = true;
        }
        return false;
    }
    if (!insert) FileSize = static_cast<int32_t>(done);
    return true;
}

bool SaveFile(const std::string& name, bool block, int32_t first, int32_t count) {
    if (!block) {
        first = 1;
        count = FileSize;
    }
    if (first < 1 || count < 0 || static_cast<int64_t>(first) + count - 1 > FileSize) {
        Host->ShowError(FormatText(Texts::ErrorWriting, {FileTitleOf(name)}));
        return false;
    }

    // The old file is replaced only by a rename of a complete, flushed copy: a failure never destroys it.
    const std::string target = FileAccess::SaveTarget(name);
    TIoResult result;
    FileAccess::TFile file;
    std::string tempPath;
    result.SetCode(FileAccess::CheckWritable(target));
    if (result.Ok()) result.SetCode(file.CreateTempBeside(target, tempPath));
    if (result.Ok()) {
        TProgressScope progress(Texts::WritingFile, FileTitleOf(name));
        const uint8_t* source = FileBuffer + first - 1;
        int64_t done = 0;
        while (done < count && result.Ok()) {
            int64_t piece = std::min<int64_t>(count - done, ReadChunk);
            result.SetCode(file.Write(source + done, piece));
            if (result.Ok()) done += piece;
            Host->SetProgress(done, count, 5);
            if (result.Ok() && Host->Cancelled()) result.SetMessage(Texts::WritingCancelled);
        }
        if (result.Ok()) result.SetCode(file.Sync());
    }
    if (file.IsOpen()) {
        int closeCode = file.Close();
        if (result.Ok() && closeCode != 0) result.SetMessage(Texts::ErrorClosingFile);
    }
    if (result.Ok()) result.SetCode(FileAccess::Rename(tempPath, target));
    if (!result.Ok()) {
        if (!tempPath.empty()) FileAccess::Remove(tempPath);
        Report(result, Texts::ErrorWriting, name);
        return false;
    }
    FileAccess::SyncFolderOf(target);
    if (!block) {
        Modified = false;
        if (OldFileTime && FileTime != 0) FileAccess::SetFileTime(target, FileTime);
    }
    return true;
}

} // namespace Engine
