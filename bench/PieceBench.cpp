// SPDX-License-Identifier: GPL-3.0-or-later
// The piece store over a file read on demand: a key typed in insert mode at 1 of a 64 GiB sparse file
// against the same key in a 1 KiB file (each key followed by the reads of one page of the panes), and a
// save after a one-byte overwrite of the 64 GiB file against one 4 KiB pwrite and fdatasync, by the store's
// save in place alone and by the program's Save of a loaded document.
#include "BenchSupport.h"
#include "RoundRatio.h"
#include "common/TestDocument.h"

#include "engine/document/EngineState.h"
#include "engine/files/FileAccess.h"
#include "engine/files/FileIo.h"
#include "engine/files/StoreSave.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t BigSize = int64_t{64} << 30;
constexpr int64_t SmallSize = 1024;
constexpr int Keys = 2000;
constexpr int PageBytes = 1024; // what a repaint of the panes reads
constexpr int Rounds = 5;

[[noreturn]] void Wrong(const char* what) {
    std::fprintf(stderr, "piece benchmark: %s went wrong\n", what);
    std::exit(1);
}

// A folder of its own beside the other temporary files, gone with the benchmark.
struct TFolder {
    std::string Path;
    TFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "niblo-pieces-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) Wrong("the temporary folder");
        Path = pattern;
    }
    ~TFolder() {
        std::error_code error;
        std::filesystem::remove_all(Path, error);
    }
    // A file of size bytes, sparse: nothing is written but its first page.
    std::string File(const char* name, int64_t size) const {
        const std::string path = Path + "/" + name;
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        std::vector<uint8_t> page(4096, 'x');
        if (fd < 0 || ::pwrite(fd, page.data(), std::min<int64_t>(size, 4096), 0) < 0 || ::ftruncate(fd, size) != 0)
            Wrong("a sparse file");
        ::close(fd);
        return path;
    }
};

std::shared_ptr<FileAccess::TFileSource> OpenSource(const std::string& path) {
    std::shared_ptr<FileAccess::TFileSource> source;
    if (FileAccess::TFileSource::Open(path, source) != 0) Wrong("opening a file");
    return source;
}

// Seconds per key typed at 1, each followed by the reads of one page.
double TypeAtFront(const std::string& path) {
    Engine::TPieceStore store;
    const auto source = OpenSource(path);
    store.Load(source, source->Size());
    int sum = 0;
    const double start = NowSeconds();
    for (int key = 0; key < Keys; ++key) {
        const uint8_t typed = 'a';
        store.Insert(key + 1, std::span(&typed, 1));
        for (TAddress at = 1; at <= PageBytes; ++at)
            sum += store.ByteAt(at);
    }
    const double seconds = (NowSeconds() - start) / Keys;
    if (store.FileSize() != source->Size() + Keys || store.PieceCount() != 2 || sum == 0) Wrong("typing");
    return seconds;
}

struct TPieceRatios {
    double Key = 0;
    double Save = 0;
    double DocumentSave = 0;
};

const TPieceRatios& Measure() {
    static TPieceRatios ratios;
    static bool measured = false;
    if (measured) return ratios;
    measured = true;
    TFolder folder;
    const std::string big = folder.File("big.bin", BigSize);
    const std::string small = folder.File("small.bin", SmallSize);
    const double key = InterleavedRatio([&] { return TypeAtFront(big); }, [&] { return TypeAtFront(small); }, Rounds);

    // The program's journal, made at the first save and kept for the next ones.
    FileAccess::TRollbackJournal journal(folder.Path + "/journals");
    auto save = [&] {
        Engine::TPieceStore store;
        const auto source = OpenSource(big);
        store.Load(source, source->Size());
        const Engine::TStoreSnapshot saved = store.Snapshot();
        store.WriteByte(BigSize / 2, 'y');
        const double start = NowSeconds();
        if (!FileAccess::SaveChangedInPlace(*source, store.Snapshot(), store.Snapshot().ChangedSince(saved), journal).Ok())
            Wrong("the save");
        return NowSeconds() - start;
    };
    auto floor = [&] {
        const int fd = ::open(big.c_str(), O_RDWR);
        std::vector<uint8_t> page(4096, 'z');
        const double start = NowSeconds();
        if (fd < 0 || ::pwrite(fd, page.data(), page.size(), BigSize / 4) < 0 || ::fdatasync(fd) != 0) Wrong("the floor");
        const double seconds = NowSeconds() - start;
        ::close(fd);
        return seconds;
    };
    const double saveRatio = InterleavedRatio(save, floor, Rounds);

    // As the user saves: the document loaded as the program loads a file, a byte overwritten, Save. It must
    // go in place: the file keeps its identity.
    ResetBenchEngine();
    Engine::TDocument& doc = TestDoc();
    doc.App.RecoveryFolder = folder.Path + "/recovery";
    if (!Engine::LoadFile(doc, big, false, 1)) Wrong("loading the document");
    const uint64_t inode = FileAccess::StampOf(big).Inode;
    uint8_t value = 'a';
    auto saveDocument = [&] {
        doc.Store.WriteByte(BigSize / 3, ++value);
        doc.Modified = true;
        const double start = NowSeconds();
        if (!Engine::SaveFile(doc, big, false, 1, 0)) Wrong("the document's save");
        const double seconds = NowSeconds() - start;
        uint8_t saved = 0;
        const int fd = ::open(big.c_str(), O_RDONLY);
        if (FileAccess::StampOf(big).Inode != inode || ::pread(fd, &saved, 1, BigSize / 3 - 1) != 1 || saved != value)
            Wrong("the document's save in place");
        ::close(fd);
        return seconds;
    };
    const double documentRatio = InterleavedRatio(saveDocument, floor, Rounds);
    ResetBenchEngine();
    ratios = {key, saveRatio, documentRatio};
    return ratios;
}

[[maybe_unused]] const bool Registered = [] {
    RegisterGoal("piece store: key at 1 of 64 GiB sparse + page read / the same in 1 KiB", 2,
                 [] { return Measure().Key; });
    RegisterGoal("piece store: save of a 1-byte overwrite of 64 GiB in place / 4 KiB pwrite + fdatasync", 3,
                 [] { return Measure().Save; });
    RegisterGoal("Save of a document after a 1-byte overwrite of 64 GiB / 4 KiB pwrite + fdatasync", 3,
                 [] { return Measure().DocumentSave; });
    return true;
}();

} // namespace
