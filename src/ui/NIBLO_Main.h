// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/editing/ClipboardPort.h"
#include "engine/document/Application.h"
#include "engine/document/Document.h"
#include "engine/document/Session.h"
#include "engine/document/EngineHost.h"
#include "engine/search/FindAll.h"
#include "kit/Help.h"
#include "kit/JkStatusBar.h"
#include "kit/ProgressBox.h"

#include <QColor>
#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <chrono>
#include <functional>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFont;
class QMenu;
class QScreen;
class QTimer;
class QToolButton;
class QWheelEvent;
class TIniFile;
class TInspectorPanel;
class TFindAllPanel;
struct TSearchRequest;
class TJkRowAddresses;
class TJkScrollBar;
class TJkStatusBar;
class TJkStrGrid;
class TProgressBox;
class TFileDrop;
class TFormOSE;
class TMRUFiles;

// The screen the window is on, else the primary one.
const QScreen* ScreenOf(const QWidget* window);

// The main window: toolbar strip, text and hex panes, scroll bar, status bar and main menu. It is the
// engine's host: every message, progress, status and pane request of the engine lands here.
namespace Engine {
class TDocument;
}

class QTabBar;

class TFormMain : public QMainWindow, public TEngineHost {
    Q_OBJECT
  public:
    // The program's modes and options, which every document shares.
    Engine::TApplication App;
    // The document the commands work on: the shown tab's.
    Engine::TDocument& Doc() const { return *Tabs[ActiveTab].Document; }

    // Tabs, one document each (NIBLO_MainTabs.cpp). The tab bar shows while more than one is open.
    QTabBar* TabBar = nullptr;
    // "One file at a time": Open replaces the shown file after its save question, as with no tabs.
    bool OneFileAtATime = false;
    // The open tabs are kept at exit and opened again at a start without a FILE (not with one file at a
    // time).
    bool RestoreSession = true;
    void OpenSession(); // NIBLO_MainTabs.cpp
    // Files a later start handed over: each opens in a tab, and the window comes to the front.
    void TakeFiles(const std::vector<std::string>& files);
    size_t TabCount() const { return Tabs.size(); }
    size_t ShownTab() const { return ActiveTab; }
    // Shows tab index: its panes, status, caption and the enabled state of every command.
    void ShowTab(size_t index);
    // Opens path in the tab the rules give (a new one, its own tab when it is open already, or the shown
    // one after its save question unless fromRecentList asked it). False when nothing was opened.
    bool OpenInTab(const std::string& path, bool readOnly, bool fromRecentList = false);
    // Closes tab index after its save question; the last tab stays, empty. False when the user kept it.
    bool CloseTab(size_t index);
    void New1Click();
    void Open1Click();
    void Openreadonly1Click();
    void Close1Click();

    // firstArgument: the file named on the command line (its bytes), opened at the first activation unless
    // empty.
    explicit TFormMain(std::string firstArgument = {}, QWidget* parent = nullptr);
    ~TFormMain() override;
    // Also from the command line: the first file opens read-only, and the cursor goes to the entry (an
    // address as the user sees it) once it is open.
    bool FirstReadOnly = false;
    // The files named after the first, each opened in a tab of its own after it.
    std::vector<std::string> MoreArguments;
    std::optional<int64_t> FirstAddress;

    // Components, by their names.
    QWidget* Panel1 = nullptr;
    TJkStrGrid* JkStrGridText = nullptr;
    TJkStrGrid* JkStrGridHex = nullptr;
    TJkRowAddresses* RowAddressColumn = nullptr; // left of the text pane, while RowAddresses is on
    TJkScrollBar* ScrollBar1 = nullptr;
    TInspectorPanel* Inspector = nullptr; // docked at the right, hidden until asked for
    TJkStatusBar* StatusBar1 = nullptr;
    QAction* Action(TCommand command) const { return Actions[size_t(command)]; }
    QToolButton* Button(TCommand command) const { return Buttons[size_t(command)]; }
    QMenu* Reopen1 = nullptr;
    // The clipboard the commands use: the desktop's, or a stand-in a test puts there.
    std::unique_ptr<TClipboardPort> ClipboardPort;

    // Window-level state.
    bool Activated = false;
    int ToolBarHeight = 25;
    bool HideToolBar = false;
    bool RowAddresses = false;
    QColor ColorBlock = QColor(255, 0, 0);
    QColor HitColor = QColor(255, 236, 139); // behind the hits of the Find all list
    int32_t ColorBlockValue = 255; // as stored: 0x00BBGGRR or a system colour
    void SetColorBlock(int32_t color);
    int ByteOrder = 0; // 0 least significant byte first, 1 most significant first
    int GotoMode = 0;  // the go mode last chosen in the Go to dialog
    TMRUFiles* MRUFiles = nullptr;
    TFileDrop* FileDrop = nullptr;
    TFormOSE* FormOSE = nullptr; // the open/save dialog, made at the first request

    // Runs a menu command or the command of a toolbar button.
    void Run(TCommand command);

    // Life cycle.
    void FormActivate();
    // Each later activation: the engine tells of a file changed on disk by another program.
    void CheckFileOnDisk();
    void FilesDropped(QObject* sender);

    // The handlers of the command table, one per command (NIBLO_MainMenu.cpp unless noted).
    void Exit1Click();          // NIBLO_Main.cpp
    void Options1Click();       // NIBLO_MainSettings.cpp
    void Rowaddresses1Click();  // NIBLO_Main.cpp
    void Datainspector1Click(); // NIBLO_Main.cpp
    // Search menu, Insert string and the patch (NIBLO_MainSearch.cpp).
    void Insert1Click();
    void Find1Click();
    void Count1Click();
    void Replace1Click();
    // Find all (NIBLO_MainFindAll.cpp): its list, and every hit marked on the page while the list shows.
    void Findall1Click();
    void Nexthit1Click();
    void Previoushit1Click();
    void RunFindAll();
    TFindAllPanel* HitsPanel = nullptr;
    // Whether the cell at address is a hit of the list's search (the page's hits are found once per page).
    bool IsListedHit(int64_t address);

  private:
    // The document the list belongs to, the search that made it, and the hits on the page last drawn.
    const Engine::TDocument* HitsDocument = nullptr;
    std::shared_ptr<const Engine::TFindPattern> HitsPattern;
    struct TPageHits {
        Engine::TStoreSnapshot Snapshot;
        int64_t First = 0;
        int64_t Count = 0;
        std::vector<char> Marked; // one per cell of the page
    } PageHits;
    void CreateHitsPanel();
    void GoToListedHit(const Engine::TFoundHit& hit);
    void StepListedHit(bool down);

  public:
    // Address menu, Block <n>, integers (NIBLO_MainAddress.cpp).
    void Blocknchars1Click();
    void Goto1Click();
    void Jumpwidth1Click();
    void Decode1Click();
    void Encode1Click();
    void Checksums1Click();
    // Clipboard (NIBLO_MainClipboard.cpp).
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void Pastehex1Click();
    void Clipboard1Click();
    // Help (NIBLO_MainHelp.cpp).
    void Contents1Click();
    void Info1Click();
    void JkBtnWhatsClick();
    // The application's help hook: the toolbar strip, the panes and the status panels answer with pop-ups.
    void HandleHelpRequest(THelpCommand command, int data, bool& callHelp);

    // Geometry. Sizes are of the window's client area (menu bar included, frame excluded).
    void SetPaneDimensions(int cols, int rows);
    void ApplyFontName(const QString& name);
    void ApplyFontSize(int size);
    void SetToolBarHidden(bool hidden);
    void SetRowAddressesShown(bool shown);
    // Puts the frame's top-left corner at pos, also where the frame is not known yet.
    void PlaceFrameAt(QPoint pos);
    int WindowWidthFor(int cols) const;
    int WindowHeightFor(int rows) const;
    int ColsForWidth(int width) const;
    int RowsForHeight(int height) const;
    // Cell widths of the text and hex panes and their row height in a font.
    struct TCellSize {
        int TextWidth = 0, HexWidth = 0, Height = 0;
    };
    static TCellSize CellSizeFor(const QFont& font);
    // The most columns and rows whose window fits the screen's available area, in the panes' font or in
    // fontName at fontSize.
    QSize PaneLimits() const;
    QSize PaneLimitsFor(const QString& fontName, int fontSize) const;

    // Panes and status.
    TJkStrGrid* ActivePane() const;
    void RefreshPane(TJkStrGrid* pane, int32_t col, int32_t row);
    static uint8_t DisplayChar(uint8_t byte);
    // A byte the panes could not read: the user hears of it once the panes are drawn.
    void NoteUnreadable(int64_t address);
    bool UnreadablePending = false;
    void ArrangePanes();
    void ScrollBar1Scroll(int code, int32_t& position);
    void ShowStatusMessage(const QString& text);
    // Keys, characters, clicks and the wheel of both panes go to the engine (NIBLO_MainKeys.cpp).
    void ConnectPaneInput(TJkStrGrid* pane);
    bool PaneWheel(QWheelEvent* event);

    // TEngineHost.
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
    void ShowStatusText(const std::string& text) override;
    void ShowStatusNote(const std::string& text) override;
    void RefreshPanes(int32_t col, int32_t row) override;
    void RefreshCell(int32_t col, int32_t row) override;
    void SelectCell(int32_t col, int32_t row) override;
    void ClearPanes() override;
    void RepaintPanes() override;
    void SetScrollBarEnabled(bool on) override;
    void TextModeChanged() override;
    void OverwriteModeChanged() override;
    void SetCaption(const std::string& caption) override;
    void ModifiedChanged(bool modified) override;
    void Beep() override;
    TCharacterSet TextPaneSet() override;
    void SetCommandHint(TCommand command, const std::string& hint) override;
    void SetCommandsEnabled(std::span<const TCommand> commands, bool on) override;
    void DisableFileCommands() override;
    std::optional<std::string> ChooseFile(TFileDialogMode mode, const std::string& title, std::string& dir,
                                          const std::string& masks,
                                          const std::string& favouritesSection) override;
    void AddRecentFile(const std::string& path) override;

    TProgressBox* ProgressBox() const { return Progress; }
    // The clock that tells when the window's own size requests have settled; tests set their own.
    std::function<std::chrono::steady_clock::time_point()> Clock = std::chrono::steady_clock::now;

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // A tab: its document and what the window showed of it while it was the shown one.
    struct TTab {
        std::unique_ptr<Engine::TDocument> Document;
        std::vector<char> Enabled; // per command; empty until the tab was first left
        QString UndoHint, RedoHint;
        QString Caption;
    };
    std::vector<TTab> Tabs;
    size_t ActiveTab = 0;
    void CreateTabs();
    size_t AddTab(); // an empty document in a new tab after the last; returns its index
    void LeaveTab();
    void EnterTab();
    void RemoveTab(size_t index);
    void UpdateTabs();
    QMenu* WindowMenu = nullptr;
    std::vector<QAction*> TabEntries;
    void UpdateWindowMenu();
    Engine::TSession SessionNow() const;
    bool ConfirmSaveAll();
    int TopHeight() const; // the toolbar strip and the tab bar above the panes
    void PlacePanesBelowTop();

    int ColsForWidth(int width, int cellPairWidth) const;
    int RowsForHeight(int height, int rowHeight) const;
    QSize PaneLimits(int cellPairWidth, int rowHeight) const;

    // Creation (NIBLO_MainMenu.cpp builds the menu and the toolbar strip).
    void FormCreate();
    void CreateMenu();
    void CreateToolBar();
    void SetCommandEnabled(TCommand command, bool on);
    void DisableTagged(QMenu* menu);

    void InstallHelp();
    void CreateRecentFiles();
    void CreateFileDrop();
    void ReadSettings();
    void ReadInspectorSettings(const TIniFile& ini);
    void WriteSettings();
    void CreateClipboard(); // NIBLO_MainClipboard.cpp
    void OfferToEmptyClipboard();
    void FormClose();

    // Panes (NIBLO_MainView.cpp).
    void CreatePanes();
    void LayoutChildren();
    void LayoutPanes();          // the panes' places and sizes for their cell counts, and the window's size
    int RowAddressSpace() const; // the width the row-address column takes, 0 while it is hidden
    int InspectorSpace() const;  // the width the docked inspector takes beside the panes, else 0
    void CreateInspector();
    void InspectorMoved(); // shown, hidden, resized or floated: the panes fit what is left
    int LastInspectorSpace = 0;
    bool InspectorMovePending = false;
    void RefreshRowAddresses();
    void FormResize();
    void UpdateScrollSteps(); // the scroll bar's steps in its units, which a large file scales
    void FitAddressPanel();   // the address panel as wide as the file's largest address needs
    int AddressPanelDigits = 0;
    void JkStrGridDrawCell(TJkStrGrid* grid, int col, int row, const QRect& rect, QPainter& painter,
                           bool selected);

    std::array<QAction*, CommandCount> Actions{};
    std::array<QToolButton*, CommandCount> Buttons{};
    QWidget* Client = nullptr;
    TProgressBox* Progress = nullptr;
    std::string FirstArgument;
    bool Resizing = false;
    // Sizes this window asked for, newest last, and when the newest was asked. The window manager
    // answers each with a resize event, sometimes late, after a newer request, or twice (X11 reports the
    // size at once and again when the window manager has dealt with it; a window manager that frames a
    // new window may first send the size it found at mapping). Such an answer is no resize by the user
    // and must not snap the panes to it. Once the newest request is SettleMs old, all are forgotten.
    std::deque<QSize> OwnSizes;
    std::chrono::steady_clock::time_point NewestAskedAt;
    static constexpr int SettleMs = 1500;
    bool NewestReasserted = false;
    void AskForSize(QSize size);
    // Where the frame belongs until the window manager has framed the window.
    std::optional<QPoint> WantedFramePos;
    int FrameChecks = 0;
    static constexpr int FrameCheckMs = 100;
    static constexpr int MaxFrameChecks = 20;
    void CorrectFramePosition();
    // Wheel turns smaller than a notch (touchpads) add up until they make a row.
    int WheelRemainder = 0;
    // Clears a passing note from the message panel; any other text stops it.
    QTimer* NoteTimer = nullptr;
    static constexpr int NoteMs = 4000;
};
