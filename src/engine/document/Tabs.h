// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <span>
#include <string>

// The window's tabs, one document each: where a file being opened goes, and what a tab shows.
namespace Engine {

class TDocument;

struct TOpenPlace {
    enum class TKind {
        Active,   // into the tab shown, after its save question (as with one file at a time)
        NewTab,   // into a new tab after the last
        Existing, // the file is open in tab Index already: that tab is shown
    };
    TKind Kind = TKind::Active;
    size_t Index = 0;
};

// documents: the tabs in order; active: the one shown. A file open in a tab already (the same device and
// inode, whatever the name) goes to that tab. With one file at a time, and while the active tab holds
// neither a file nor unsaved bytes, a file goes into the active tab; else into a new one.
TOpenPlace PlaceForOpen(std::span<TDocument* const> documents, size_t active, const std::string& path,
                        bool oneFileAtATime);

// What the tab shows: the file's name without its folder and, while it has unsaved changes, a "*".
std::string TabTitle(const TDocument& doc);
// The tab's hint: the full path (an untitled file's name).
std::string TabHint(const TDocument& doc);

} // namespace Engine
