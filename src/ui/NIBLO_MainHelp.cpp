// SPDX-License-Identifier: GPL-3.0-or-later
// The Help menu, the "What's this?" button and the routing of help requests; the about box.
#include "ui/NIBLO_Main.h"

#include "controls/Jk_About2.h"
#include "engine/document/EngineState.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "kit/Help.h"
#include "kit/Jkdialog.h"
#include "kit/JkStatusBar.h"

#include <QAction>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QWhatsThis>

namespace {

// Menus show their "What's this?" texts themselves: every item gets its topic, or its menu's.
void SetMenuWhatsThis(QMenu* menu, int inherited) {
    const int own = menu->menuAction()->property("helpContext").toInt();
    const int menuContext = own ? own : inherited;
    menu->menuAction()->setWhatsThis(HelpTopicBody(menuContext));
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        if (action->menu()) {
            SetMenuWhatsThis(action->menu(), menuContext);
            continue;
        }
        const int context = action->property("helpContext").toInt();
        action->setWhatsThis(HelpTopicBody(context ? context : menuContext));
    }
}

} // namespace

void TFormMain::InstallHelp() {
    // The hook outlives this window when help is asked for after it has gone (or a newer window took
    // over); only a living window answers.
    SetHelpHook([self = QPointer<TFormMain>(this)](THelpCommand command, int data, bool& callHelp) {
        if (self) self->HandleHelpRequest(command, data, callHelp);
    });
    InstallHelpRouting();
    for (QAction* action : menuBar()->actions())
        if (action->menu()) SetMenuWhatsThis(action->menu(), 0);
}

void TFormMain::Contents1Click() {
    HelpCommand(THelpCommand::Finder, 0);
}

void TFormMain::JkBtnWhatsClick() {
    QWhatsThis::enterWhatsThisMode();
}

// The toolbar strip and the panes answer a context request with a pop-up; the status bar with the
// pop-up of the panel under the pointer. Everything else goes on to the help window.
void TFormMain::HandleHelpRequest(THelpCommand command, int data, bool& callHelp) {
    if (command == THelpCommand::Finder) return;
    if (data == HelpStatusBar) {
        const QPoint pointer = QCursor::pos();
        const int panel = PanelAt(StatusBar1, StatusBar1->mapFromGlobal(pointer).x());
        ShowHelpPopup(panel < StatusBar1->PanelCount() ? HelpStatusPanel0 + panel : HelpStatusBar, pointer);
        callHelp = false;
    } else if (command == THelpCommand::Context &&
               (data == HelpToolbar || data == HelpTextPane || data == HelpHexPane)) {
        ShowHelpPopup(data, QCursor::pos());
        callHelp = false;
    }
}

void TFormMain::Info1Click() {
    TFormAbout2 about(this);
    about.LabelInfo->setText(
        QString::fromStdString(FormatText(Texts::MemoryState, {int64_t(Doc().Store.FileSize()),
                                                               int64_t(Doc().Store.AddedBytes())})));
    CenterOverActiveForm(&about);
    about.exec();
}
