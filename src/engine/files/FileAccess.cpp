// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/FileAccess.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace FileAccess {

std::function<int(TCall)> InjectedFault;

namespace {

// The errno a test injected for this call, 0 to make the call.
int Injected(TCall call) {
    return InjectedFault ? InjectedFault(call) : 0;
}

int Failed(int err) {
    return DosErrorFromErrno(err);
}

} // namespace

int DosErrorFromErrno(int err) {
    switch (err) {
    case 0:
        return 0;
    case ENOENT:
        return DosError::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return DosError::PathNotFound;
    case EMFILE:
    case ENFILE:
        return DosError::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
    case EBUSY:
        return DosError::AccessDenied;
    case EBADF:
        return DosError::InvalidHandle;
    case ENOMEM:
        return DosError::NotEnoughMemory;
    case EINVAL:
        return DosError::InvalidParameter;
    case EROFS:
        return DosError::WriteProtected;
    case ENXIO:
    case ENODEV:
        return DosError::DriveNotReady;
    case EXDEV:
        return DosError::NotSameDevice;
    case EEXIST:
        return DosError::FileExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return DosError::DiskFull;
    case EIO:
        return DosError::GeneralFailure;
    default:
        return DosError::GeneralFailure;
    }
}

int64_t FileSizeOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<int64_t>(info.st_size);
}

std::string FullPath(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    std::string relative = path;
    while (relative.size() > 2 && relative.compare(0, 2, "./") == 0)
        relative.erase(0, 2);
    char* folder = ::getcwd(nullptr, 0);
    if (!folder) return path;
    std::string result = folder;
    std::free(folder);
    if (result.back() != '/') result += '/';
    return result + relative;
}

std::string SaveTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string result = real;
            std::free(real);
            return result;
        }
    }
    return path;
}

int CheckSaveTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT ? 0 : Failed(errno);
    // stat follows a link; one that leads nowhere fails here.
    if (S_ISLNK(info.st_mode) && ::stat(path.c_str(), &info) != 0) return DosError::AccessDenied;
    return S_ISREG(info.st_mode) ? 0 : DosError::AccessDenied;
}

namespace {

TFileStamp StampFrom(const struct stat& info) {
    TFileStamp stamp;
    stamp.Exists = true;
    stamp.Device = static_cast<uint64_t>(info.st_dev);
    stamp.Inode = static_cast<uint64_t>(info.st_ino);
    stamp.Size = static_cast<int64_t>(info.st_size);
    stamp.ModTime = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

} // namespace

TFileStamp StampOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? StampFrom(info) : TFileStamp{};
}

TFileStamp StampOfOpen(int fd) {
    struct stat info {};
    return fd >= 0 && ::fstat(fd, &info) == 0 ? StampFrom(info) : TFileStamp{};
}

int64_t LinkCount(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return 1;
    return static_cast<int64_t>(info.st_nlink);
}

int CheckWritable(const std::string& path) {
    if (::faccessat(AT_FDCWD, path.c_str(), F_OK, AT_EACCESS) != 0) return 0;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : DosErrorFromErrno(errno);
}

int Rename(const std::string& from, const std::string& to) {
    if (int err = Injected(TCall::Rename)) return Failed(err);
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : Failed(errno);
}

int LinkBeside(const std::string& from, std::string& linkPath) {
    if (int err = Injected(TCall::Link)) return Failed(err);
    // mkstemp finds a name nobody uses; the link takes it over at once.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string pattern = from + ".niblo-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int fd = ::mkstemp(name.data());
        if (fd < 0) return Failed(errno);
        ::close(fd);
        ::unlink(name.data());
        if (::link(from.c_str(), name.data()) == 0) {
            linkPath = name.data();
            return 0;
        }
        if (errno != EEXIST) return Failed(errno);
    }
    return DosError::FileExists;
}

int Remove(const std::string& path) {
    if (int err = Injected(TCall::Remove)) return Failed(err);
    return ::unlink(path.c_str()) == 0 ? 0 : Failed(errno);
}

bool MakeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void SyncFolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

int HoldOpen(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

namespace {

// The threads letting files go; the program waits for them when it ends.
struct TReleases {
    std::mutex Lock;
    std::vector<std::thread> Threads;
    ~TReleases() { FinishReleases(); }
};
TReleases Releases;

} // namespace

void ReleaseLater(int fd) {
    if (fd < 0) return;
    std::lock_guard lock(Releases.Lock);
    try {
        Releases.Threads.emplace_back([fd] { ::close(fd); });
    } catch (const std::system_error&) {
        ::close(fd);
    }
}

void FinishReleases() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(Releases.Lock);
        threads.swap(Releases.Threads);
    }
    for (std::thread& thread : threads)
        thread.join();
}

TFile::~TFile() {
    if (Fd >= 0) ::close(Fd);
}

namespace {

// Opens path without blocking, so that a FIFO never hangs the window; keeps it only when it is a regular
// file (or, with devices, a block device), then lets it block again. fd is -1 on failure.
int OpenChecked(const std::string& path, int flags, bool devices, int& fd) {
    fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Failed(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || (devices && S_ISBLK(info.st_mode)))) {
        ::close(fd);
        fd = -1;
        return DosError::AccessDenied;
    }
    int fileFlags = ::fcntl(fd, F_GETFL);
    if (fileFlags >= 0) ::fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK);
    return 0;
}

} // namespace

int TFile::OpenRead(const std::string& path) {
    return OpenChecked(path, O_RDONLY, false, Fd);
}

int TFile::OpenWrite(const std::string& path) {
    if (int err = Injected(TCall::OpenWrite)) return Failed(err);
    return OpenChecked(path, O_WRONLY, false, Fd);
}

int TFile::OpenUpdate(const std::string& path) {
    return OpenChecked(path, O_RDWR, true, Fd);
}

int TFile::CreateTempBeside(const std::string& target, std::string& tempPath, TCall call) {
    if (int err = Injected(call)) return Failed(err);
    std::string pattern = target + ".niblo-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return Failed(errno);
    tempPath = name.data();
    Fd = fd;
    return 0;
}

int TFile::SetOwner(uint32_t uid, uint32_t gid) {
    if (int err = Injected(TCall::Chown)) return Failed(err);
    return ::fchown(Fd, uid, gid) == 0 ? 0 : Failed(errno);
}

int TFile::SetMode(uint32_t mode) {
    if (int err = Injected(TCall::Chmod)) return Failed(err);
    return ::fchmod(Fd, static_cast<mode_t>(mode)) == 0 ? 0 : Failed(errno);
}

int TFile::SetModTime(int64_t nanoseconds) {
    if (int err = Injected(TCall::SetTime)) return Failed(err);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(nanoseconds / 1000000000);
    times[1].tv_nsec = static_cast<long>(nanoseconds % 1000000000);
    return ::futimens(Fd, times) == 0 ? 0 : Failed(errno);
}

int ReadFully(int fd, uint8_t* target, int64_t count, int64_t offset, int64_t& done) {
    done = 0;
    while (done < count) {
        const auto want = static_cast<size_t>(count - done);
        const ssize_t got = offset < 0 ? ::read(fd, target + done, want) : ::pread(fd, target + done, want, offset + done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return DosErrorFromErrno(errno);
        }
        if (got == 0) break;
        done += got;
    }
    return 0;
}

namespace {

int WriteFully(int fd, const uint8_t* source, int64_t count, int64_t offset) {
    for (int64_t done = 0; done < count;) {
        const auto want = static_cast<size_t>(count - done);
        const ssize_t put = offset < 0 ? ::write(fd, source + done, want) : ::pwrite(fd, source + done, want, offset + done);
        if (put < 0) {
            if (errno == EINTR) continue;
            return DosErrorFromErrno(errno);
        }
        if (put == 0) return DosError::DiskFull;
        done += put;
    }
    return 0;
}

} // namespace

int TFile::Read(uint8_t* target, int64_t count, int64_t& done) {
    return ReadFully(Fd, target, count, -1, done);
}

int TFile::ReadAt(uint8_t* target, int64_t count, int64_t offset, int64_t& done) {
    return ReadFully(Fd, target, count, offset, done);
}

int TFile::Write(const uint8_t* source, int64_t count, TCall call) {
    if (int err = Injected(call)) return Failed(err);
    return WriteFully(Fd, source, count, -1);
}

int TFile::WriteAt(const uint8_t* source, int64_t count, int64_t offset) {
    return WriteFully(Fd, source, count, offset);
}

int TFile::Truncate(int64_t size) {
    if (int err = Injected(TCall::Truncate)) return Failed(err);
    return ::ftruncate(Fd, static_cast<off_t>(size)) == 0 ? 0 : Failed(errno);
}

int TFile::Sync() {
    if (int err = Injected(TCall::Sync)) return Failed(err);
    return ::fsync(Fd) == 0 ? 0 : Failed(errno);
}

int TFile::DataSync() {
    if (int err = Injected(TCall::Sync)) return Failed(err);
    return ::fdatasync(Fd) == 0 ? 0 : Failed(errno);
}

int TFile::LockExclusive() {
    if (::flock(Fd, LOCK_EX | LOCK_NB) == 0) return 0;
    return errno == EWOULDBLOCK ? DosError::AccessDenied : Failed(errno);
}

int TFile::Close() {
    if (Fd < 0) return 0;
    int result = ::close(Fd);
    Fd = -1;
    if (int err = Injected(TCall::Close)) return Failed(err);
    return result == 0 ? 0 : Failed(errno);
}

int64_t TFile::FreeSpace() const {
    if (Injected(TCall::FreeSpace) != 0) return 0;
    struct statvfs info {};
    if (Fd < 0 || ::fstatvfs(Fd, &info) != 0) return -1;
    return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

int64_t TFile::ModTime() const {
    struct stat info {};
    if (Fd < 0 || ::fstat(Fd, &info) != 0) return 0;
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

TFileStamp TFile::Stamp() const {
    return StampOfOpen(Fd);
}

int64_t TFile::Size() const {
    struct stat info {};
    if (Fd < 0 || ::fstat(Fd, &info) != 0) return -1;
    return static_cast<int64_t>(info.st_size);
}

} // namespace FileAccess
