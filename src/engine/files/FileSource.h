// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/files/FileStamp.h"
#include "engine/store/PieceSource.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

// An opened file as the source of the store's pieces: bytes are read with pread when they are needed, never
// mapped, so that a file another program shortens can only make reads come up short, never end the process.
namespace FileAccess {

// Whether an open file is a block device, and what such a device holds: the one seam through which a test
// makes a regular file stand in for a disk.
struct TDeviceProbe {
    std::function<bool(int fd)> IsDevice;
    std::function<int64_t(int fd)> DeviceSize; // bytes, -1 when unknown
    std::function<int(int fd)> SectorSize;     // bytes a write must cover whole
};
// The system's answers: S_ISBLK, BLKGETSIZE64, BLKSSZGET.
const TDeviceProbe& SystemDeviceProbe();

class TFileSource final : public Engine::TPieceSource {
  public:
    // Opens path for reading: a regular file or a block device (anything else is refused with AccessDenied).
    // 0 or a DOS error number.
    static int Open(const std::string& path, std::shared_ptr<TFileSource>& opened,
                    const TDeviceProbe& probe = SystemDeviceProbe());
    ~TFileSource() override;

    const std::string& Path() const { return Name; }
    int64_t Size() const { return OpenedSize; } // as it was opened
    bool IsDevice() const { return Device; }
    int SectorSize() const { return Sector; }
    TFileStamp Stamp() const { return OpenedStamp; }

    const uint8_t* Bytes(int64_t) const override { return nullptr; }
    // The bytes as they were when the file was opened: what the disk holds, except where a save wrote over
    // them and kept their old bytes here. Short where the file can no longer give them.
    int64_t Read(int64_t offset, std::span<uint8_t> into) const override;
    // What the disk holds now, ignoring kept bytes.
    int64_t ReadDisk(int64_t offset, std::span<uint8_t> into) const;
    // The DOS error number of the last read that came up short (0: none did, or it met the file's end).
    int LastError() const { return Error.load(); }
    // Whether a read ever came up short: the file changed under us.
    bool ReadFailed() const { return Failed.load(); }

    // A save in place is about to write over the bytes at offset: they are kept, so that pieces that refer
    // to them still read the file as it was opened. Where bytes are kept already, those stay.
    void KeepOldBytes(int64_t offset, std::span<const uint8_t> bytes);
    // Reads go to fd from now on (a copy that holds the same bytes, made before the file is overwritten);
    // this source closes it. The file itself then holds other bytes: open it afresh to save it in place.
    void ReadFrom(int fd);
    bool ReadsCopy() const { return Copied.load(); }

  private:
    TFileSource() = default;
    struct THandle {
        int Fd = -1;
        ~THandle();
    };
    std::shared_ptr<THandle> CurrentHandle() const;
    void PatchKept(int64_t offset, std::span<uint8_t> into, int64_t count) const;

    std::string Name;
    int64_t OpenedSize = 0;
    bool Device = false;
    int Sector = 512;
    TFileStamp OpenedStamp;
    mutable std::atomic<int> Error{0};
    mutable std::atomic<bool> Failed{false};
    mutable std::mutex Lock; // guards Handle and Kept
    std::shared_ptr<THandle> Handle;
    std::map<int64_t, std::vector<uint8_t>> Kept; // by offset, never overlapping
    std::atomic<bool> AnyKept{false};
    std::atomic<bool> Copied{false};
};

} // namespace FileAccess
