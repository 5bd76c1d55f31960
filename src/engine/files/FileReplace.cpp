// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/FileReplace.h"

#include <algorithm>
#include <sys/stat.h>

namespace FileAccess {

namespace {

bool Fail(TReplaceResult& result, int code, TReplaceStep step) {
    if (code == 0) return false;
    result.Code = code;
    result.Step = step;
    return true;
}

// The previous version, still at target, gets a second name beside it (returned in path): a hard link,
// or a flushed copy where the volume has no hard links.
int KeepPrevious(const std::string& target, int64_t size, const TReplaceRequest& request, std::string& path) {
    if (LinkBeside(target, path) == 0) return 0;
    TInPlaceCopy copy;
    const bool made = copy.Make(target, size, 0, std::string(), request.CopyProgress);
    if (request.CopyDone) request.CopyDone();
    if (!made) return copy.Failure();
    path = copy.Path();
    return 0;
}

// The new contents are in place: the previous version takes the backup name, or stays where it is.
void NameBackup(const std::string& previous, const std::string& target, TReplaceResult& result) {
    if (Rename(previous, BackupPathOf(target)) != 0) result.BackupLeft = previous;
}

// Overwrites the file where it stands, which keeps every name, the owner and the permissions. Free space
// is checked first, so a full disk, the usual failure, is met before a byte changes. The new contents
// are written over the old ones before the file is cut to its new length, and a flushed copy of the old
// contents puts them back should anything fail part way, which would otherwise leave new bytes before old
// ones.
TReplaceResult ReplaceInPlace(const std::string& target, const TReplaceRequest& request) {
    TReplaceResult result;
    TFile file;
    if (Fail(result, file.OpenWrite(target), TReplaceStep::Create)) return result;
    const int64_t oldSize = file.Size();
    const int64_t oldTime = file.ModTime();
    const int64_t growth = request.Size - oldSize;
    const int64_t free = file.FreeSpace();
    if (growth > 0 && free >= 0 && free < growth) {
        Fail(result, DosError::DiskFull, TReplaceStep::Space);
        return result;
    }
    TInPlaceCopy copy;
    // A backup must be beside the file to take its name there, so it is made nowhere else.
    const std::string fallback = request.KeepBackup ? std::string() : request.CopyFolder;
    const bool made =
        copy.Make(target, oldSize, std::max<int64_t>(growth, 0), fallback, request.CopyProgress);
    if (request.CopyDone) request.CopyDone();
    if (!made) {
        if (request.KeepBackup) {
            Fail(result, copy.Failure(), TReplaceStep::Backup);
            return result;
        }
        if (request.ConfirmNoCopy && !request.ConfirmNoCopy()) {
            result.Step = TReplaceStep::Declined;
            return result;
        }
    }
    if (Fail(result, request.WriteContents(file, true), TReplaceStep::Contents) ||
        Fail(result, file.Truncate(request.Size), TReplaceStep::Contents) ||
        (request.ModTime != 0 && Fail(result, file.SetModTime(request.ModTime), TReplaceStep::Time)) ||
        Fail(result, file.Sync(), TReplaceStep::Sync)) {
        file.Close();
        if (!copy.Made() || copy.RestoreOver(target, oldTime) != 0) {
            result.Damaged = true;
            result.KeptCopy = copy.Path();
            return result;
        }
    } else {
        Fail(result, file.Close(), TReplaceStep::Close);
    }
    if (copy.Made() && request.KeepBackup && result.Ok())
        NameBackup(copy.Path(), target, result);
    else if (copy.Made() && !copy.Remove())
        result.StrayTemp = copy.Path();
    return result;
}

// Gives the temporary file the old file's owner, then its permissions: a change of owner clears the
// set-user and set-group bits, so the other order would lose them.
TReplaceResult KeepIdentity(TFile& file, const struct stat* old) {
    TReplaceResult result;
    if (!old) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        Fail(result, file.SetMode(0666 & ~mask), TReplaceStep::Mode);
        return result;
    }
    if (Fail(result, file.SetOwner(old->st_uid, old->st_gid), TReplaceStep::Owner)) return result;
    Fail(result, file.SetMode(old->st_mode & 07777), TReplaceStep::Mode);
    return result;
}

} // namespace

std::string BackupPathOf(const std::string& target) {
    return target + ".bak";
}

TReplaceResult ReplaceFile(const std::string& path, const TReplaceRequest& request) {
    TReplaceResult result;
    if (Fail(result, CheckSaveTarget(path), TReplaceStep::Target)) return result;
    const std::string target = SaveTarget(path);
    if (Fail(result, CheckWritable(target), TReplaceStep::Target)) return result;

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // Whatever is in the backup's place must be a file a rename may replace, before anything changes.
    if (exists && request.KeepBackup &&
        Fail(result, CheckSaveTarget(BackupPathOf(target)), TReplaceStep::Backup))
        return result;
    // A rename would leave the other names with the old contents.
    if (exists && old.st_nlink > 1) return ReplaceInPlace(target, request);

    TFile file;
    std::string tempPath;
    const int created = file.CreateTempBeside(target, tempPath);
    // The folder takes no new file, but the file itself may be written.
    if (created == DosError::AccessDenied && exists) return ReplaceInPlace(target, request);
    if (Fail(result, created, TReplaceStep::Create)) return result;

    result = KeepIdentity(file, exists ? &old : nullptr);
    if (result.Step == TReplaceStep::Owner && result.Code == DosError::AccessDenied) {
        // Only the owner's privileges could give the file back to its owner: keep it by writing in place.
        file.Close();
        if (Remove(tempPath) != 0) {
            result.StrayTemp = tempPath;
            return result;
        }
        return ReplaceInPlace(target, request);
    }
    if (result.Ok()) Fail(result, request.WriteContents(file, false), TReplaceStep::Contents);
    if (result.Ok() && request.ModTime != 0)
        Fail(result, file.SetModTime(request.ModTime), TReplaceStep::Time);
    if (result.Ok()) Fail(result, file.Sync(), TReplaceStep::Sync);
    const int closed = file.Close();
    if (result.Ok()) Fail(result, closed, TReplaceStep::Close);
    // Named before the rename, so that the previous version is never without a name.
    std::string previous;
    if (result.Ok() && exists && request.KeepBackup)
        Fail(result, KeepPrevious(target, old.st_size, request, previous), TReplaceStep::Backup);
    // The old contents go after the save rather than during it.
    const int oldContents = result.Ok() && exists && previous.empty() ? HoldOpen(target) : -1;
    if (result.Ok()) Fail(result, Rename(tempPath, target), TReplaceStep::Rename);
    ReleaseLater(oldContents);
    if (!result.Ok()) {
        if (Remove(tempPath) != 0) result.StrayTemp = tempPath;
        if (!previous.empty() && Remove(previous) != 0 && result.StrayTemp.empty()) result.StrayTemp = previous;
        return result;
    }
    if (!previous.empty()) NameBackup(previous, target, result);
    SyncFolderOf(target);
    return result;
}

} // namespace FileAccess
