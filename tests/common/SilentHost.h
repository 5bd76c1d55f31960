// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/EngineHost.h"

#include <cstdio>
#include <string>

// A window that never shows anything, answers every question with its default and never cancels:
// the engine runs as fast as it can. Used where no test framework records the calls (benchmarks,
// fuzz targets).
class TSilentHost : public TEngineHost {
  public:
    int ShowInfo(const std::string&) override { return mrOk; }
    int ShowError(const std::string& text) override {
        ++ErrorCount;
        LastError = text;
        if (PrintErrors) std::fprintf(stderr, "engine error: %s\n", text.c_str());
        return mrOk;
    }
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
    void ShowStatusText(const std::string&) override {}
    void ShowStatusNote(const std::string&) override {}
    void RefreshPanes(int32_t, int32_t) override {}
    void RefreshCell(int32_t, int32_t) override {}
    void SelectCell(int32_t, int32_t) override {}
    void ClearPanes() override {}
    void RepaintPanes() override {}
    void SetScrollBarEnabled(bool) override {}
    void TextModeChanged() override {}
    void OverwriteModeChanged() override {}
    void SetCaption(const std::string&) override {}
    void ModifiedChanged(bool) override {}
    void Beep() override {}
    TCharacterSet TextPaneSet() override { return TCharacterSet::Windows1252; }
    void SetCommandHint(TCommand, const std::string&) override {}
    void SetCommandsEnabled(std::span<const TCommand>, bool) override {}
    void DisableFileCommands() override {}
    std::optional<std::string> ChooseFile(TFileDialogMode, const std::string&, std::string&,
                                          const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void AddRecentFile(const std::string&) override {}

    bool PrintErrors = false;
    int ErrorCount = 0;
    std::string LastError;
};
