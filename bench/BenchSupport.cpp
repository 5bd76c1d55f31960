// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"
#include "InPlaceSource.h"
#include "common/TestDocument.h"

#include "engine/store/PieceStore.h"
#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileIo.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <unistd.h>
#include <vector>

namespace {

TSilentHost SilentHost;

struct TRatio {
    std::string Label, Benchmark, Baseline;
    double Goal = 0;
};

struct TGoal {
    std::string Label;
    double Goal = 0;
    std::function<double()> Measure;
};

std::vector<TGoal>& Goals() {
    static std::vector<TGoal> goals;
    return goals;
}

// The load average of the last minute: a figure measured while others used the machine says so.
double LoadNow() {
    double load = -1;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = -1;
        std::fclose(f);
    }
    return load;
}

bool Contains(std::string text, std::string part) {
    for (auto* s : {&text, &part})
        for (char& c : *s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text.find(part) != std::string::npos;
}

struct TRow {
    std::string Label;
    double Ratio = 0;
    double Goal = 0;
    double Load = -1;
};

void PrintTable(const std::vector<TRow>& rows) {
    std::printf("\n%-62s %7s %6s %8s %5s\n", "benchmark (engine / baseline, same run)", "ratio", "goal", "",
                "load");
    for (const TRow& row : rows) {
        const char* verdict = row.Goal <= 0 ? "" : row.Ratio <= row.Goal ? "met" : "NOT MET";
        char goal[16] = "-";
        if (row.Goal > 0) std::snprintf(goal, sizeof(goal), "%.2f", row.Goal);
        char load[16] = "";
        if (row.Load >= 0) std::snprintf(load, sizeof(load), "%.2f", row.Load);
        std::printf("%-62s %7.2f %6s %8s %5s\n", row.Label.c_str(), row.Ratio, goal, verdict, load);
    }
}

std::vector<TRatio>& Ratios() {
    static std::vector<TRatio> ratios;
    return ratios;
}

std::vector<std::function<void()>>& Reports() {
    static std::vector<std::function<void()>> reports;
    return reports;
}

std::string& BenchDir() {
    static std::string dir;
    return dir;
}

std::map<int64_t, std::string>& BenchFiles() {
    static std::map<int64_t, std::string> files;
    return files;
}

// Prints as usual and keeps the median (or only) real time of each benchmark.
class TRatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // The function name and its arguments, without repetitions and timing flags.
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                Medians[name] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Iteration && !Medians.contains(name))
                Singles[name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double TimeOf(const std::string& name) const {
        if (auto it = Medians.find(name); it != Medians.end()) return it->second;
        if (auto it = Singles.find(name); it != Singles.end()) return it->second;
        return -1;
    }

  private:
    std::map<std::string, double> Medians, Singles;
};

} // namespace

namespace {
int Resets = 0;
} // namespace

int BenchEngineResets() {
    return Resets;
}

void ResetBenchEngine() {
    ++Resets;
    SilentHost.PrintErrors = true;
    UseTestDocument(nullptr);
    TestApp().Host = &SilentHost;
    TestDoc().Display = &SilentHost;
    Engine::ResetEngineState(TestDoc());
    TestDoc().View.Cols = 16;
    TestDoc().View.Rows = 10;
    TestDoc().View.PageBytes = 160;
}

bool LoadBenchFile(int64_t size) {
    ResetBenchEngine();
    if (!Engine::LoadFile(TestDoc(), BenchFile(size), false, 1)) return false;
    TestDoc().FileOpen = true;
    return TestDoc().Store.FileSize() == size;
}

const std::vector<uint8_t>*& InPlace() {
    static const std::vector<uint8_t>* bytes = nullptr;
    return bytes;
}

const std::vector<uint8_t>& BytesInPlace() {
    static const std::vector<uint8_t> none;
    return InPlace() ? *InPlace() : none;
}

void LoadBytesInPlace(const std::vector<uint8_t>& bytes) {
    ResetBenchEngine();
    InPlace() = &bytes;
    Engine::TDocument& doc = TestDoc();
    doc.Store.Load(std::make_shared<TInPlaceSource>(bytes), static_cast<int64_t>(bytes.size()));
    doc.File.Saved = doc.Store.Snapshot();
    doc.FileOpen = true;
    doc.Modified = false;
    doc.View.TopAddress = 1;
    doc.View.BottomAddress = std::min<int64_t>(doc.View.PageBytes, doc.Store.FileSize());
}

// The folder of the bench files, made at the first call.
const std::string& MadeBenchDir() {
    if (BenchDir().empty()) {
        char pattern[] = "/tmp/niblo-bench-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        BenchDir() = pattern;
    }
    return BenchDir();
}

const std::string& BenchFile(int64_t size) {
    auto& files = BenchFiles();
    if (auto it = files.find(size); it != files.end()) return it->second;
    MadeBenchDir();
    std::string path = BenchDir() + "/file-" + std::to_string(size) + ".bin";
    std::vector<uint8_t> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 131 + i / 977);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) std::abort();
    for (int64_t done = 0; done < size;) {
        auto n = static_cast<size_t>(std::min<int64_t>(size - done, static_cast<int64_t>(block.size())));
        if (write(fd, block.data(), n) != static_cast<ssize_t>(n)) std::abort();
        done += static_cast<int64_t>(n);
    }
    close(fd);
    // Read it once so that every measurement finds it in the page cache.
    fd = open(path.c_str(), O_RDONLY);
    while (read(fd, block.data(), block.size()) > 0) {
    }
    close(fd);
    return files[size] = path;
}

const std::string& BenchRecoveryFolder() {
    static std::string folder;
    folder = MadeBenchDir() + "/recovery";
    return folder;
}

void RemoveBenchFiles() {
    if (BenchDir().empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(BenchDir(), ec);
    BenchDir().clear();
    BenchFiles().clear();
}

void RegisterRatio(const std::string& label, const std::string& benchmark, const std::string& baseline,
                   double goal) {
    Ratios().push_back({label, benchmark, baseline, goal});
}

void RegisterGoal(const std::string& label, double goal, std::function<double()> measure) {
    Goals().push_back({label, goal, std::move(measure)});
}

void RegisterReport(std::function<void()> report) {
    Reports().push_back(std::move(report));
}

int RunBenchmarks(int argc, char** argv) {
    // --only=TEXT is ours; the rest goes to the benchmark library.
    std::string only;
    bool filtered = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--only=", 0) == 0)
            only = arg.substr(7);
        else
            args.push_back(argv[i]);
        if (arg.rfind("--benchmark_filter=", 0) == 0) filtered = true;
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    std::vector<TRow> rows;
    if (only.empty())
        for (auto& report : Reports())
            report();
    if (only.empty() || filtered) {
        TRatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        for (const auto& ratio : Ratios()) {
            double engine = reporter.TimeOf(ratio.Benchmark), base = reporter.TimeOf(ratio.Baseline);
            if (engine < 0 || base <= 0) continue;
            rows.push_back({ratio.Label, engine / base, ratio.Goal, -1});
        }
    }
    for (const TGoal& goal : Goals()) {
        if (!only.empty() && !Contains(goal.Label, only)) continue;
        const double load = LoadNow();
        const double ratio = goal.Measure();
        std::printf("  %-62s %7.2f\n", goal.Label.c_str(), ratio);
        std::fflush(stdout);
        rows.push_back({goal.Label, ratio, goal.Goal, std::max(load, LoadNow())});
    }
    PrintTable(rows);
    benchmark::Shutdown();
    RemoveBenchFiles();
    return 0;
}
