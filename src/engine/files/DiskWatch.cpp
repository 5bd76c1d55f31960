// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/DiskWatch.h"

#include "engine/document/EngineState.h"
#include "engine/files/FileAccess.h"
#include "engine/files/Paths.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"

#include <algorithm>

namespace Engine {

namespace {


// Only a file that came from disk under its name can have been changed there.
bool Watched(TDocument& doc) {
    return doc.FileOpen && !doc.File.Untitled && doc.File.DiskStamp.Exists;
}

} // namespace

TDiskWork::TDiskWork(TDocument& document) : doc(document) {
    ++doc.App.DiskWorkDepth;
}

TDiskWork::~TDiskWork() {
    --doc.App.DiskWorkDepth;
}

void RememberDiskState(TDocument& doc, const FileAccess::TFileStamp& stamp) {
    doc.File.DiskStamp = stamp;
    doc.File.DiskStampTold.reset();
}

void ForgetDiskState(TDocument& doc) {
    RememberDiskState(doc, {});
}

std::optional<FileAccess::TFileStamp> TakeDiskChange(TDocument& doc) {
    if (!Watched(doc) || doc.App.DiskWorkDepth > 0) return std::nullopt;
    const FileAccess::TFileStamp now = FileAccess::StampOf(doc.File.FileName);
    if (now == doc.File.DiskStamp || doc.File.DiskStampTold == now) return std::nullopt;
    doc.File.DiskStampTold = now;
    return now;
}

bool ReadWentWell(TDocument& doc, const TReadResult& result) {
    if (result.Readable()) return true;
    if (!doc.File.UnreadableTold) {
        doc.File.UnreadableTold = true;
        doc.App.Host->ShowError(FormatText(Texts::ShortenedOnDisk, {NamePart(doc.File.FileName), result.At}));
    }
    return false;
}

bool ReadStore(TDocument& doc, TAddress first, TCount count, std::vector<uint8_t>& out) {
    out.resize(static_cast<size_t>(std::max<TCount>(count, 0)));
    return ReadWentWell(doc, doc.Store.CopyOut(first, out));
}

bool ConfirmSaveOverChange(TDocument& doc, const std::string& name) {
    if (!Watched(doc) || name != doc.File.FileName) return true;
    const FileAccess::TFileStamp now = FileAccess::StampOf(name);
    if (!now.Exists || now == doc.File.DiskStamp) return true;
    // This tells of the change too; the activation after the box has nothing more to ask.
    doc.File.DiskStampTold = now;
    return doc.App.Host->AskYesNo(FormatText(Texts::ChangedSinceLoaded, {NamePart(name)})) == mrYes;
}

} // namespace Engine
