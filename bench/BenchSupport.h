#pragma once

#include "engine/EngineHost.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>

// A window that never shows anything and never cancels: the engine runs as fast as it can.
class TSilentHost : public TEngineHost {
  public:
    int ShowInfo(const std::string&) override { return mrOk; }
    int ShowError(const std::string& text) override;
    int AskYesNo(const std::string&) override { return mrNo; }
    int AskYesNoCancel(const std::string&) override { return mrCancel; }
    void BusyOn(const std::string&) override {}
    void BusyOff() override {}
    void ProgressOpen(const std::string&, const std::string&) override {}
    bool SetProgress(int64_t, int64_t, int) override { return false; }
    void SetProgressText(const std::string&, int) override {}
    void EnableCancel(bool) override {}
    bool Cancelled() override { return false; }
    void ProgressClose() override {}
    void UpdateStatus() override {}
    void RefreshPanes(int32_t, int32_t) override {}
    void SelectCell(int32_t, int32_t) override {}
    void ClearPanes() override {}
    void RepaintPanes() override {}
    void SetScrollBarEnabled(bool) override {}
    void SetCaption(const std::string&) override {}
    void SetCommandsEnabled(std::span<const TCommand>, bool) override {}
    void DisableFileCommands() override {}
    std::optional<std::string> ChooseFile(TFileDialogMode, const std::string&, std::string&,
                                          const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void AddRecentFile(const std::string&) override {}
};

// A fresh engine with the silent host installed and a 16 x 10 view.
void ResetBenchEngine();

// A file of the given size under /tmp, written once, read once so that it sits in the page cache, and
// removed by RemoveBenchFiles at the end of the run.
const std::string& BenchFile(int64_t size);
void RemoveBenchFiles();

// Ratios printed after the run: the median real time of one benchmark over that of its baseline.
void RegisterRatio(const std::string& label, const std::string& benchmark, const std::string& baseline);
// Extra measurements (memory, ...) printed before the timed benchmarks run.
void RegisterReport(std::function<void()> report);

int RunBenchmarks(int argc, char** argv);
