// SPDX-License-Identifier: GPL-3.0-or-later
// The main menu and the toolbar strip, both built from the command table, and the table's handlers.
#include "ui/NIBLO_Main.h"

#include "controls/JkBtn.h"
#include "engine/editing/Editing.h"
#include "engine/document/Navigation.h"
#include "engine/search/Replace.h"
#include "engine/search/Search.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/editing/PaneEditing.h"
#include "engine/editing/Undo.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

#include <map>

namespace {

constexpr int ButtonSize = 25;
constexpr int FirstButtonLeft = 5;

QString TextOf(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Every entry of the table gets its handler here; a missing function does not compile. An engine command
// is called as it is; a window command is a member function.
struct THandler {
    void (TFormMain::*Member)() = nullptr;
    void (*Free)(Engine::TDocument&) = nullptr;
};
#define NIBLO_HANDLER_Window(Handler)                                                                        \
    THandler {                                                                                               \
        &TFormMain::Handler, nullptr                                                                         \
    }
#define NIBLO_HANDLER_Engine(Handler)                                                                        \
    THandler {                                                                                               \
        nullptr, [](Engine::TDocument& doc) { Engine::Handler(doc); }                                       \
    }
#define NIBLO_HANDLER_ITEM(Id, Place, Flags, Caption, Shortcut, Hint, Help, Tag, Groups, Kind, Handler)      \
    NIBLO_HANDLER_##Kind(Handler),
#define NIBLO_HANDLER_SUBMENU(Id, Place, Flags, Caption, Tag, Groups) THandler{},
constexpr std::array<THandler, CommandCount> Handlers{
    {NIBLO_COMMANDS(NIBLO_HANDLER_ITEM, NIBLO_HANDLER_SUBMENU)}};
#undef NIBLO_HANDLER_ITEM
#undef NIBLO_HANDLER_SUBMENU
#undef NIBLO_HANDLER_Window
#undef NIBLO_HANDLER_Engine

void SetCommandProperties(QAction* action, const TCommandInfo& info) {
    action->setObjectName(TextOf(info.Name));
    action->setProperty("helpContext", info.HelpContext);
    action->setProperty("tag", info.Tag);
}

} // namespace

void TFormMain::CreateMenu() {
    std::map<TCommandPlace, QMenu*> menus;
    for (const TMenuInfo& top : TopMenus) {
        QMenu* menu = menuBar()->addMenu(TextOf(top.Caption));
        menu->setObjectName(TextOf(top.Name));
        menu->menuAction()->setObjectName(TextOf(top.Name));
        menu->menuAction()->setProperty("helpContext", top.HelpContext);
        menu->menuAction()->setProperty("tag", 0);
        menus[top.Place] = menu;
    }
    for (const TCommandInfo& info : CommandTable) {
        if (info.Place == TCommandPlace::Toolbar) continue;
        QMenu* menu = menus.at(info.Place);
        if (info.Flags & SeparatorBefore) {
            QAction* separator = menu->addSeparator();
            separator->setProperty("tag", info.Flags & TaggedSeparator ? info.Tag : 0);
        }
        QAction* action = nullptr;
        if (info.Flags & Submenu) {
            QMenu* submenu = menu->addMenu(TextOf(info.Caption));
            submenu->setObjectName(TextOf(info.Name));
            action = submenu->menuAction();
            // Reopen1 is filled by the recent-files list; the others hold entries of the table.
            if (info.Command == TCommand::Reopen1) Reopen1 = submenu;
            for (const TSubmenuPlace& place : SubmenuPlaces)
                if (place.Command == info.Command) menus[place.Place] = submenu;
        } else {
            action = menu->addAction(TextOf(info.Caption));
            action->setShortcuts(
                QKeySequence::listFromString(TextOf(info.Shortcut), QKeySequence::PortableText));
            action->setStatusTip(TextOf(info.Hint));
            if (info.Flags & Checkable) {
                action->setCheckable(true);
                action->setChecked(true);
            }
            const TCommand command = info.Command;
            connect(action, &QAction::triggered, this, [this, command] { Run(command); });
        }
        SetCommandProperties(action, info);
        Actions[size_t(info.Command)] = action;
    }
}

void TFormMain::CreateToolBar() {
    Panel1 = new QWidget(Client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setProperty("helpContext", HelpToolbar);
    Panel1->setGeometry(0, 0, 400, ButtonSize);
    Panel1->setAutoFillBackground(true);

    int left = FirstButtonLeft;
    for (const TCommandInfo& info : CommandTable) {
        if (info.Place != TCommandPlace::Toolbar) continue;
        auto* button = new TJkBtn(Panel1);
        button->setObjectName(TextOf(info.Name));
        button->setGeometry(left, 0, ButtonSize, ButtonSize);
        button->LoadGlyph(QStringLiteral(":/glyphs/%1.png").arg(TextOf(info.Caption)));
        button->setToolTip(TextOf(info.Hint));
        button->setStatusTip(TextOf(info.Hint)); // hovering sends it to the message panel
        button->setProperty("helpContext", info.HelpContext);
        button->setProperty("tag", info.Tag);
        const TCommand command = info.Command;
        connect(button, &QToolButton::clicked, this, [this, command] { Run(command); });
        Buttons[size_t(info.Command)] = button;
        left += ButtonSize;
    }
}

void TFormMain::Run(TCommand command) {
    // A running progress box owns the program (the engine's, or a dialog's over its worker); nothing else
    // may start meanwhile.
    if (Progress || TProgressBox::Live()) return;
    // Any command ends a run of typing: what is typed next is a step of its own.
    Engine::SealUndoStep(Doc());
    const THandler& handler = Handlers[size_t(command)];
    if (handler.Member) (this->*handler.Member)();
    if (handler.Free) handler.Free(Doc());
}

void TFormMain::DisableTagged(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (action->property("tag").toInt() == 1) action->setEnabled(false);
        if (action->menu()) DisableTagged(action->menu());
    }
}

void TFormMain::DisableFileCommands() {
    for (QAction* action : menuBar()->actions()) {
        if (action->property("tag").toInt() == 1) action->setEnabled(false);
        if (action->menu()) DisableTagged(action->menu());
    }
    for (QToolButton* button : Buttons)
        if (button && button->property("tag").toInt() == 1) button->setEnabled(false);
}

void TFormMain::SetCommandEnabled(TCommand command, bool on) {
    if (QAction* action = Actions[size_t(command)]) action->setEnabled(on);
    if (QToolButton* button = Buttons[size_t(command)]) button->setEnabled(on);
}

void TFormMain::SetCommandHint(TCommand command, const std::string& hint) {
    if (QAction* action = Actions[size_t(command)]) action->setStatusTip(QString::fromStdString(hint));
}

void TFormMain::SetCommandsEnabled(std::span<const TCommand> commands, bool on) {
    for (TCommand command : commands)
        SetCommandEnabled(command, on);
}
