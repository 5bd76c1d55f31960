#include "BenchSupport.h"

#include "engine/EngineState.h"

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
};

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

void ResetBenchEngine() {
    SilentHost.PrintErrors = true;
    Engine::Host = &SilentHost;
    Engine::ResetEngineState();
    Engine::Host = &SilentHost;
    Engine::Cols = 16;
    Engine::Rows = 10;
    Engine::PageBytes = 160;
}

const std::string& BenchFile(int64_t size) {
    auto& files = BenchFiles();
    if (auto it = files.find(size); it != files.end()) return it->second;
    if (BenchDir().empty()) {
        char pattern[] = "/tmp/niblo-bench-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        BenchDir() = pattern;
    }
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

void RemoveBenchFiles() {
    if (BenchDir().empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(BenchDir(), ec);
    BenchDir().clear();
    BenchFiles().clear();
}

void RegisterRatio(const std::string& label, const std::string& benchmark, const std::string& baseline) {
    Ratios().push_back({label, benchmark, baseline});
}

void RegisterReport(std::function<void()> report) {
    Reports().push_back(std::move(report));
}

int RunBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    for (auto& report : Reports())
        report();
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (median real time, lower is better; 1.00 = as fast as the baseline):\n");
    for (const auto& ratio : Ratios()) {
        double engine = reporter.TimeOf(ratio.Benchmark), base = reporter.TimeOf(ratio.Baseline);
        if (engine < 0 || base <= 0) continue;
        std::printf("  %-40s %6.2f  (%s / %s)\n", ratio.Label.c_str(), engine / base, ratio.Benchmark.c_str(),
                    ratio.Baseline.c_str());
    }
    benchmark::Shutdown();
    RemoveBenchFiles();
    return 0;
}
