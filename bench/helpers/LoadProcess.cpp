// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh process that brings one file into memory and ends: the baseline and the engine's load, each
// measured from the outside by the launch benchmarks.
//   niblo_load read <file>           malloc and read(), as a plain C program does
//   niblo_load read-populate <file>  the same, the block populated for writing first
//   niblo_load read-huge <file>      the same, on a block advised to use transparent huge pages
//   niblo_load engine <file>         the editor's LoadFile into its store
#include "../BenchSupport.h"
#include "common/TestDocument.h"

#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileIo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int ReadPlain(const char* path, const std::string& mode) {
    const int fd = open(path, O_RDONLY);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0) return 2;
    const auto size = static_cast<size_t>(info.st_size);
    uint8_t* block = nullptr;
    if (mode == "read-huge") {
        constexpr size_t Huge = size_t{2} << 20;
        const size_t rounded = (size + Huge - 1) / Huge * Huge;
        block = static_cast<uint8_t*>(std::aligned_alloc(Huge, rounded == 0 ? Huge : rounded));
        if (block) madvise(block, rounded, MADV_HUGEPAGE);
    } else {
        block = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
#ifdef MADV_POPULATE_WRITE
        if (block && mode == "read-populate") {
            const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
            const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
            const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(page - 1);
            if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
        }
#endif
    }
    if (!block) return 3;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, block + done, size - done);
        if (n <= 0) return 4;
        done += static_cast<size_t>(n);
    }
    close(fd);
    // Touch the result so that nothing is optimised away.
    return block[size / 2] == 0xFF && block[0] == 0xFF ? 0 : 0;
}

int LoadEngine(const char* path) {
    ResetBenchEngine();
    return Engine::LoadFile(TestDoc(), path, false, 1) ? 0 : 4;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s read|read-populate|read-huge|engine FILE\n", argv[0]);
        return 1;
    }
    const std::string mode = argv[1];
    if (mode == "engine") return LoadEngine(argv[2]);
    return ReadPlain(argv[2], mode);
}
