// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// A flushed copy of a file's old contents, kept while the file is overwritten in place so that a failure
// part way can put them back.
namespace FileAccess {

// Told the bytes copied so far and the total as a copy grows.
using TCopyProgress = std::function<void(int64_t done, int64_t total)>;

class TInPlaceCopy {
  public:
    // Copies the size bytes of target beside it, else into fallbackFolder (created when missing; empty:
    // nowhere else). The copy's volume must keep reserve bytes free besides the copy, for the growth of
    // target. False when no place could take the copy; nothing is left behind then.
    bool Make(const std::string& target, int64_t size, int64_t reserve, const std::string& fallbackFolder,
              const TCopyProgress& progress = {});
    // Writes the copy over target from its start, cuts target to the copy's length, gives it modTime
    // (nanoseconds since the epoch, 0: leave it) and flushes it. 0 or a DOS error number.
    int RestoreOver(const std::string& target, int64_t modTime) const;
    // False when the copy stays on disk.
    bool Remove();

    bool Made() const { return !CopyPath.empty(); }
    // Why the last Make failed: a DOS error number.
    int Failure() const { return LastFailure; }
    const std::string& Path() const { return CopyPath; }

  private:
    int MakeAt(const std::string& base, const std::string& target, int64_t size, int64_t needed,
               const TCopyProgress& progress);

    std::string CopyPath;
    int64_t Size = 0;
    int LastFailure = 0;
};

} // namespace FileAccess
