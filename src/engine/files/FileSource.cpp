// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/FileSource.h"

#include "engine/files/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileAccess {

const TDeviceProbe& SystemDeviceProbe() {
    static const TDeviceProbe probe{
        [](int fd) {
            struct stat info {};
            return ::fstat(fd, &info) == 0 && S_ISBLK(info.st_mode);
        },
        [](int fd) -> int64_t {
            uint64_t size = 0;
            return ::ioctl(fd, BLKGETSIZE64, &size) == 0 ? static_cast<int64_t>(size) : -1;
        },
        [](int fd) {
            int size = 0;
            return ::ioctl(fd, BLKSSZGET, &size) == 0 && size > 0 ? size : 512;
        }};
    return probe;
}

TFileSource::THandle::~THandle() {
    if (Fd >= 0) ::close(Fd);
}

TFileSource::~TFileSource() = default;

int TFileSource::Open(const std::string& path, std::shared_ptr<TFileSource>& opened, const TDeviceProbe& probe) {
    // Non-blocking, so that a FIFO never hangs the window; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return DosErrorFromErrno(errno);
    auto handle = std::make_shared<THandle>();
    handle->Fd = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0) return DosErrorFromErrno(errno);
    std::shared_ptr<TFileSource> source(new TFileSource());
    source->Device = probe.IsDevice(fd);
    if (!source->Device && !S_ISREG(info.st_mode)) return DosError::AccessDenied;
    source->OpenedSize = source->Device ? probe.DeviceSize(fd) : static_cast<int64_t>(info.st_size);
    if (source->OpenedSize < 0) return DosError::GeneralFailure;
    if (source->Device) source->Sector = probe.SectorSize(fd);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    source->Name = path;
    source->OpenedStamp = StampOfOpen(fd);
    source->OpenedStamp.Size = source->OpenedSize;
    source->Handle = std::move(handle);
    opened = std::move(source);
    return 0;
}

std::shared_ptr<TFileSource::THandle> TFileSource::CurrentHandle() const {
    std::lock_guard lock(Lock);
    return Handle;
}

int64_t TFileSource::ReadDisk(int64_t offset, std::span<uint8_t> into) const {
    // Held for the whole read, so that ReadFrom cannot close the descriptor under it.
    const std::shared_ptr<THandle> handle = CurrentHandle();
    int64_t done = 0;
    const int code = ReadFully(handle->Fd, into.data(), static_cast<int64_t>(into.size()), offset, done);
    if (done < static_cast<int64_t>(into.size())) {
        Error.store(code);
        Failed.store(true);
    }
    return done;
}

int64_t TFileSource::Read(int64_t offset, std::span<uint8_t> into) const {
    const int64_t done = ReadDisk(offset, into);
    if (AnyKept.load()) PatchKept(offset, into, done);
    return done;
}

void TFileSource::PatchKept(int64_t offset, std::span<uint8_t> into, int64_t count) const {
    std::lock_guard lock(Lock);
    const int64_t end = offset + count;
    auto it = Kept.upper_bound(offset);
    if (it != Kept.begin()) --it;
    for (; it != Kept.end() && it->first < end; ++it) {
        const int64_t from = std::max(offset, it->first);
        const int64_t to = std::min(end, it->first + static_cast<int64_t>(it->second.size()));
        if (from < to)
            std::memcpy(into.data() + (from - offset), it->second.data() + (from - it->first),
                        static_cast<size_t>(to - from));
    }
}

void TFileSource::KeepOldBytes(int64_t offset, std::span<const uint8_t> bytes) {
    std::lock_guard lock(Lock);
    const int64_t end = offset + static_cast<int64_t>(bytes.size());
    // Only the stretches no kept bytes cover yet: those hold the bytes as opened.
    int64_t at = offset;
    auto keep = [&](int64_t to) {
        if (to > at) Kept.emplace(at, std::vector<uint8_t>(bytes.begin() + (at - offset), bytes.begin() + (to - offset)));
    };
    auto it = Kept.upper_bound(offset);
    if (it != Kept.begin() && std::prev(it)->first + static_cast<int64_t>(std::prev(it)->second.size()) > offset) --it;
    std::vector<std::pair<int64_t, int64_t>> covered;
    for (; it != Kept.end() && it->first < end; ++it)
        covered.emplace_back(it->first, it->first + static_cast<int64_t>(it->second.size()));
    for (const auto& [from, to] : covered) {
        keep(std::min(from, end));
        at = std::max(at, to);
    }
    keep(end);
    AnyKept.store(!Kept.empty());
}

void TFileSource::ReadFrom(int fd) {
    auto handle = std::make_shared<THandle>();
    handle->Fd = fd;
    std::lock_guard lock(Lock);
    Handle = std::move(handle);
    Copied.store(true);
}

} // namespace FileAccess
