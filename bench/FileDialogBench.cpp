// SPDX-License-Identifier: GPL-3.0-or-later
// The file dialog against Qt's own folder listing and against a plain sort of numbers. Each benchmark
// runs its rounds interleaved (the order alternating), and its figure is the median of per-round ratios.
#include "BenchSupport.h"

#include "files/FileListModel.h"
#include "files/NIBLO_OSE.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int FileCount = 100000;
constexpr int Rounds = 15;

// A folder of FileCount files with varied names, sizes (sparse) and times, made once per run.
std::string& ManyFilesDir() {
    static std::string dir;
    return dir;
}

const std::string& ManyFiles() {
    std::string& dir = ManyFilesDir();
    if (!dir.empty()) return dir;
    char pattern[] = "/tmp/niblo-bench-dialog-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    dir = pattern;
    std::mt19937_64 random(7);
    for (int i = 0; i < FileCount; ++i) {
        const std::string name = dir + "/" + (i % 3 ? "File" : "data") + std::to_string(random() % 1000000) +
                                 "_" + std::to_string(i) + (i % 5 ? ".bin" : ".TXT");
        const int fd = ::open(name.c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0 || ::ftruncate(fd, off_t(random() % 5000000000ULL)) != 0) std::abort();
        const timespec time{time_t(1000000000 + random() % 800000000), 0};
        const timespec times[2] = {time, time};
        ::futimens(fd, times);
        ::close(fd);
    }
    return dir;
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs both per round, alternating which goes first; reports the median ratio ours / baseline.
void Interleaved(benchmark::State& state, const std::function<void()>& prepare,
                 const std::function<void()>& ours, const std::function<void()>& baseline,
                 const char* label) {
    std::vector<double> ratios, oursTimes, baseTimes;
    for (auto _ : state) {
        for (int round = 0; round < Rounds; ++round) {
            prepare();
            double a = 0, b = 0;
            if (round % 2) {
                a = Seconds(ours);
                prepare();
                b = Seconds(baseline);
            } else {
                b = Seconds(baseline);
                prepare();
                a = Seconds(ours);
            }
            ratios.push_back(a / b);
            oursTimes.push_back(a);
            baseTimes.push_back(b);
        }
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    state.counters["ratio"] = median(ratios);
    state.counters["ours_ms"] = median(oursTimes) * 1000;
    state.counters["baseline_ms"] = median(baseTimes) * 1000;
    std::printf("%s: median of %zu per-round ratios %.2f (ours %.1f ms, baseline %.1f ms)\n", label,
                ratios.size(), median(ratios), median(oursTimes) * 1000, median(baseTimes) * 1000);
}

// Listing as the dialog does it (read, four texts per row, sorted by name) against
// QDir::entryInfoList of the same files sorted by name.
void BM_ListFolderVsEntryInfoList(benchmark::State& state) {
    const std::string& dir = ManyFiles();
    TFormOSE dialog;
    size_t listed = 0, baseline = 0;
    Interleaved(
        state, [] {},
        [&] {
            dialog.ListFiles(dir, "*.*", true);
            listed = size_t(dialog.Files->rowCount());
        },
        [&] {
            QDir folder(QFile::decodeName(QByteArray::fromStdString(dir)));
            const QFileInfoList files = folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System,
                                                             QDir::Name | QDir::IgnoreCase);
            baseline = size_t(files.size());
        },
        "Listing 100,000 files / QDir::entryInfoList");
    if (listed != size_t(FileCount) || baseline != size_t(FileCount)) state.SkipWithError("wrong count");
}

// Sorting the listed rows by a numeric key against std::sort of the same keys as numbers, both
// starting from the same order (the rows sorted by name).
void SortBench(benchmark::State& state, int key, const char* label) {
    TFileListModel model;
    model.List(ManyFiles(), "*.*");
    std::vector<int64_t> keys;
    const bool ascending = true;
    Interleaved(
        state,
        [&] {
            model.Sort(TFileListModel::SortName, true);
            keys.clear();
            for (int row = 0; row < model.rowCount(); ++row)
                keys.push_back(key == TFileListModel::SortSize ? model.Row(row).SizeKey
                                                               : model.Row(row).DateKey);
        },
        [&] { model.Sort(key, ascending); },
        [&] {
            if (ascending)
                std::sort(keys.begin(), keys.end());
            else
                std::sort(keys.begin(), keys.end(), std::greater<>());
            benchmark::DoNotOptimize(keys.data());
        },
        label);
}

void BM_SortBySizeVsStdSort(benchmark::State& state) {
    SortBench(state, TFileListModel::SortSize, "Sorting 100,000 rows by size / std::sort of the sizes");
}

void BM_SortByDateVsStdSort(benchmark::State& state) {
    SortBench(state, TFileListModel::SortDate, "Sorting 100,000 rows by date / std::sort of the dates");
}

struct TCleanup {
    ~TCleanup() {
        std::error_code error;
        if (!ManyFilesDir().empty()) std::filesystem::remove_all(ManyFilesDir(), error);
    }
} Cleanup;

} // namespace

BENCHMARK(BM_ListFolderVsEntryInfoList)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SortBySizeVsStdSort)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SortByDateVsStdSort)->Unit(benchmark::kMillisecond)->Iterations(1);
