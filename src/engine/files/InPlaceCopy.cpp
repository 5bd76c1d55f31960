// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/InPlaceCopy.h"

#include "engine/files/FileAccess.h"
#include "engine/files/Paths.h"

#include <algorithm>
#include <vector>

namespace FileAccess {

namespace {

constexpr int64_t CopyChunk = 131072;

// Copies the first size bytes of from to to, both at their current positions.
int CopyBytes(TFile& from, TFile& to, int64_t size, TCall writeCall, const TCopyProgress& progress = {}) {
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min(size, CopyChunk)));
    for (int64_t done = 0; done < size;) {
        const int64_t want = std::min(size - done, CopyChunk);
        int64_t got = 0;
        if (int code = from.Read(chunk.data(), want, got)) return code;
        // The file shrank under us: a copy of part of it would restore a damaged file.
        if (got != want) return DosError::GeneralFailure;
        if (int code = to.Write(chunk.data(), got, writeCall)) return code;
        done += got;
        if (progress) progress(done, size);
    }
    return 0;
}

} // namespace

bool TInPlaceCopy::Make(const std::string& target, int64_t size, int64_t reserve,
                        const std::string& fallbackFolder, const TCopyProgress& progress) {
    // The state folder is usually on the target's volume, so the reserve is kept there too.
    const int64_t needed = size + reserve;
    LastFailure = MakeAt(target, target, size, needed, progress);
    if (LastFailure == 0) return true;
    if (fallbackFolder.empty() || !MakeFolders(fallbackFolder)) return false;
    LastFailure = MakeAt(fallbackFolder + "/" + NamePart(target), target, size, needed, progress);
    return LastFailure == 0;
}

// The copy is made with the care of a save: a new file of its own, flushed with its folder entry.
int TInPlaceCopy::MakeAt(const std::string& base, const std::string& target, int64_t size, int64_t needed,
                         const TCopyProgress& progress) {
    TFile copy;
    std::string path;
    if (int code = copy.CreateTempBeside(base, path, TCall::CreateCopy)) return code;
    const int64_t free = copy.FreeSpace();
    int code = free >= 0 && free < needed ? DosError::DiskFull : 0;
    TFile source;
    if (code == 0) code = source.OpenRead(target);
    if (code == 0) code = CopyBytes(source, copy, size, TCall::CopyWrite, progress);
    if (code == 0) code = copy.Sync();
    const int closed = copy.Close();
    if (code == 0) code = closed;
    if (code != 0) {
        FileAccess::Remove(path);
        return code;
    }
    SyncFolderOf(path);
    CopyPath = path;
    Size = size;
    return 0;
}

int TInPlaceCopy::RestoreOver(const std::string& target, int64_t modTime) const {
    // Opened afresh: the failed writer's position is somewhere in the middle.
    TFile file;
    TFile copy;
    int code = file.OpenWrite(target);
    if (code == 0) code = copy.OpenRead(CopyPath);
    if (code == 0) code = CopyBytes(copy, file, Size, TCall::RestoreWrite);
    if (code == 0) code = file.Truncate(Size);
    // The old date is only a courtesy; the contents are what matters.
    if (code == 0 && modTime != 0) file.SetModTime(modTime);
    if (code == 0) code = file.Sync();
    const int closed = file.Close();
    return code != 0 ? code : closed;
}

bool TInPlaceCopy::Remove() {
    if (FileAccess::Remove(CopyPath) != 0) return false;
    CopyPath.clear();
    return true;
}

} // namespace FileAccess
