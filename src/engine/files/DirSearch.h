// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One entry of a folder: its name as the file system returns it (bytes), whether it is a folder
// (a symbolic link to a folder counts as one; a broken link is a file), and for files the size in bytes
// and the last-write time in seconds since the epoch (of the link itself when it leads nowhere).
struct TDirEntry {
    std::string Name;
    bool IsDirectory = false;
    int64_t Size = 0;
    int64_t ModTime = 0;
};

// Every entry of dir except "." and "..", in the order the file system returns them; with foldersOnly
// just the folders (plain files are then passed over without a look at their details). Returns 0, or
// the errno of a folder that cannot be opened (entries is then empty).
int SearchDirectory(const std::string& dir, std::vector<TDirEntry>& entries, bool foldersOnly = false);
