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

// The path a save must replace: symbolic links are followed so that the link stays a link.
std::string SaveTarget(const std::string& path);
// 0 when path may be written (or does not exist yet), else the error a direct write would meet: a
// save goes through a new file and a rename, which must not get round a write-protected file.
int CheckWritable(const std::string& path);
int Rename(const std::string& from, const std::string& to);
int Remove(const std::string& path);
int SetFileTime(const std::string& path, int64_t nanoseconds);
// Makes a rename inside the folder of path durable.
void SyncFolderOf(const std::string& path);

class TFile {
  public:
    TFile() = default;
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    ~TFile();

    // Each returns 0 or a DOS error number.
    int OpenRead(const std::string& path);
    // A new file beside target with a unique name (returned in tempPath), permissions and owner taken
    // from target when it exists.
    int CreateTempBeside(const std::string& target, std::string& tempPath);
    int Read(uint8_t* target, int64_t count, int64_t& done);
    int Write(const uint8_t* source, int64_t count);
    int Sync();
    int Close();
    bool IsOpen() const { return Fd >= 0; }
    int64_t Size() const;    // of the open file, -1 on failure
    int64_t ModTime() const; // of the open file, nanoseconds since the epoch, 0 when unknown

  private:
    int Fd = -1;
};

} // namespace FileAccess
