// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/files/FileAccess.h"
#include "engine/files/InPlaceCopy.h"

#include <cstdint>
#include <functional>
#include <string>

// Replacing a file's contents so that a failure never destroys the old file: shared by saving and the
// settings file.
namespace FileAccess {

// Where a replacement failed.
enum class TReplaceStep {
    None,
    Target,
    Create,
    Owner,
    Mode,
    Space,
    Declined, // ConfirmNoCopy answered no, and nothing was changed
    Backup,   // the previous version could not be kept, and nothing was changed
    Contents,
    Time,
    Sync,
    Close,
    Rename
};

struct TReplaceResult {
    int Code = 0; // a DOS error number, or what WriteContents answered
    TReplaceStep Step = TReplaceStep::None;
    std::string StrayTemp; // a temporary file (or the copy of the old contents) that could not be removed
    // Overwriting in place failed and the old contents could not be put back.
    bool Damaged = false;
    std::string KeptCopy; // where the old contents of a damaged file are still kept
    // The replacement succeeded, but the previous version could not take its backup name: it is here.
    std::string BackupLeft;
    bool Ok() const { return Code == 0 && Step == TReplaceStep::None; }
};

struct TReplaceRequest {
    int64_t Size = 0; // of the new contents
    // Writes the new contents from the start of the file; returns 0 or a nonzero code that fails the
    // replacement and is handed back unchanged. inPlace: the old file is being overwritten, so stopping
    // part way would leave it half new.
    std::function<int(TFile& file, bool inPlace)> WriteContents;
    int64_t ModTime = 0; // nanoseconds since the epoch to give the file; 0 leaves the time of writing
    // Before a file is overwritten in place its old contents are copied beside it, else into this folder.
    std::string CopyFolder;
    // Told how the copy of the old contents grows, for a large file that takes a while; CopyDone follows
    // once the copy ended, made or not.
    TCopyProgress CopyProgress;
    std::function<void()> CopyDone;
    // Asked when no copy could be made; false gives up before anything changes. Unset: go on.
    std::function<bool()> ConfirmNoCopy;
    // The previous version stays as the target's name with ".bak" (replacing an older one) once the new
    // contents are in place; when it cannot be kept, nothing is replaced.
    bool KeepBackup = false;
};

// Where KeepBackup puts the previous version of target.
std::string BackupPathOf(const std::string& target);

// The new contents go to a temporary file beside the target that takes over the old file's owner and
// permissions and is renamed over it once flushed. Where a rename would lose the file's identity (more
// names than one, an owner that cannot be given back, a folder that takes no new file), the file is
// overwritten in place instead. Symbolic links are followed; anything but a regular file is refused.
TReplaceResult ReplaceFile(const std::string& path, const TReplaceRequest& request);

} // namespace FileAccess
