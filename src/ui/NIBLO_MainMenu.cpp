// The main menu and the toolbar strip, both built from the command table, and the handlers that only
// hand a command to the engine.
#include "ui/NIBLO_Main.h"

#include "controls/JkBtn.h"
#include "engine/Editing.h"
#include "engine/EngineState.h"
#include "engine/FileCommands.h"
#include "engine/PaneEditing.h"
#include "engine/Undo.h"

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

// Every entry of the table gets its handler here; a missing member function does not compile.
using THandler = void (TFormMain::*)();
#define NIBLO_HANDLER_ITEM(Id, Place, Flags, Caption, Shortcut, Hint, Help, Tag, Handler) &TFormMain::Handler,
#define NIBLO_HANDLER_SUBMENU(Id, Place, Flags, Caption, Tag) nullptr,
constexpr std::array<THandler, CommandCount> Handlers{
    {NIBLO_COMMANDS(NIBLO_HANDLER_ITEM, NIBLO_HANDLER_SUBMENU)}};
#undef NIBLO_HANDLER_ITEM
#undef NIBLO_HANDLER_SUBMENU

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
            // Reopen1 is filled by the recent-files list; Clipboard1 holds entries of the table.
            if (info.Command == TCommand::Reopen1) Reopen1 = submenu;
            if (info.Command == TCommand::Clipboard1) {
                Clipboard1 = submenu;
                menus[TCommandPlace::Clipboard1] = submenu;
            }
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
    // A running progress box owns the program; nothing else may start meanwhile.
    if (Progress) return;
    // Any command ends a run of typing: what is typed next is a step of its own.
    Engine::SealUndoStep();
    if (THandler handler = Handlers[size_t(command)]) (this->*handler)();
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
    if (QAction* action = Actions[size_t(command)]; action && action->property("tag").toInt() != 2)
        action->setEnabled(on);
    if (QToolButton* button = Buttons[size_t(command)]; button && button->property("tag").toInt() != 2)
        button->setEnabled(on);
}

void TFormMain::SetCommandHint(TCommand command, const std::string& hint) {
    if (QAction* action = Actions[size_t(command)]) action->setStatusTip(QString::fromStdString(hint));
}

void TFormMain::SetCommandsEnabled(std::span<const TCommand> commands, bool on) {
    for (TCommand command : commands)
        SetCommandEnabled(command, on);
}

// The commands the engine carries out by itself.
void TFormMain::New1Click() {
    Engine::New1Click();
}
void TFormMain::Open1Click() {
    Engine::Open1Click();
}
void TFormMain::Save1Click() {
    Engine::Save1Click();
}
void TFormMain::SaveAs1Click() {
    Engine::SaveAs1Click();
}
void TFormMain::Close1Click() {
    Engine::Close1Click();
}
void TFormMain::Insertfile1Click() {
    Engine::Insertfile1Click();
}
void TFormMain::Writeblock1Click() {
    Engine::Writeblock1Click();
}
void TFormMain::Undo1Click() {
    Engine::Undo1Click();
}
void TFormMain::Redo1Click() {
    Engine::Redo1Click();
}
void TFormMain::Blockmark1Click() {
    Engine::Blockmark1Click();
}
void TFormMain::Blockunmark1Click() {
    Engine::Blockunmark1Click();
}
void TFormMain::Blockdelete1Click() {
    Engine::Blockdelete1Click();
}
void TFormMain::Blockcopy1Click() {
    Engine::Blockcopy1Click(Engine::TBlockCopyKind::Copy);
}
void TFormMain::Blockcopyovwr1Click() {
    Engine::Blockcopy1Click(Engine::TBlockCopyKind::Overwrite);
}
void TFormMain::Blockmove1Click() {
    Engine::Blockcopy1Click(Engine::TBlockCopyKind::Move);
}
void TFormMain::Deletefromcursor1Click() {
    Engine::Deletefromcursor1Click();
}
void TFormMain::Deletetocursor1Click() {
    Engine::Deletetocursor1Click();
}
void TFormMain::ModusText1Click() {
    Engine::ModusText1Click();
}
void TFormMain::ModusOverwrite1Click() {
    Engine::ModusOverwrite1Click();
}
