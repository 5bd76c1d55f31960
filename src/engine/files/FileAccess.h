// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/files/DosError.h"
#include "engine/files/FileStamp.h"

#include <cstdint>
#include <functional>
#include <string>

// A thin layer over POSIX file calls. Failures carry the DOS/Windows error numbers of DosError, the
// numbers the error texts use.
namespace FileAccess {

int DosErrorFromErrno(int err);

// The calls a test can make fail.
enum class TCall {
    CreateTemp,
    OpenWrite,
    Write,
    Truncate,
    Sync,
    Close,
    Chown,
    Chmod,
    SetTime,
    Rename,
    Remove,
    FreeSpace,
    // The safety copy kept while a file is overwritten in place, and putting it back.
    CreateCopy,
    CopyWrite,
    RestoreWrite,
    // The second name that keeps the previous version while a save puts the new one in its place.
    Link
};
// Tests only: when set and it answers an errno other than 0, the call fails with it without being made.
extern std::function<int(TCall)> InjectedFault;

// Size of a regular file, or -1 when it cannot be found or is not a regular file.
int64_t FileSizeOf(const std::string& path);

// path as a full path: a relative one is taken against the working folder now, which the file dialog
// changes later. Nothing else is resolved, so that a link in the path stays a link.
std::string FullPath(const std::string& path);

// The path a save must replace: symbolic links are followed so that the link stays a link.
std::string SaveTarget(const std::string& path);
// 0 when path names a regular file, a link to one, or nothing yet; AccessDenied for a folder, FIFO,
// device, socket or a link that leads nowhere, which a save must not replace.
int CheckSaveTarget(const std::string& path);
// 0 when path may be written (or does not exist yet), else the error a direct write would meet: a
// save goes through a new file and a rename, which must not get round a write-protected file.
int CheckWritable(const std::string& path);
// The file path leads to as it stands now; Exists false when there is none.
TFileStamp StampOf(const std::string& path);
// The same for an open file.
TFileStamp StampOfOpen(int fd);
// The number of names of the file (1 when it cannot be told).
int64_t LinkCount(const std::string& path);
int Rename(const std::string& from, const std::string& to);
// A second name for the file at from, beside it, unused until now (returned in linkPath).
int LinkBeside(const std::string& from, std::string& linkPath);
int Remove(const std::string& path);
// Creates folder and the folders above it that are missing, private to the user (0700). False when folder
// is not a folder afterwards.
bool MakeFolders(const std::string& folder);
// Makes a rename inside the folder of path durable.
void SyncFolderOf(const std::string& path);
// The file at path held open (-1 when it cannot be), so that a rename over it does not wait while the
// system frees its blocks and cached pages (a second and more for gigabytes); ReleaseLater lets them go
// on a thread of its own.
int HoldOpen(const std::string& path);
void ReleaseLater(int fd);
// Waits until every file given to ReleaseLater is let go.
void FinishReleases();

// Reads count bytes of fd at offset (-1: at its position), retrying where a call is interrupted or short;
// done falls short only at the file's end or on an error.
int ReadFully(int fd, uint8_t* target, int64_t count, int64_t offset, int64_t& done);

class TFile {
  public:
    TFile() = default;
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    ~TFile();

    // Each returns 0 or a DOS error number.
    int OpenRead(const std::string& path);
    // An existing regular file for overwriting in place; nothing is cut.
    int OpenWrite(const std::string& path);
    // An existing regular file or block device to read and write at given offsets; nothing is cut.
    int OpenUpdate(const std::string& path);
    // A new, empty file beside target with a unique name (returned in tempPath), readable by its owner only.
    // call: the step a test may make fail.
    int CreateTempBeside(const std::string& target, std::string& tempPath, TCall call = TCall::CreateTemp);
    // Owner and group, then permissions (a change of owner clears the set-user and set-group bits).
    int SetOwner(uint32_t uid, uint32_t gid);
    int SetMode(uint32_t mode);
    int SetModTime(int64_t nanoseconds);
    int Read(uint8_t* target, int64_t count, int64_t& done);
    int Write(const uint8_t* source, int64_t count, TCall call = TCall::Write);
    // At offset, leaving the position alone; done falls short only at the file's end.
    int ReadAt(uint8_t* target, int64_t count, int64_t offset, int64_t& done);
    int WriteAt(const uint8_t* source, int64_t count, int64_t offset);
    int Truncate(int64_t size);
    int Sync();
    // The contents and what reading them needs (the size), not the times: enough where only bytes changed.
    int DataSync();
    // An exclusive lock on the open file for as long as it stays open; AccessDenied while another holds one.
    int LockExclusive();
    int Close();
    // Bytes the owner may still add to the file's volume, -1 when unknown.
    int64_t FreeSpace() const;
    bool IsOpen() const { return Fd >= 0; }
    int64_t Size() const;    // of the open file, -1 on failure
    int64_t ModTime() const; // of the open file, nanoseconds since the epoch, 0 when unknown
    TFileStamp Stamp() const;

  private:
    int Fd = -1;
};

} // namespace FileAccess
