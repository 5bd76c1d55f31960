// SPDX-License-Identifier: GPL-3.0-or-later
// Tabs, one document each: the engine works on the shown one; switching restores the window exactly as
// that tab left it (panes, status, caption and every command's enabled state).
#include "ui/NIBLO_Main.h"

#include "dialogs/NIBLO_Quit.h"
#include "engine/document/Tabs.h"
#include "engine/document/View.h"
#include "engine/editing/PaneEditing.h"
#include "engine/editing/Undo.h"
#include "engine/files/FileAccess.h"
#include "engine/files/FileCommands.h"
#include "engine/files/Paths.h"
#include "engine/settings/IniFile.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "kit/SettingsLocation.h"
#include "kit/JkGrid.h"
#include "kit/UiApplication.h"
#include "ui/NIBLO_Inspector.h"

#include <QKeySequence>
#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QMenuBar>
#include <QMouseEvent>
#include <QAction>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace {

// A tab bar that also closes a tab on a middle click, as browsers and editors do.
class TDocumentTabBar : public QTabBar {
  public:
    using QTabBar::QTabBar;
    std::function<void(int)> OnMiddleClick;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::MiddleButton && OnMiddleClick) {
            const int index = tabAt(event->position().toPoint());
            if (index >= 0) {
                OnMiddleClick(index);
                return;
            }
        }
        QTabBar::mouseReleaseEvent(event);
    }
};

} // namespace

void TFormMain::CreateTabs() {
    auto* bar = new TDocumentTabBar(Client);
    TabBar = bar;
    TabBar->setObjectName(QStringLiteral("TabBar"));
    TabBar->setTabsClosable(true);
    TabBar->setMovable(true);
    TabBar->setExpanding(false);
    TabBar->setDocumentMode(true);
    TabBar->setFocusPolicy(Qt::NoFocus);
    TabBar->hide();
    bar->OnMiddleClick = [this](int index) { CloseTab(size_t(index)); };
    connect(TabBar, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0 && size_t(index) < Tabs.size() && size_t(index) != ActiveTab) ShowTab(size_t(index));
    });
    connect(TabBar, &QTabBar::tabCloseRequested, this, [this](int index) { CloseTab(size_t(index)); });
    connect(TabBar, &QTabBar::tabMoved, this, [this](int from, int to) {
        TTab moved = std::move(Tabs[size_t(from)]);
        Tabs.erase(Tabs.begin() + from);
        Tabs.insert(Tabs.begin() + to, std::move(moved));
        ActiveTab = size_t(TabBar->currentIndex());
    });
    // The Window menu, before Help: the next and previous tab, and one entry per tab (Alt+1..9).
    WindowMenu = new QMenu(tr("&Window"), this);
    WindowMenu->setObjectName(QStringLiteral("Window1"));
    const QList<QAction*> tops = menuBar()->actions();
    menuBar()->insertMenu(tops.isEmpty() ? nullptr : tops.back(), WindowMenu);
    // Ctrl+Tab and Ctrl+Shift+Tab step through the tabs, round.
    auto* next = new QAction(tr("&Next tab"), this);
    next->setObjectName(QStringLiteral("NextTab"));
    next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab));
    next->setStatusTip(tr("Show the next file's tab"));
    WindowMenu->addAction(next);
    connect(next, &QAction::triggered, this, [this] {
        if (Tabs.size() > 1) ShowTab((ActiveTab + 1) % Tabs.size());
    });
    auto* previous = new QAction(tr("&Previous tab"), this);
    previous->setObjectName(QStringLiteral("PreviousTab"));
    previous->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab));
    previous->setStatusTip(tr("Show the previous file's tab"));
    WindowMenu->addAction(previous);
    WindowMenu->addSeparator();
    connect(previous, &QAction::triggered, this, [this] {
        if (Tabs.size() > 1) ShowTab((ActiveTab + Tabs.size() - 1) % Tabs.size());
    });
}

void TFormMain::UpdateTabs() {
    if (!TabBar) return;
    const QSignalBlocker quiet(TabBar);
    while (TabBar->count() > int(Tabs.size()))
        TabBar->removeTab(TabBar->count() - 1);
    while (TabBar->count() < int(Tabs.size()))
        TabBar->addTab(QString());
    for (size_t i = 0; i < Tabs.size(); ++i) {
        const Engine::TDocument& doc = *Tabs[i].Document;
        const bool empty = !doc.FileOpen && !doc.Modified;
        TabBar->setTabText(int(i), empty ? QString::fromLatin1(Engine::ProgramName)
                                         : QString::fromStdString(Engine::TabTitle(doc)));
        TabBar->setTabToolTip(int(i), empty ? QString() : QString::fromStdString(Engine::TabHint(doc)));
    }
    TabBar->setCurrentIndex(int(ActiveTab));
    UpdateWindowMenu();
    // One file shows no tab bar, so that the window looks as it did before tabs.
    const bool shown = Tabs.size() > 1;
    if (shown == !TabBar->isHidden()) return;
    TabBar->setVisible(shown);
    LayoutChildren();
    PlacePanesBelowTop();
}

void TFormMain::UpdateWindowMenu() {
    if (!WindowMenu) return;
    // One file at a time has no tabs to list: the menu goes, as the window had none.
    WindowMenu->menuAction()->setVisible(!OneFileAtATime);
    // The entries are kept and renamed, so that the one being triggered stays alive.
    while (TabEntries.size() > Tabs.size()) {
        QAction* entry = TabEntries.back();
        TabEntries.pop_back();
        WindowMenu->removeAction(entry);
        entry->setObjectName(QString());
        entry->deleteLater();
    }
    while (TabEntries.size() < Tabs.size()) {
        const size_t i = TabEntries.size();
        auto* entry = new QAction(WindowMenu);
        entry->setObjectName(QStringLiteral("WindowTab%1").arg(i + 1));
        entry->setCheckable(true);
        if (i < 9) entry->setShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + int(i))));
        connect(entry, &QAction::triggered, this, [this, i] {
            ShowTab(i);
            UpdateWindowMenu(); // the shown tab keeps its check mark also when it did not change
        });
        WindowMenu->addAction(entry);
        TabEntries.push_back(entry);
    }
    for (size_t i = 0; i < Tabs.size(); ++i) {
        const QString title = TabBar->tabText(int(i));
        TabEntries[i]->setText(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title) : title);
        TabEntries[i]->setChecked(i == ActiveTab);
        TabEntries[i]->setStatusTip(TabBar->tabToolTip(int(i)));
    }
}

void TFormMain::LeaveTab() {
    TTab& tab = Tabs[ActiveTab];
    tab.Enabled.assign(CommandCount, 0);
    for (size_t c = 0; c < CommandCount; ++c) {
        if (const QAction* action = Actions[c]) tab.Enabled[c] = action->isEnabled() ? 1 : 0;
        else if (const QToolButton* button = Buttons[c]) tab.Enabled[c] = button->isEnabled() ? 1 : 0;
    }
    tab.UndoHint = Action(TCommand::Undo1)->statusTip();
    tab.RedoHint = Action(TCommand::Redo1)->statusTip();
    tab.Caption = windowTitle();
    Engine::SealUndoStep(*tab.Document);
    tab.Document->ShowIn(nullptr);
}

void TFormMain::EnterTab() {
    TTab& tab = Tabs[ActiveTab];
    Engine::TDocument& doc = *tab.Document;
    doc.ShowIn(this);
    SetUiDocument(&doc);
    // The panes have one size for every tab: the document takes the page the window shows.
    Engine::SetPageDimensions(doc, JkStrGridText->ColCount(), JkStrGridText->RowCount());
    for (size_t c = 0; c < CommandCount && !tab.Enabled.empty(); ++c)
        SetCommandEnabled(TCommand(c), tab.Enabled[c] != 0);
    Action(TCommand::Undo1)->setStatusTip(tab.UndoHint);
    Action(TCommand::Redo1)->setStatusTip(tab.RedoHint);
    if (!tab.Caption.isEmpty()) setWindowTitle(tab.Caption);
    setWindowModified(doc.Modified);
    SetScrollBarEnabled(doc.FileOpen);
    FitAddressPanel();
    if (doc.FileOpen) {
        Engine::RefillPanes(doc, 0, 0);
        SelectCell(doc.View.CursorCol, doc.View.CursorRow);
    } else {
        ClearPanes();
    }
    UpdateStatus();
    if (Inspector) Inspector->Follow();
    UpdateTabs();
}

void TFormMain::ShowTab(size_t index) {
    if (index >= Tabs.size() || index == ActiveTab || Progress) return;
    LeaveTab();
    ActiveTab = index;
    EnterTab();
}

size_t TFormMain::AddTab() {
    Tabs.push_back(TTab{std::make_unique<Engine::TDocument>(App), {}, {}, {}, {}});
    Engine::TDocument& doc = *Tabs.back().Document;
    LeaveTab();
    ActiveTab = Tabs.size() - 1;
    doc.ShowIn(this);
    SetUiDocument(&doc);
    Engine::SetPageDimensions(doc, JkStrGridText->ColCount(), JkStrGridText->RowCount());
    // A new tab starts as the window starts: no file, every file command off.
    Engine::Close1Click(doc);
    UpdateTabs();
    return ActiveTab;
}

void TFormMain::RemoveTab(size_t index) {
    if (Tabs.size() < 2) return;
    // The Find all list no longer leads anywhere.
    if (HitsDocument == Tabs[index].Document.get()) HitsDocument = nullptr;
    if (index == ActiveTab) {
        LeaveTab();
        Tabs.erase(Tabs.begin() + ptrdiff_t(index));
        ActiveTab = std::min(index, Tabs.size() - 1);
        EnterTab();
    } else {
        Tabs.erase(Tabs.begin() + ptrdiff_t(index));
        if (index < ActiveTab) --ActiveTab;
        UpdateTabs();
    }
}

bool TFormMain::OpenInTab(const std::string& path, bool readOnly, bool fromRecentList) {
    std::vector<Engine::TDocument*> documents;
    for (const TTab& tab : Tabs)
        documents.push_back(tab.Document.get());
    const Engine::TOpenPlace place = Engine::PlaceForOpen(documents, ActiveTab, path, OneFileAtATime);
    switch (place.Kind) {
    case Engine::TOpenPlace::TKind::Existing:
        ShowTab(place.Index);
        return true;
    case Engine::TOpenPlace::TKind::Active:
        // The recent-files list asks the save question in OpenFile itself.
        if (!fromRecentList && !Engine::ConfirmSave(Doc())) return false;
        return Engine::OpenFile(Doc(), path, fromRecentList, readOnly);
    case Engine::TOpenPlace::TKind::NewTab:
        break;
    }
    const size_t before = ActiveTab;
    const size_t added = AddTab();
    if (Engine::OpenFile(Doc(), path, false, readOnly)) return true;
    // Nothing opened: the new tab goes again, and the tab before it shows.
    LeaveTab();
    Tabs.erase(Tabs.begin() + ptrdiff_t(added));
    ActiveTab = before;
    EnterTab();
    return false;
}

bool TFormMain::CloseTab(size_t index) {
    if (index >= Tabs.size() || Progress) return false;
    ShowTab(index);
    if (!Engine::Close1Click(Doc())) return false;
    RemoveTab(index);
    return true;
}

bool TFormMain::ConfirmSaveAll() {
    std::vector<size_t> modified;
    for (size_t i = 0; i < Tabs.size(); ++i)
        if (Tabs[i].Document->Modified && Tabs[i].Document->FileOpen) modified.push_back(i);
    // One file with changes gets the question it always had.
    if (modified.size() < 2) {
        if (modified.empty()) return true;
        ShowTab(modified.front());
        return Engine::ConfirmSave(Doc());
    }
    QStringList names, paths;
    for (size_t i : modified) {
        names << QString::fromStdString(Engine::TabTitle(*Tabs[i].Document));
        paths << QString::fromStdString(Engine::TabHint(*Tabs[i].Document));
    }
    TFormQuit form(this, names, paths);
    if (form.exec() != QDialog::Accepted) return false;
    if (form.Answer == TFormQuit::TAnswer::DiscardAll) return true;
    const std::vector<bool> checked = form.Checked();
    for (size_t k = 0; k < modified.size(); ++k) {
        if (!checked[k]) continue;
        // Each is saved while shown, so that a failure (or an untitled file's Save As) is seen in it.
        ShowTab(modified[k]);
        if (!Engine::Save1Click(Doc())) return false;
    }
    return true;
}

Engine::TSession TFormMain::SessionNow() const {
    std::vector<Engine::TDocument*> documents;
    for (const TTab& tab : Tabs)
        documents.push_back(tab.Document.get());
    return Engine::SessionOf(documents, ActiveTab);
}

void TFormMain::OpenSession() {
    const Engine::TSession session = Engine::ReadSession(TIniFile(ProgramSettingsFile()));
    std::vector<std::string> gone;
    size_t shown = ActiveTab;
    for (size_t i = 0; i < session.Tabs.size(); ++i) {
        const Engine::TSessionTab& tab = session.Tabs[i];
        // A file that is gone is named once in the status bar, not in a box per file.
        if (!FileAccess::StampOf(tab.Path).Exists) {
            gone.push_back(NamePart(tab.Path));
            continue;
        }
        if (!OpenInTab(tab.Path, false)) continue;
        Engine::RestorePlace(Doc(), tab);
        if (i == session.Active) shown = ActiveTab;
    }
    ShowTab(shown);
    if (!gone.empty()) {
        std::string names;
        for (const std::string& name : gone)
            names += (names.empty() ? "" : ", ") + name;
        ShowStatusText(FormatText(Texts::SessionFilesGone, {names}));
    }
}

void TFormMain::TakeFiles(const std::vector<std::string>& files) {
    // A running operation or an open box owns the moment: the files wait for it.
    if (Progress || QApplication::activeModalWidget()) {
        QTimer::singleShot(200, this, [this, files] { TakeFiles(files); });
        return;
    }
    for (const std::string& file : files)
        OpenInTab(file, false);
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

void TFormMain::New1Click() {
    if (!OneFileAtATime && (Doc().FileOpen || Doc().Modified)) AddTab();
    Engine::New1Click(Doc());
}

void TFormMain::Open1Click() {
    if (OneFileAtATime) return Engine::Open1Click(Doc());
    if (const std::optional<std::string> chosen = Engine::ChooseFileToOpen(Doc(), false))
        OpenInTab(*chosen, false);
}

void TFormMain::Openreadonly1Click() {
    if (OneFileAtATime) return Engine::Openreadonly1Click(Doc());
    if (const std::optional<std::string> chosen = Engine::ChooseFileToOpen(Doc(), true))
        OpenInTab(*chosen, true);
}

void TFormMain::Close1Click() {
    CloseTab(ActiveTab);
}
