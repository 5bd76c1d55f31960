#include "engine/FileAccess.h"

#include <cerrno>
#include <cstdlib>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileAccess {

int DosErrorFromErrno(int err) {
    switch (err) {
    case 0:
        return 0;
    case ENOENT:
        return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return 3;
    case EMFILE:
    case ENFILE:
        return 4;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
    case EBUSY:
        return 5;
    case EBADF:
        return 6;
    case ENOMEM:
        return 8;
    case EINVAL:
        return 87;
    case EROFS:
        return 19;
    case ENXIO:
    case ENODEV:
        return 21;
    case EXDEV:
        return 17;
    case EEXIST:
        return 80;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return 112;
    case EIO:
        return 31;
    default:
        return 31;
    }
}

int64_t FileSizeOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<int64_t>(info.st_size);
}

int64_t FileTimeOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return 0;
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
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

int CheckWritable(const std::string& path) {
    if (::faccessat(AT_FDCWD, path.c_str(), F_OK, AT_EACCESS) != 0) return 0;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : DosErrorFromErrno(errno);
}

int Rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : DosErrorFromErrno(errno);
}

int Remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : DosErrorFromErrno(errno);
}

int SetFileTime(const std::string& path, int64_t nanoseconds) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(nanoseconds / 1000000000);
    times[1].tv_nsec = static_cast<long>(nanoseconds % 1000000000);
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : DosErrorFromErrno(errno);
}

void SyncFolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

TFile::~TFile() {
    if (Fd >= 0) ::close(Fd);
}

int TFile::OpenRead(const std::string& path) {
    // Non-blocking, so that a FIFO or device never hangs the window; only regular files are read.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return DosErrorFromErrno(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return 5;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    Fd = fd;
    return 0;
}

int TFile::CreateTempBeside(const std::string& target, std::string& tempPath) {
    std::string pattern = target + ".niblo-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return DosErrorFromErrno(errno);
    tempPath = name.data();
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Another owner cannot be given away without privileges; the file stays the user's.
        }
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    Fd = fd;
    return 0;
}

int TFile::Read(uint8_t* target, int64_t count, int64_t& done) {
    done = 0;
    while (done < count) {
        ssize_t got = ::read(Fd, target + done, static_cast<size_t>(count - done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return DosErrorFromErrno(errno);
        }
        if (got == 0) break;
        done += got;
    }
    return 0;
}

int TFile::Write(const uint8_t* source, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        ssize_t put = ::write(Fd, source + done, static_cast<size_t>(count - done));
        if (put < 0) {
            if (errno == EINTR) continue;
            return DosErrorFromErrno(errno);
        }
        if (put == 0) return 112;
        done += put;
    }
    return 0;
}

int TFile::Sync() {
    return ::fsync(Fd) == 0 ? 0 : DosErrorFromErrno(errno);
}

int TFile::Close() {
    if (Fd < 0) return 0;
    int result = ::close(Fd);
    Fd = -1;
    return result == 0 ? 0 : DosErrorFromErrno(errno);
}

int64_t TFile::ModTime() const {
    struct stat info {};
    if (Fd < 0 || ::fstat(Fd, &info) != 0) return 0;
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

int64_t TFile::Size() const {
    struct stat info {};
    if (Fd < 0 || ::fstat(Fd, &info) != 0) return -1;
    return static_cast<int64_t>(info.st_size);
}

} // namespace FileAccess
