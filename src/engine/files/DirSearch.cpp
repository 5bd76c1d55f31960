// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/DirSearch.h"

#include <sys/stat.h>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>

int SearchDirectory(const std::string& dir, std::vector<TDirEntry>& entries, bool foldersOnly) {
    entries.clear();
    DIR* handle = ::opendir(dir.empty() ? "/" : dir.c_str());
    if (!handle) return errno;
    const int fd = ::dirfd(handle);
    while (const dirent* entry = ::readdir(handle)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == ".." || (foldersOnly && entry->d_type == DT_REG)) continue;
        TDirEntry row;
        row.Name = entry->d_name;
        // A real folder needs no further look; everything else needs its size and time, and a link is
        // judged by its target.
        if (entry->d_type == DT_DIR) {
            row.IsDirectory = true;
        } else {
            struct stat info {};
            if (::fstatat(fd, entry->d_name, &info, 0) != 0 &&
                ::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // gone since the folder was read
            row.IsDirectory = S_ISDIR(info.st_mode);
            if (foldersOnly && !row.IsDirectory) continue;
            row.Size = info.st_size;
            row.ModTime = info.st_mtime;
        }
        entries.push_back(std::move(row));
    }
    ::closedir(handle);
    return 0;
}
