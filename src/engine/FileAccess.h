#pragma once

#include <cstdint>
#include <string>

// A thin layer over POSIX file calls. Failures carry DOS/Windows error numbers (2 not found,
// 3 path not found, 4 too many open files, 5 access denied, ...), the numbers the error texts use.
namespace FileAccess {

int DosErrorFromErrno(int err);

// Size of a regular file, or -1 when it cannot be found or is not a regular file.
int64_t FileSizeOf(const std::string& path);
// Modification time in nanoseconds since the epoch, 0 when unknown.
int64_t FileTimeOf(const std::string& path);

class TFile {
public:
    TFile() = default;
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    ~TFile();

    // Each returns 0 or a DOS error number.
    int OpenRead(const std::string& path);
    int CreateWrite(const std::string& path, unsigned mode);
    int Read(uint8_t* target, int64_t count, int64_t& done);
    int Write(const uint8_t* source, int64_t count);
    int Sync();
    int Close();
    bool IsOpen() const { return Fd >= 0; }
    int64_t Size() const; // of the open file, -1 on failure

private:
    int Fd = -1;
};

} // namespace FileAccess
