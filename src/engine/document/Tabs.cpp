// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/Tabs.h"

#include "engine/document/Document.h"
#include "engine/files/FileAccess.h"
#include "engine/files/Paths.h"

namespace Engine {

namespace {

// Whether the tab holds the file at path: its own, same device and inode (a second name of the file, or
// the same name reached another way, is the same file).
bool Holds(const TDocument& doc, const FileAccess::TFileStamp& stamp) {
    if (!doc.FileOpen || doc.File.Untitled || !stamp.Exists) return false;
    const FileAccess::TFileStamp own = FileAccess::StampOf(doc.File.FileName);
    return own.Exists && own.Device == stamp.Device && own.Inode == stamp.Inode;
}

} // namespace

TOpenPlace PlaceForOpen(std::span<TDocument* const> documents, size_t active, const std::string& path,
                        bool oneFileAtATime) {
    const FileAccess::TFileStamp stamp = FileAccess::StampOf(FileAccess::FullPath(path));
    for (size_t i = 0; i < documents.size(); ++i)
        if (Holds(*documents[i], stamp)) return {TOpenPlace::TKind::Existing, i};
    if (oneFileAtATime || active >= documents.size()) return {TOpenPlace::TKind::Active, active};
    const TDocument& shown = *documents[active];
    if (!shown.FileOpen && !shown.Modified) return {TOpenPlace::TKind::Active, active};
    return {TOpenPlace::TKind::NewTab, documents.size()};
}

std::string TabTitle(const TDocument& doc) {
    const std::string& name = doc.File.FileName;
    const size_t slash = name.find_last_of('/');
    std::string title = slash == std::string::npos ? name : name.substr(slash + 1);
    if (doc.Modified) title += '*';
    return title;
}

std::string TabHint(const TDocument& doc) {
    return doc.File.FileName;
}

} // namespace Engine
