// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/DiskWatch.h"

#include "engine/document/EngineState.h"
#include "engine/files/FileAccess.h"
#include "engine/files/Paths.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"

namespace Engine {

namespace {

int DiskWorkDepth = 0;

// Only a file that came from disk under its name can have been changed there.
bool Watched() {
    return Doc().FileOpen && !Doc().File.Untitled && Doc().File.DiskStamp.Exists;
}

} // namespace

TDiskWork::TDiskWork() {
    ++DiskWorkDepth;
}

TDiskWork::~TDiskWork() {
    --DiskWorkDepth;
}

void RememberDiskState(const FileAccess::TFileStamp& stamp) {
    Doc().File.DiskStamp = stamp;
    Doc().File.DiskStampTold.reset();
}

void ForgetDiskState() {
    RememberDiskState({});
}

std::optional<FileAccess::TFileStamp> TakeDiskChange() {
    if (!Watched() || DiskWorkDepth > 0) return std::nullopt;
    const FileAccess::TFileStamp now = FileAccess::StampOf(Doc().File.FileName);
    if (now == Doc().File.DiskStamp || Doc().File.DiskStampTold == now) return std::nullopt;
    Doc().File.DiskStampTold = now;
    return now;
}

bool ConfirmSaveOverChange(const std::string& name) {
    if (!Watched() || name != Doc().File.FileName) return true;
    const FileAccess::TFileStamp now = FileAccess::StampOf(name);
    if (!now.Exists || now == Doc().File.DiskStamp) return true;
    // This tells of the change too; the activation after the box has nothing more to ask.
    Doc().File.DiskStampTold = now;
    return Host->AskYesNo(FormatText(Texts::ChangedSinceLoaded, {NamePart(name)})) == mrYes;
}

} // namespace Engine
