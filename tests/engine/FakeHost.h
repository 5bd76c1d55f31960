// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Document.h"
#include "common/TestDocument.h"
#include "engine/document/EngineHost.h"
#include "engine/document/Types.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A window stand-in for engine tests: records everything the engine shows and answers its questions from
// queues the test fills beforehand. A question nobody scripted fails the test and gets the box's default.
class TFakeHost : public TEngineHost {
  public:
    enum class TMessageKind { Info, Error, YesNo, YesNoCancel };
    struct TMessage {
        TMessageKind Kind;
        std::string Text;
    };
    struct TProgressRecord {
        std::string Caption;
        std::string Label;
        std::vector<int> Values; // every percentage the gauge showed
        int Calls = 0;           // SetProgress calls, shown or not
        bool Closed = false;
    };
    struct TFileDialogCall {
        TFileDialogMode Mode;
        std::string Title;
        std::string Dir;
        std::string Masks;
        std::string Favourites;
    };

    TFakeHost();

    // Scripted answers.
    std::deque<int> YesNoAnswers;
    std::deque<int> YesNoCancelAnswers;
    std::deque<std::optional<std::string>> FileChoices; // nullopt = the dialog was cancelled
    // Cancel is "clicked" once the current progress box has moved its gauge this many times (-1: never).
    // The real box notices a click only while it processes events, i.e. when the gauge moves.
    int CancelAfterShownProgress = -1;
    // The same, counted in SetProgress calls of the current box whether the gauge moved or not (-1: never).
    int CancelAfterProgressCalls = -1;

    // What the engine did.
    std::vector<TMessage> Messages;
    std::vector<std::string> Captions;
    bool ModifiedMark = false;
    std::map<TCommand, bool> Enabled;
    std::map<TCommand, std::string> Hints;
    std::vector<std::string> BusyTexts;
    int BusyDepth = 0;
    int MaxBusyDepth = 0;
    std::vector<TProgressRecord> Progresses;
    bool ProgressIsOpen = false;
    int StatusUpdates = 0;
    std::vector<std::string> StatusTexts;
    std::vector<std::string> StatusNotes; // the passing ones
    int Refreshes = 0;
    int CellRefreshes = 0;
    int ModeChanges = 0;
    int PaneClears = 0;
    int Repaints = 0;
    std::optional<bool> ScrollBarEnabled;
    int SelectedCol = -1;
    int SelectedRow = -1;
    std::vector<TFileDialogCall> FileDialogs;
    std::vector<std::string> RecentFiles;

    // Helpers for assertions.
    std::vector<std::string> ErrorTexts() const;
    std::vector<std::string> InfoTexts() const;
    std::vector<std::string> MessageTexts() const; // of every kind
    std::vector<std::string> QuestionTexts() const;
    bool IsEnabled(TCommand command) const;
    std::string Caption() const { return Captions.empty() ? std::string() : Captions.back(); }
    void ForgetRecords(); // drop what was recorded so far, keep the scripted answers

    static bool IsTag1(TCommand command);

    // TEngineHost
    int ShowInfo(const std::string& text) override;
    int ShowError(const std::string& text) override;
    int AskYesNo(const std::string& text) override;
    int AskYesNoCancel(const std::string& text) override;
    void BusyOn(const std::string& text) override;
    void BusyOff() override;
    void ProgressOpen(const std::string& caption, const std::string& label) override;
    bool SetProgress(int64_t done, int64_t total, int step) override;
    void SetProgressText(const std::string& text, int every) override;
    void EnableCancel(bool on) override;
    bool Cancelled() override;
    void ProgressClose() override;
    void UpdateStatus() override;
    void ShowStatusText(const std::string& text) override { StatusTexts.push_back(text); }
    void ShowStatusNote(const std::string& text) override { StatusNotes.push_back(text); }
    void RefreshPanes(int32_t col, int32_t row) override;
    void RefreshCell(int32_t col, int32_t row) override;
    void SelectCell(int32_t col, int32_t row) override;
    void TextModeChanged() override;
    void OverwriteModeChanged() override;
    void ClearPanes() override;
    void RepaintPanes() override;
    void SetScrollBarEnabled(bool on) override;
    void SetCaption(const std::string& caption) override;
    void ModifiedChanged(bool modified) override { ModifiedMark = modified; }
    void Beep() override { ++Beeps; }
    int Beeps = 0;
    TCharacterSet TextPaneSet() override { return Engine::ShownSet(TestApp().CharacterSet, false); }
    void SetCommandHint(TCommand command, const std::string& hint) override { Hints[command] = hint; }
    void SetCommandsEnabled(std::span<const TCommand> commands, bool on) override;
    void DisableFileCommands() override;
    std::optional<std::string> ChooseFile(TFileDialogMode mode, const std::string& title, std::string& dir,
                                          const std::string& masks,
                                          const std::string& favouritesSection) override;
    void AddRecentFile(const std::string& path) override;
};

// A private folder under /tmp, removed with everything in it at the end of the test.
class TTempDir {
  public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return Root; }
    std::string PathOf(const std::string& name) const { return Root + "/" + name; }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    static std::vector<uint8_t> Read(const std::string& path);

  private:
    std::string Root;
};

// "Error writing\n<name>", optionally followed on its own line by the system's error text.
::testing::AssertionResult IsWriteError(const std::vector<std::string>& errors, const std::string& name);

// Bytes 0, 1, 2, ... wrapping at 256 but shifted by seed, so that two files differ everywhere.
std::vector<uint8_t> PatternBytes(size_t n, uint8_t seed = 0);

// Installs a fresh fake host and a document of its own for every test; the view is 16 columns by 10 rows.
class TEngineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // An open file holding exactly these bytes, loaded without touching the disk, view at address 1.
    void OpenBytes(const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> Bytes() const; // the file currently held
    // Cursor on the address, its row shown as row `row` of the page (as far as the rows above allow).
    void PutCursorOn(TAddress address, int32_t row = 0);
    // Block mark from the menu with the cursor on first, then on second.
    void MarkFromTo(TAddress first, TAddress second);

    TFakeHost Host;
    Engine::TApplication App;
    Engine::TDocument Document{App};
};
