// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/NIBLO_Main.h"

#include "kit/UiApplication.h"

#include "engine/store/PieceStore.h"
#include "engine/inspector/DataInspector.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/document/Navigation.h"
#include "engine/editing/PaneEditing.h"
#include "engine/recovery/Recovery.h"
#include "engine/document/RowAddresses.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "files/NIBLO_OSE.h"
#include "kit/FirstPaintProbe.h"
#include "kit/JkGrid.h"
#include "kit/JkRowAddresses.h"
#include "kit/JkScroll.h"
#include "dialogs/NIBLO_Opt.h"
#include "kit/Jkdialog.h"
#include "kit/JkStatusBar.h"
#include "kit/ProgressBox.h"
#include "ui/NIBLO_Inspector.h"

#include <QTabBar>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>

#include <algorithm>

// The resources live in a static library; nothing would pull them into the program without this.
static void InitResources() {
    Q_INIT_RESOURCE(niblo);
}

TFormMain::TFormMain(std::string firstArgument, QWidget* parent)
    : QMainWindow(parent), FirstArgument(std::move(firstArgument)) {
    InitResources();
    // The desktop's icon of the program, also for every dialog.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/niblo.png").arg(size));
    QApplication::setWindowIcon(icon);
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QString::fromLatin1(Engine::ProgramName));
    App.Host = this;
    SetUiApplication(&App);
    Tabs.push_back(TTab{std::make_unique<Engine::TDocument>(App), {}, {}, {}, {}});
    Doc().ShowIn(this);
    SetUiDocument(&Doc());

    Client = new QWidget(this);
    setCentralWidget(Client);
    CreateMenu();
    CreateToolBar();
    CreatePanes();
    FormCreate();
}

TFormMain::~TFormMain() {
    // The dock outlives this part of the window and reports its hiding while the window goes.
    if (Inspector) Inspector->disconnect(this);
    delete Progress;
    Progress = nullptr;
    SetUiApplication(nullptr);
    SetUiDocument(nullptr);
}

void TFormMain::FormCreate() {
    InstallHelp();
    ToolBarHeight = Panel1->height();
    // The toolbar glyphs were loaded with the buttons.

    ScrollBar1 = new TJkScrollBar(Client);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->SetKind(Qt::Vertical);
    ScrollBar1->setGeometry(745, 27, style()->pixelMetric(QStyle::PM_ScrollBarExtent), 334);
    ScrollBar1->OnScroll = [this](int code, int32_t& position) { ScrollBar1Scroll(code, position); };
    ScrollBar1->OnWheel = [this](QWheelEvent* event) { return PaneWheel(event); };

    RefitLabels(this);
    // Hints reach the message panel through the status-tip events handled in event().
    StatusBar1->SetPanelText(2, QString::fromLatin1(Texts::Insert));
    CreateRecentFiles();
    CreateFileDrop();
    CreateClipboard();
    FitAddressPanel();
    PanelsAdjust(StatusBar1, {1, QString::fromStdString(FormatText(Texts::CharDec, {int64_t(255)})), 2,
                              QString::fromLatin1(Texts::Overwrite)});
    Doc().File.Untitled = false;
    App.NoNameCounter = 0;

    // The designed layout holds until the settings are applied at the first activation.
    SetPaneDimensions(Engine::DefaultCols, Engine::DefaultRows);
    Action(TCommand::Rowaddresses1)->setChecked(false);
    CreateInspector();
    CreateTabs();
    Engine::Close1Click(Doc());
}

void TFormMain::FormActivate() {
    if (Activated) return;
    Activated = true;
    ReadSettings();
    // Qt's clipboard needs no registration of the binary format, so Clipboard1 always stays usable.
    if (!FirstArgument.empty() && OpenInTab(FirstArgument, FirstReadOnly) && FirstAddress)
        Engine::GoToEntered(Doc(), *FirstAddress);
    if (FirstArgument.empty() && RestoreSession && !OneFileAtATime) OpenSession();
    if (!OneFileAtATime) {
        const size_t first = ShownTab();
        for (const std::string& name : MoreArguments)
            OpenInTab(name, false);
        ShowTab(first);
    }
    // Changes a program that ended left unsaved, after those of the file just opened.
    // Each recovered file gets a tab of its own (the shown one while it is empty).
    Engine::OfferRecoveries(Doc(), [this]() -> Engine::TDocument& {
        if (!OneFileAtATime && (Doc().FileOpen || Doc().Modified)) AddTab();
        return Doc();
    });
    ArmFirstPaintProbe(JkStrGridHex, [this] { return Doc().Store.FileSize(); });
}

void TFormMain::CheckFileOnDisk() {
    // A running operation or an open box owns the moment; the next activation asks.
    if (Progress || QApplication::activeModalWidget()) return;
    Engine::CheckDiskOnActivate(Doc());
}

void TFormMain::FormClose() {
    // The user saved or gave up the changes: nothing is left to recover.
    for (TTab& tab : Tabs) {
        Engine::RecoveryClosed(*tab.Document);
        Engine::RecoveryDrain(*tab.Document);
    }
    WriteSettings();
    OfferToEmptyClipboard();
}

void TFormMain::Exit1Click() {
    close();
}

void TFormMain::Rowaddresses1Click() {
    SetRowAddressesShown(!RowAddresses);
}

void TFormMain::Datainspector1Click() {
    Inspector->setVisible(Inspector->isHidden());
}

void TFormMain::CreateInspector() {
    Inspector = new TInspectorPanel(this);
    Inspector->Document = [this]() -> Engine::TDocument& { return Doc(); };
    addDockWidget(Qt::RightDockWidgetArea, Inspector);
    Inspector->hide();
    Action(TCommand::Datainspector1)->setChecked(false);
    connect(Inspector, &QDockWidget::visibilityChanged, this, [this] {
        Action(TCommand::Datainspector1)->setChecked(!Inspector->isHidden());
        Inspector->Follow();
        InspectorMoved();
    });
    connect(Inspector, &QDockWidget::topLevelChanged, this, [this] { InspectorMoved(); });
    connect(Inspector, &TInspectorPanel::Resized, this, [this] { InspectorMoved(); });
    connect(Inspector, &TInspectorPanel::ValueTyped, this, [this](int row, const QString& text) {
        const std::string error =
            Engine::WriteInspectorText(Doc(), static_cast<Engine::TInspectorRow>(row), text.toStdString(),
                                       Inspector->Order());
        if (!error.empty()) ShowStatusMessage(QString::fromStdString(error));
    });
}

int TFormMain::InspectorSpace() const {
    if (!Inspector || Inspector->isHidden() || Inspector->isFloating()) return 0;
    return Inspector->width() + style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
}

void TFormMain::InspectorMoved() {
    // After the dock layout has settled: the dock learns its width only once the window lays it out.
    if (InspectorMovePending) return;
    InspectorMovePending = true;
    QTimer::singleShot(0, this, [this] {
        InspectorMovePending = false;
        // Height changes of the dock leave the panes alone.
        if (InspectorSpace() == LastInspectorSpace) return;
        LastInspectorSpace = InspectorSpace();
        // Like the row-address column: the panes keep their cells and the window makes room, unless it
        // cannot grow.
        if (isMaximized() || isFullScreen())
            FormResize();
        else
            SetPaneDimensions(Doc().View.Cols, Doc().View.Rows);
    });
}

bool TFormMain::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::StatusTip:
        ShowStatusMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    case QEvent::WindowActivate:
        // Queued, so that a question box does not open inside the activation itself.
        if (Activated) QMetaObject::invokeMethod(this, &TFormMain::CheckFileOnDisk, Qt::QueuedConnection);
        FormActivate();
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Some window managers never activate the window; the start-up work must run anyway.
    if (!Activated) QMetaObject::invokeMethod(this, &TFormMain::FormActivate, Qt::QueuedConnection);
}

void TFormMain::closeEvent(QCloseEvent* event) {
    // While a progress box runs the operation owns the buffer; the window stays.
    if (Progress || !ConfirmSaveAll()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

// Geometry. The frame and the caption belong to the window manager; the client area holds the menu bar,
// the toolbar strip, the panes with the scroll bar and the status bar, with a border of one pixel around
// the panes as the designed layout has.
namespace {
constexpr int BorderWidth = 1;
constexpr int BorderHeight = 1;
} // namespace

static int MenuBarHeight(const QMainWindow* window) {
    const QMenuBar* bar = qobject_cast<const QMenuBar*>(window->menuWidget());
    if (!bar || bar->isNativeMenuBar()) return 0;
    return bar->sizeHint().height();
}

static int ScrollBarWidth(const QWidget* widget) {
    return widget->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

static int StripHeight(const QWidget* panel) {
    return panel->isHidden() ? 0 : panel->height();
}

int TFormMain::TopHeight() const {
    return StripHeight(Panel1) + (TabBar && !TabBar->isHidden() ? TabBar->sizeHint().height() : 0);
}

int TFormMain::WindowWidthFor(int cols) const {
    return RowAddressSpace() + InspectorSpace() + 4 * BorderWidth + PaneWidth(JkStrGridText, cols) +
           PaneWidth(JkStrGridHex, cols) + ScrollBarWidth(this);
}

int TFormMain::WindowHeightFor(int rows) const {
    return MenuBarHeight(this) + 2 * BorderHeight + TopHeight() + StatusBar1->sizeHint().height() +
           PaneHeight(JkStrGridText, rows);
}

const QScreen* ScreenOf(const QWidget* window) {
    const QScreen* screen = window->screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

int TFormMain::ColsForWidth(int width) const {
    return ColsForWidth(width, JkStrGridText->DefaultColWidth() + JkStrGridHex->DefaultColWidth());
}

int TFormMain::RowsForHeight(int height) const {
    return RowsForHeight(height, JkStrGridText->DefaultRowHeight());
}

int TFormMain::ColsForWidth(int width, int cellPairWidth) const {
    const int line = JkStrGridText->GridLineWidth();
    return (width - RowAddressSpace() - InspectorSpace() - 4 * BorderWidth - ScrollBarWidth(this) -
            4 * line) /
           (cellPairWidth + 2 * line);
}

int TFormMain::RowsForHeight(int height, int rowHeight) const {
    const int line = JkStrGridText->GridLineWidth();
    return (height - MenuBarHeight(this) - 2 * BorderHeight - TopHeight() -
            StatusBar1->sizeHint().height() - 4 * line) /
           (line + rowHeight);
}

TFormMain::TCellSize TFormMain::CellSizeFor(const QFont& font) {
    const QFontMetrics metrics(font);
    // The widest hex digit sets the cell widths; a later digit wins only when strictly wider.
    QChar widest = u'X';
    int width = 0;
    for (QChar digit : QStringLiteral("0123456789ABCDEF")) {
        if (metrics.horizontalAdvance(digit) > width) {
            width = metrics.horizontalAdvance(digit);
            widest = digit;
        }
    }
    return {width + 4, metrics.horizontalAdvance(QString(2, widest)) + 4, metrics.height() + 4};
}

QSize TFormMain::PaneLimits() const {
    return PaneLimits(JkStrGridText->DefaultColWidth() + JkStrGridHex->DefaultColWidth(),
                      JkStrGridText->DefaultRowHeight());
}

QSize TFormMain::PaneLimitsFor(const QString& fontName, int fontSize) const {
    const TCellSize cells = CellSizeFor(ResolveFont(fontName, fontSize));
    return PaneLimits(cells.TextWidth + cells.HexWidth, cells.Height);
}

QSize TFormMain::PaneLimits(int cellPairWidth, int rowHeight) const {
    // The frame and caption take their share of the available area (nothing while the window is unframed).
    const QSize area = ScreenOf(this)->availableGeometry().size() - (frameGeometry().size() - size());
    return {ColsForWidth(area.width(), cellPairWidth), RowsForHeight(area.height(), rowHeight)};
}

void TFormMain::SetPaneDimensions(int cols, int rows) {
    // The window never grows past the screen's available area; it gets fewer cells instead.
    const QSize limits = PaneLimits();
    cols = std::min(cols, std::max(MinCells, limits.width()));
    rows = std::min(rows, std::max(MinCells, limits.height()));
    const bool wasResizing = Resizing;
    Resizing = true;
    for (TJkStrGrid* pane : {JkStrGridText, JkStrGridHex}) {
        pane->SetColCount(cols);
        pane->SetRowCount(rows);
    }
    LayoutPanes();
    Engine::SetPageDimensions(Doc(), cols, rows);
    UpdateScrollSteps();
    Resizing = wasResizing;
}

void TFormMain::LayoutPanes() {
    const bool wasResizing = Resizing;
    Resizing = true;
    const int cols = JkStrGridText->ColCount();
    const int rows = JkStrGridText->RowCount();
    for (TJkStrGrid* pane : {JkStrGridText, JkStrGridHex})
        pane->resize(PaneWidth(pane, cols), PaneHeight(pane, rows));
    if (RowAddresses)
        RowAddressColumn->setGeometry(0, JkStrGridText->y(), RowAddressSpace() - BorderWidth,
                                      JkStrGridText->height());
    JkStrGridText->move(RowAddressSpace(), JkStrGridText->y());
    JkStrGridHex->move(JkStrGridText->x() + JkStrGridText->width() + BorderWidth, JkStrGridText->y());
    const QSize wanted(WindowWidthFor(cols), WindowHeightFor(rows));
    // A maximised or full-screen window keeps its size; only a differing size is asked for, so the
    // resize event that answers it finds nothing more to do.
    if (!isMaximized() && !isFullScreen() && size() != wanted) {
        NewestReasserted = false;
        AskForSize(wanted);
    }
    ScrollBar1->setGeometry(JkStrGridHex->x() + JkStrGridHex->width() + BorderWidth, ScrollBar1->y(),
                            ScrollBarWidth(this), JkStrGridText->height() - 1);
    LayoutChildren();
    Resizing = wasResizing;
}

void TFormMain::LayoutChildren() {
    Panel1->setGeometry(0, 0, Client->width(), StripHeight(Panel1));
    if (TabBar) TabBar->setGeometry(0, StripHeight(Panel1), Client->width(), TabBar->sizeHint().height());
    const int statusHeight = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(0, Client->height() - statusHeight, Client->width(), statusHeight);
}

void TFormMain::AskForSize(QSize size) {
    std::erase(OwnSizes, size);
    OwnSizes.push_back(size);
    if (OwnSizes.size() > 4) OwnSizes.pop_front();
    NewestAskedAt = Clock();
    resize(size);
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayoutChildren();
    if (!OwnSizes.empty() &&
        Clock() - NewestAskedAt > std::chrono::milliseconds(SettleMs))
        OwnSizes.clear();
    // Answered while asking (X11 and offscreen answer at once): the answer may still come again.
    if (Resizing) return;
    const auto answered = std::find(OwnSizes.begin(), OwnSizes.end(), event->size());
    if (answered != OwnSizes.end()) {
        // An answer to one of our own requests. After an older one the newer answer normally follows;
        // should the window manager stop at the older size, ask once more for the newest.
        if (answered + 1 != OwnSizes.end() && !NewestReasserted) {
            NewestReasserted = true;
            AskForSize(OwnSizes.back());
        }
        return;
    }
    // The user's resize, a maximise or a restore: the grid follows the window, and nothing asked
    // before is still on its way.
    OwnSizes.clear();
    FormResize();
}

void TFormMain::PlaceFrameAt(QPoint pos) {
    // Window managers differ in where a move puts a window that is not framed yet, and they report the
    // frame later without any event. The position the program stores is what counts: the window is
    // moved until that reads back as pos, so that a start puts it exactly where the last exit left it.
    WantedFramePos = pos;
    FrameChecks = 0;
    move(pos);
    CorrectFramePosition();
}

void TFormMain::CorrectFramePosition() {
    if (!WantedFramePos) return;
    const QPoint error = *WantedFramePos - frameGeometry().topLeft();
    if (!error.isNull()) move(pos() + error);
    // Looked at again for a while: a window that is never framed stops being watched.
    if (++FrameChecks < MaxFrameChecks)
        QTimer::singleShot(FrameCheckMs, this, [this] { CorrectFramePosition(); });
    else
        WantedFramePos.reset();
}

void TFormMain::FormResize() {
    const int cols = std::max(ColsForWidth(width()), MinCells);
    const int rows = std::max(RowsForHeight(height()), MinCells);
    SetPaneDimensions(cols, rows);
}

void TFormMain::ApplyFontSize(int size) {
    for (TJkStrGrid* pane : {JkStrGridText, JkStrGridHex})
        pane->SetFontSize(size);
    const TCellSize cells = CellSizeFor(JkStrGridText->PaneFont());
    JkStrGridText->SetDefaultColWidth(cells.TextWidth);
    JkStrGridHex->SetDefaultColWidth(cells.HexWidth);
    for (TJkStrGrid* pane : {JkStrGridText, JkStrGridHex})
        pane->SetDefaultRowHeight(cells.Height);
    SetPaneDimensions(Doc().View.Cols, Doc().View.Rows);
}

void TFormMain::ApplyFontName(const QString& name) {
    for (TJkStrGrid* pane : {JkStrGridText, JkStrGridHex})
        pane->SetFontName(name.left(255));
    // Typing and the text fields go by the set the text pane draws with.
    App.OemFont = JkStrGridText->UsesOemGlyphs();
    ApplyFontSize(JkStrGridHex->FontSize());
}

void TFormMain::SetToolBarHidden(bool hidden) {
    Panel1->setHidden(hidden);
    Panel1->resize(Panel1->width(), hidden ? 0 : ToolBarHeight);
    PlacePanesBelowTop();
}

void TFormMain::PlacePanesBelowTop() {
    const int strip = TopHeight();
    JkStrGridText->move(JkStrGridText->x(), strip + 1);
    JkStrGridHex->move(JkStrGridHex->x(), strip + 1);
    SetPaneDimensions(Doc().View.Cols, Doc().View.Rows);
    ScrollBar1->move(ScrollBar1->x(), strip + 2);
}

int TFormMain::RowAddressSpace() const {
    return RowAddresses ? RowAddressColumn->WidthFor(Engine::RowAddressDigits(Doc())) + BorderWidth : 0;
}

void TFormMain::SetRowAddressesShown(bool shown) {
    RowAddresses = shown;
    Action(TCommand::Rowaddresses1)->setChecked(shown);
    RowAddressColumn->setVisible(shown);
    // The panes keep their cells and the view stays, unless the wider window would not fit the screen.
    if (Doc().View.Cols > std::max(MinCells, PaneLimits().width()))
        SetPaneDimensions(Doc().View.Cols, Doc().View.Rows);
    else
        LayoutPanes();
    RefreshRowAddresses();
}

// Messages, busy indicator and progress box.
int TFormMain::ShowInfo(const std::string& text) {
    return InfoBox(QString::fromStdString(text));
}

int TFormMain::ShowError(const std::string& text) {
    return ErrorBox(QString::fromStdString(text));
}

int TFormMain::AskYesNo(const std::string& text) {
    return YesNoBox(QString::fromStdString(text));
}

int TFormMain::AskYesNoCancel(const std::string& text) {
    return YesNoCancelBox(QString::fromStdString(text));
}

void TFormMain::ShowStatusText(const std::string& text) {
    ShowStatusMessage(QString::fromStdString(text));
}

void TFormMain::ShowStatusNote(const std::string& text) {
    ShowStatusMessage(QString::fromStdString(text));
    if (!NoteTimer) {
        NoteTimer = new QTimer(this);
        NoteTimer->setSingleShot(true);
        connect(NoteTimer, &QTimer::timeout, this, [this] { ShowStatusMessage(QString()); });
    }
    NoteTimer->start(NoteMs);
}

void TFormMain::BusyOn(const std::string& text) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ShowStatusMessage(QString::fromStdString(text));
    // Repaint only: a queued key would act on half-changed state.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFormMain::BusyOff() {
    QApplication::restoreOverrideCursor();
    ShowStatusMessage(QString());
}

void TFormMain::ProgressOpen(const std::string& caption, const std::string& label) {
    delete Progress;
    Progress =
        new TProgressBox(this, true, true, QString::fromStdString(label), QString::fromStdString(caption));
}

bool TFormMain::SetProgress(int64_t done, int64_t total, int step) {
    return Progress && AdvanceGauge(Progress, done, total, step);
}

void TFormMain::SetProgressText(const std::string& text, int every) {
    if (Progress) ShowProgressText(Progress, QString::fromStdString(text), every);
}

void TFormMain::EnableCancel(bool on) {
    if (Progress) EnableCancelButton(Progress, on);
}

bool TFormMain::Cancelled() {
    return Progress && Progress->Cancelled;
}

void TFormMain::ProgressClose() {
    delete Progress;
    Progress = nullptr;
}

void TFormMain::SetCaption(const std::string& caption) {
    // Qt shows "*" in place of the placeholder while the window is modified, and the taskbar with it.
    setWindowTitle(QString::fromStdString(caption) + QStringLiteral("[*]"));
    setWindowModified(Doc().Modified);
    UpdateTabs();
}

void TFormMain::ModifiedChanged(bool modified) {
    setWindowModified(modified);
    UpdateTabs();
}

void TFormMain::Beep() {
    QApplication::beep();
}

TCharacterSet TFormMain::TextPaneSet() {
    return Engine::ShownSet(App.CharacterSet, JkStrGridText->UsesOemGlyphs());
}

std::optional<std::string> TFormMain::ChooseFile(TFileDialogMode mode, const std::string& title,
                                                 std::string& dir, const std::string& masks,
                                                 const std::string& favouritesSection) {
    // One dialog for the run: it keeps its folder, filter, view and sort order between requests.
    if (!FormOSE) FormOSE = new TFormOSE(this);
    if (FormOSE->Execute(mode, QString::fromStdString(title), dir, masks, favouritesSection) != mrOk)
        return std::nullopt;
    return FormOSE->ChosenFile;
}
