// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/StructCommand.h"

#include "engine/structure/KsInterpreter.h"
#include "engine/structure/StructJson.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace Engine {

namespace {

// The file read where the interpreter asks, a block at a time, never whole.
class TFileInput final : public TStructInput {
  public:
    explicit TFileInput(int fd, uint64_t size) : Fd(fd), Length(size) {}
    uint64_t Size() const override { return Length; }
    bool Read(uint64_t offset, std::span<uint8_t> into) const override {
        if (offset > Length || into.size() > Length - offset) return false;
        size_t done = 0;
        while (done < into.size()) {
            const uint64_t at = offset + done;
            const uint64_t block = at / BlockSize;
            if (block != CachedBlock) {
                const uint64_t start = block * BlockSize;
                const size_t want = static_cast<size_t>(std::min<uint64_t>(BlockSize, Length - start));
                size_t got = 0;
                while (got < want) {
                    const ssize_t n = pread(Fd, Cache + got, want - got, static_cast<off_t>(start + got));
                    if (n < 0 && errno == EINTR) continue;
                    if (n <= 0) {
                        CachedBlock = UINT64_MAX;
                        return false;
                    }
                    got += static_cast<size_t>(n);
                }
                CachedBlock = block;
            }
            const size_t in = static_cast<size_t>(at % BlockSize);
            const size_t n = std::min(into.size() - done, static_cast<size_t>(BlockSize) - in);
            std::memcpy(into.data() + done, Cache + in, n);
            done += n;
        }
        return true;
    }

  private:
    static constexpr uint64_t BlockSize = 65536;
    int Fd;
    uint64_t Length;
    mutable uint64_t CachedBlock = UINT64_MAX;
    mutable uint8_t Cache[BlockSize];
};

struct TFd {
    int Fd;
    ~TFd() {
        if (Fd >= 0) close(Fd);
    }
};

} // namespace

TStructCommandResult RunStructureCommand(const std::string& formatPath, const std::string& filePath,
                                         const std::vector<std::string>& importRoots) {
    TStructCommandResult result;
    result.ExitCode = 1;
    // A bare name such as "png" is a shipped definition.
    std::string definition = formatPath;
    std::error_code ec;
    if (!std::filesystem::exists(definition, ec) && definition.find('/') == std::string::npos) {
        for (const std::string& root : importRoots) {
            for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
                 !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
                if (it->path().filename() == definition + ".ksy") {
                    definition = it->path().string();
                    break;
                }
            }
            if (definition != formatPath) break;
        }
    }
    std::unique_ptr<TKsSchema> schema;
    try {
        schema = TKsSchema::Load(definition, importRoots);
    } catch (const TKsError& e) {
        result.Error = std::string("niblo: ") + e.what() + "\n";
        return result;
    }
    TFd file{open(filePath.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat info {};
    if (file.Fd < 0 || fstat(file.Fd, &info) != 0) {
        result.Error = "niblo: cannot open " + filePath + ": " + std::strerror(errno) + "\n";
        return result;
    }
    auto input = std::make_unique<TFileInput>(file.Fd, static_cast<uint64_t>(info.st_size));
    TKsInterpreter interpreter(*schema, *input);
    const std::shared_ptr<TKsObj> root = interpreter.Parse();
    result.Output = StructJson(interpreter, root);
    if (const TKsSlot* stopped = interpreter.RootError()) {
        result.Error = "niblo: " + filePath + ": " + *stopped->Error + "\n";
        return result;
    }
    result.ExitCode = 0;
    return result;
}

} // namespace Engine
