#pragma once

#include "engine/FileStamp.h"

#include <string>

// Noticing that another program changed or deleted the open file on disk.
namespace Engine {

// Remembers the file as it stands on disk after a load or a save; a new or closed file has nothing.
void RememberDiskState(const FileAccess::TFileStamp& stamp);
void ForgetDiskState();
// The window became active: a change made by another program is told once, with the offer to load the
// file again (which drops the changes made here).
void CheckDiskOnActivate();
// Before a whole save to name: false when the file there was changed by another program since it was
// loaded or saved and the user keeps those changes. A deleted file is simply written anew.
bool ConfirmSaveOverChange(const std::string& name);

// Held while a file is read or written: the file is ours then, and a box shown meanwhile may activate
// the window before the new state is remembered.
class TDiskWork {
  public:
    TDiskWork();
    ~TDiskWork();
    TDiskWork(const TDiskWork&) = delete;
    TDiskWork& operator=(const TDiskWork&) = delete;
};

} // namespace Engine
