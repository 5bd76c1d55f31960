// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace FileAccess {

// What tells one state of a file on disk from another without reading it: another program's save changes
// the size or the time, or (by a rename over it) the inode.
struct TFileStamp {
    bool Exists = false;
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = 0;
    int64_t ModTime = 0; // nanoseconds since the epoch

    bool operator==(const TFileStamp&) const = default;
};

} // namespace FileAccess
