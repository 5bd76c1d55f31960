// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/files/FileStamp.h"
#include "engine/store/PieceStore.h"

#include <optional>
#include <string>
#include <vector>

// Noticing that another program changed or deleted the open file on disk.
namespace Engine {

class TDocument;

// Remembers the file as it stands on disk after a load or a save; a new or closed file has nothing.
void RememberDiskState(TDocument& doc, const FileAccess::TFileStamp& stamp);
void ForgetDiskState(TDocument& doc);
// The state on disk when another program changed or deleted the file since it was loaded or saved and
// the user has not been told of that state yet; it counts as told from here on.
std::optional<FileAccess::TFileStamp> TakeDiskChange(TDocument& doc);
// Before a whole save to name: false when the file there was changed by another program since it was
// loaded or saved and the user keeps those changes. A deleted file is simply written anew.
bool ConfirmSaveOverChange(TDocument& doc, const std::string& name);

// A read of the store came up short (the file shrank or failed under us): says so once, naming the bytes
// lost, and returns false; true for a read that went well.
bool ReadWentWell(TDocument& doc, const TReadResult& result);
// The bytes first .. first + count - 1 into out, or false after saying why they cannot be read.
bool ReadStore(TDocument& doc, TAddress first, TCount count, std::vector<uint8_t>& out);

// Held while a file is read or written: the file is ours then, and a box shown meanwhile may activate
// the window before the new state is remembered.
class TDiskWork {
  public:
    explicit TDiskWork(TDocument& doc);
    ~TDiskWork();
    TDiskWork(const TDiskWork&) = delete;
    TDiskWork& operator=(const TDiskWork&) = delete;

  private:
    TDocument& doc;
};

} // namespace Engine
