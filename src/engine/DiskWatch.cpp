#include "engine/DiskWatch.h"

#include "engine/EngineState.h"
#include "engine/FileAccess.h"
#include "engine/FileCommands.h"
#include "engine/Paths.h"
#include "engine/StringTable.h"
#include "engine/TextFormat.h"

namespace Engine {

namespace {

int DiskWorkDepth = 0;

// Only a file that came from disk under its name can have been changed there.
bool Watched() {
    return FileOpen && !Untitled && DiskStamp.Exists;
}

} // namespace

TDiskWork::TDiskWork() {
    ++DiskWorkDepth;
}

TDiskWork::~TDiskWork() {
    --DiskWorkDepth;
}

void RememberDiskState(const FileAccess::TFileStamp& stamp) {
    DiskStamp = stamp;
    DiskStampTold.reset();
}

void ForgetDiskState() {
    RememberDiskState({});
}

void CheckDiskOnActivate() {
    if (!Watched() || DiskWorkDepth > 0) return;
    const FileAccess::TFileStamp now = FileAccess::StampOf(FileName);
    if (now == DiskStamp || DiskStampTold == now) return;
    // Remembered before the box opens: closing it activates the window again.
    DiskStampTold = now;
    const std::string name = NamePart(FileName);
    if (!now.Exists) {
        Host->ShowInfo(FormatText(Texts::DeletedOnDisk, {name}));
        return;
    }
    const char* question = Modified ? Texts::ChangedOnDiskModified : Texts::ChangedOnDisk;
    if (Host->AskYesNo(FormatText(question, {name})) != mrYes) return;
    OpenFile(FileName, false);
}

bool ConfirmSaveOverChange(const std::string& name) {
    if (!Watched() || name != FileName) return true;
    const FileAccess::TFileStamp now = FileAccess::StampOf(name);
    if (!now.Exists || now == DiskStamp) return true;
    return Host->AskYesNo(FormatText(Texts::ChangedSinceLoaded, {NamePart(name)})) == mrYes;
}

} // namespace Engine
