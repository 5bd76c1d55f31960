// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/text/CharacterSet.h"
#include "engine/document/Commands.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Modal results of the message boxes.
enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8
};

enum class TFileDialogMode { Open, Save };

// What the engine asks of the application's window, whichever document it works on. The main window
// implements it; engine tests use a scripted fake. Texts are UTF-8.
class TAppHost {
  public:
    virtual ~TAppHost() = default;

    // Message boxes; each returns the modal result of the button pressed.
    virtual int ShowInfo(const std::string& text) = 0;
    virtual int ShowError(const std::string& text) = 0;
    virtual int AskYesNo(const std::string& text) = 0;       // mrYes or mrNo (the default)
    virtual int AskYesNoCancel(const std::string& text) = 0; // mrYes, mrNo or mrCancel (the default)

    // Hourglass plus a text in the message panel; repaints once, takes no user input.
    virtual void BusyOn(const std::string& text) = 0;
    virtual void BusyOff() = 0;

    // The progress box: at most one at a time, owned by the running operation (see TProgressScope).
    virtual void ProgressOpen(const std::string& caption, const std::string& label) = 0;
    // True when the gauge moved (the percentage is a multiple of step); only then are events processed.
    virtual bool SetProgress(int64_t done, int64_t total, int step) = 0;
    virtual void SetProgressText(const std::string& text, int every) = 0;
    virtual void EnableCancel(bool on) = 0;
    virtual bool Cancelled() = 0;
    virtual void ProgressClose() = 0;

    // A note in the message panel, shown until the next one.
    virtual void ShowStatusText(const std::string& text) = 0;
    // A note in the message panel that goes again after a few seconds (unless another took its place).
    virtual void ShowStatusNote(const std::string& text) = 0;
    // A key that cannot act here (typing into a read-only file).
    virtual void Beep() = 0;
    // The hint a command shows in the message panel (Undo and Redo name what they would undo or redo).
    virtual void SetCommandHint(TCommand command, const std::string& hint) = 0;
    // Commands whose Tag is 2 keep their state.
    virtual void SetCommandsEnabled(std::span<const TCommand> commands, bool on) = 0;
    // Every command with Tag 1.
    virtual void DisableFileCommands() = 0;

    // The program's file dialog. dir is the start folder and receives the folder of the choice.
    virtual std::optional<std::string> ChooseFile(TFileDialogMode mode, const std::string& title,
                                                  std::string& dir, const std::string& masks,
                                                  const std::string& favouritesSection) = 0;
    // The recent-files list of the File menu.
    virtual void AddRecentFile(const std::string& path) = 0;
};

// How one document is shown: its panes, status, caption and modified mark. A document that no pane
// shows (the other side of a comparison) has the empty view.
class TDocumentView {
  public:
    virtual ~TDocumentView() = default;

    // Status panels 0 and 1 and the scroll bar, from the cursor.
    virtual void UpdateStatus() = 0;
    // Refill both panes from cell (col, row) to the end of the page.
    virtual void RefreshPanes(int32_t col, int32_t row) = 0;
    // Refill one cell of both panes (the hex pane shows a pending first digit at the cursor).
    virtual void RefreshCell(int32_t col, int32_t row) = 0;
    // Select the cell in the active pane and its partner (no status update; the engine does that).
    virtual void SelectCell(int32_t col, int32_t row) = 0;
    // Empty every cell of both panes.
    virtual void ClearPanes() = 0;
    // Repaint both panes without refilling them (block colours changed).
    virtual void RepaintPanes() = 0;
    virtual void SetScrollBarEnabled(bool on) = 0;
    // TextMode changed: check mark, active pane, status. OverwriteMode changed: check mark, mode panel.
    virtual void TextModeChanged() = 0;
    virtual void OverwriteModeChanged() = 0;

    virtual void SetCaption(const std::string& caption) = 0;
    // The file has unsaved changes, or no longer has: the caption marks it.
    virtual void ModifiedChanged(bool modified) = 0;
    // The character set the text pane draws with (its font decides what the default set means).
    virtual TCharacterSet TextPaneSet() = 0;
};

// The view of a document nobody looks at.
class TEmptyView final : public TDocumentView {
  public:
    void UpdateStatus() override {}
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
    TCharacterSet TextPaneSet() override { return TCharacterSet::Windows1252; }
};

// A window that is the application's host and the view of the document it shows (the main window while
// it shows one document; the tests' fake).
class TEngineHost : public TAppHost, public TDocumentView {};
