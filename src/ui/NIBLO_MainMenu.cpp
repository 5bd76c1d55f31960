// The main menu and the toolbar strip of the main window.
#include "ui/NIBLO_Main.h"

#include "engine/Editing.h"
#include "engine/EngineState.h"
#include "engine/FileCommands.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QWhatsThis>

namespace {

// Help contexts of the top-level menus.
constexpr int HelpFile = 11, HelpEdit = 12, HelpSearch = 13, HelpAddress = 14, HelpTools = 15, HelpHelp = 16;

QMenu* AddTopMenu(QMenuBar* bar, const char* name, const QString& caption, int helpContext) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setProperty("helpContext", helpContext);
    menu->menuAction()->setProperty("tag", 0);
    return menu;
}

} // namespace

QAction* TFormMain::AddItem(QMenu* menu, TCommand command, const char* name, const QString& caption,
                            const QKeySequence& shortcut, const QString& hint, int helpContext, int tag) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setStatusTip(hint);
    action->setProperty("helpContext", helpContext);
    action->setProperty("tag", tag);
    Actions[size_t(command)] = action;
    connect(action, &QAction::triggered, this, [this, command] { Run(command); });
    return action;
}

void TFormMain::CreateMenu() {
    QMenuBar* bar = menuBar();
    const QKeySequence none;

    QMenu* file = AddTopMenu(bar, "File1", tr("&File"), HelpFile);
    AddItem(file, TCommand::New1, "New1", tr("&New"), QKeySequence(Qt::CTRL | Qt::Key_N), {}, 0, 0);
    AddItem(file, TCommand::Open1, "Open1", tr("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O), {}, 0, 0);
    Reopen1 = file->addMenu(tr("&Reopen"));
    Reopen1->setObjectName(QStringLiteral("Reopen1"));
    Reopen1->menuAction()->setObjectName(QStringLiteral("Reopen1"));
    Reopen1->menuAction()->setProperty("helpContext", 0);
    Reopen1->menuAction()->setProperty("tag", 0);
    Actions[size_t(TCommand::Reopen1)] = Reopen1->menuAction();
    AddItem(file, TCommand::Save1, "Save1", tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S), {}, 0, 1);
    AddItem(file, TCommand::SaveAs1, "SaveAs1", tr("Save &As..."), none, {}, 0, 1);
    AddItem(file, TCommand::Close1, "Close1", tr("&Close"), none, {}, 0, 1);
    file->addSeparator();
    AddItem(file, TCommand::Insertfile1, "Insertfile1", tr("&Insert..."), none,
            tr("Insert file contents before current address"), 0, 1);
    AddItem(file, TCommand::Writeblock1, "Writeblock1", tr("&Write block..."), none,
            tr("Write block to file"), 0, 1);
    file->addSeparator();
    AddItem(file, TCommand::Exit1, "Exit1", tr("&Exit"), none, {}, 0, 0);

    QMenu* edit = AddTopMenu(bar, "Edit1", tr("&Edit"), HelpEdit);
    AddItem(edit, TCommand::Insert1, "Insert1", tr("&Insert string..."), none,
            tr("Insert string before current address"), 50, 1);
    edit->addSeparator();
    AddItem(edit, TCommand::Blockmark1, "Blockmark1", tr("Block &mark"), QKeySequence(Qt::CTRL | Qt::Key_B),
            tr("Mark begin or end of block"), 56, 1);
    AddItem(edit, TCommand::Blocknchars1, "Blocknchars1", tr("Block <&n> chars..."), none,
            tr("Mark block consisting of <n> chars"), 56, 1);
    AddItem(edit, TCommand::Blockunmark1, "Blockunmark1", tr("Block &unmark"),
            QKeySequence(Qt::CTRL | Qt::Key_U), {}, 0, 1);
    AddItem(edit, TCommand::Blockdelete1, "Blockdelete1", tr("Block &delete"),
            QKeySequence(Qt::CTRL | Qt::Key_D), {}, 0, 1);
    AddItem(edit, TCommand::Blockcopy1, "Blockcopy1", tr("Block &copy"), QKeySequence(Qt::CTRL | Qt::Key_K),
            tr("Copy block before current adress"), 0, 1);
    AddItem(edit, TCommand::Blockcopyovwr1, "Blockcopyovwr1", tr("Block copy/&overwrite"),
            QKeySequence(Qt::CTRL | Qt::Key_W), tr("Copy block at current adress (overwriting)"), 0, 1);
    AddItem(edit, TCommand::Blockmove1, "Blockmove1", tr("Block mo&ve"), QKeySequence(Qt::CTRL | Qt::Key_M),
            tr("Move block before current adress"), 0, 1);
    edit->addSeparator();
    Clipboard1 = edit->addMenu(tr("Clip&board"));
    Clipboard1->setObjectName(QStringLiteral("Clipboard1"));
    Clipboard1->menuAction()->setObjectName(QStringLiteral("Clipboard1"));
    Clipboard1->menuAction()->setProperty("helpContext", 0);
    Clipboard1->menuAction()->setProperty("tag", 1);
    Actions[size_t(TCommand::Clipboard1)] = Clipboard1->menuAction();
    AddItem(Clipboard1, TCommand::Cut1, "Cut1", tr("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), {}, 0, 1);
    AddItem(Clipboard1, TCommand::Copy1, "Copy1", tr("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), {}, 0, 1);
    AddItem(Clipboard1, TCommand::Paste1, "Paste1", tr("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), {}, 0,
            1);
    edit->addSeparator();
    AddItem(edit, TCommand::Deletefromcursor1, "Deletefromcursor1", tr("Delete &from cursor"), none,
            tr("Delete from current adress (incl.) until end"), 0, 1);
    AddItem(edit, TCommand::Deletetocursor1, "Deletetocursor1", tr("Delete &to cursor"), none,
            tr("Delete from begin until current adress (incl.)"), 0, 1);

    QMenu* search = AddTopMenu(bar, "Search1", tr("&Search"), HelpSearch);
    AddItem(search, TCommand::Find1, "Find1", tr("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F), {}, 51, 1);
    AddItem(search, TCommand::Findagaindown1, "Findagaindown1", tr("Find again &down"),
            QKeySequence(Qt::Key_F3), {}, 51, 1);
    AddItem(search, TCommand::Findagainup1, "Findagainup1", tr("Find again &up"),
            QKeySequence(Qt::SHIFT | Qt::Key_F3), {}, 51, 1);
    AddItem(search, TCommand::Count1, "Count1", tr("&Count..."), none, {}, 52, 1);
    // This separator goes grey with the commands around it.
    search->addSeparator()->setProperty("tag", 1);
    AddItem(search, TCommand::Replace1, "Replace1", tr("&Replace..."), QKeySequence(Qt::CTRL | Qt::Key_R), {},
            53, 1);
    AddItem(search, TCommand::Replaceagaindown1, "Replaceagaindown1", tr("Replace &again down"),
            QKeySequence(Qt::Key_F4), {}, 53, 1);
    AddItem(search, TCommand::Replaceundo1, "Replaceundo1", tr("Replace &undo"), none,
            tr("Undo last replacement"), 53, 1);

    QMenu* address = AddTopMenu(bar, "Address1", tr("&Address"), HelpAddress);
    AddItem(address, TCommand::Goto1, "Goto1", tr("&Goto..."), QKeySequence(Qt::CTRL | Qt::Key_G),
            tr("Goto absolute/relative address"), 0, 1);
    AddItem(address, TCommand::Jumpwidth1, "Jumpwidth1", tr("Jump &width..."), none,
            tr("Enter number of bytes to jump up and down"), 0, 1);
    AddItem(address, TCommand::Jumpdown1, "Jumpdown1", tr("Jump &down"), QKeySequence(Qt::Key_F5), {}, 0, 1);
    AddItem(address, TCommand::Jumpup1, "Jumpup1", tr("Jump &up"), QKeySequence(Qt::SHIFT | Qt::Key_F5), {},
            0, 1);
    address->addSeparator();
    AddItem(address, TCommand::Rememberadress1, "Rememberadress1", tr("&Remember adress"), none,
            tr("Remember current adress"), 0, 1);
    AddItem(address, TCommand::Gotoremembered1, "Gotoremembered1", tr("Goto &re&membered"), none,
            tr("Goto remembered adress"), 0, 1);
    AddItem(address, TCommand::Displaydifference1, "Displaydifference1", tr("Display di&fference..."), none,
            tr("Display difference between current and remembered adress"), 0, 1);

    QMenu* tools = AddTopMenu(bar, "Tools1", tr("&Tools"), HelpTools);
    QAction* modusText = AddItem(tools, TCommand::ModusText1, "ModusText1", tr("&Text mode"), none,
                                 tr("Switch between text/hex mode <TAB>"), 0, 0);
    modusText->setCheckable(true);
    modusText->setChecked(true);
    QAction* modusOverwrite = AddItem(tools, TCommand::ModusOverwrite1, "ModusOverwrite1", tr("O&verwrite"),
                                      none, tr("Switch between insert/overwrite mode <Ins>"), 0, 0);
    modusOverwrite->setCheckable(true);
    modusOverwrite->setChecked(true);
    tools->addSeparator();
    AddItem(tools, TCommand::Decode1, "Decode1", tr("&Decode integer..."), none,
            tr("Decode 1/2/4 bytes as integer"), 0, 1);
    AddItem(tools, TCommand::Encode1, "Encode1", tr("&Encode integer..."), none,
            tr("Encode integer to 1/2/4 bytes"), 0, 1);
    AddItem(tools, TCommand::Patch1, "Patch1", tr("&Patch BP 7.0 EXE"), none,
            tr("Patch BP 7.0 program for execution > 200 Mhz"), 0, 1);
    tools->addSeparator();
    AddItem(tools, TCommand::Options1, "Options1", tr("&Options..."), none,
            tr("General options and appearance"), 0, 0);

    QMenu* help = AddTopMenu(bar, "Help1", tr("&Help"), HelpHelp);
    AddItem(help, TCommand::Contents1, "Contents1", tr("&Contents"), none, {}, 0, 0);
    AddItem(help, TCommand::Info1, "Info1", tr("&About..."), none, tr("About author/memory state"), 0, 0);
}

QToolButton* TFormMain::AddButton(TCommand command, const char* name, int left, const QString& hint,
                                  const QString& glyph, int tag) {
    auto* button = new QToolButton(Panel1);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(left, 0, 25, 25);
    button->setIconSize(QSize(16, 16));
    button->setIcon(QIcon(QStringLiteral(":/%1.png").arg(glyph)));
    button->setToolTip(hint);
    button->setStatusTip(hint); // hovering sends it to the message panel
    button->setProperty("tag", tag);
    Buttons[size_t(command)] = button;
    return button;
}

void TFormMain::CreateToolBar() {
    Panel1 = new QWidget(Client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setProperty("helpContext", 8);
    Panel1->setGeometry(0, 0, 400, 25);
    Panel1->setAutoFillBackground(true);

    // The buttons run what the matching menu items run, also for the commands that come later.
    auto trigger = [this](TCommand command) { return [this, command] { Run(command); }; };
    connect(AddButton(TCommand::JkBtnNew, "JkBtnNew", 5, tr("New file"), "NEW", 0), &QToolButton::clicked,
            this, trigger(TCommand::New1));
    connect(AddButton(TCommand::JkBtnOpen, "JkBtnOpen", 30, tr("Open"), "OPEN", 0), &QToolButton::clicked,
            this, trigger(TCommand::Open1));
    connect(AddButton(TCommand::JkBtnSave, "JkBtnSave", 55, tr("Save"), "SAVE", 1), &QToolButton::clicked,
            this, trigger(TCommand::Save1));
    connect(AddButton(TCommand::JkBtnDel, "JkBtnDel", 80, tr("Delete block"), "DELETE", 1),
            &QToolButton::clicked, this, trigger(TCommand::Blockdelete1));
    connect(AddButton(TCommand::JkBtnCut, "JkBtnCut", 105, tr("Cut to clipboard"), "CUT", 1),
            &QToolButton::clicked, this, trigger(TCommand::Cut1));
    connect(AddButton(TCommand::JkBtnCopy, "JkBtnCopy", 130, tr("Copy to clipboard"), "COPY", 1),
            &QToolButton::clicked, this, trigger(TCommand::Copy1));
    connect(AddButton(TCommand::JkBtnPaste, "JkBtnPaste", 155, tr("Paste from clipboard"), "PASTE", 1),
            &QToolButton::clicked, this, trigger(TCommand::Paste1));
    connect(AddButton(TCommand::JkBtnFind, "JkBtnFind", 180, tr("Find"), "FIND", 1), &QToolButton::clicked,
            this, trigger(TCommand::Find1));
    connect(AddButton(TCommand::JkBtnReplace, "JkBtnReplace", 205, tr("Replace"), "REPLACE", 1),
            &QToolButton::clicked, this, trigger(TCommand::Replace1));
    connect(AddButton(TCommand::JkBtnInfo, "JkBtnInfo", 230, tr("About"), "INFO", 0), &QToolButton::clicked,
            this, trigger(TCommand::Info1));
    connect(AddButton(TCommand::JkBtnWhats, "JkBtnWhats", 255, tr("What's this?"), "WHATS", 0),
            &QToolButton::clicked, this, trigger(TCommand::JkBtnWhats));
}

void TFormMain::Run(TCommand command) {
    // A running progress box owns the program; nothing else may start meanwhile.
    if (Progress) return;
    switch (command) {
    case TCommand::New1:
        Engine::New1Click();
        break;
    case TCommand::Open1:
        Engine::Open1Click();
        break;
    case TCommand::Save1:
        Engine::Save1Click();
        break;
    case TCommand::SaveAs1:
        Engine::SaveAs1Click();
        break;
    case TCommand::Close1:
        Engine::Close1Click();
        break;
    case TCommand::Insertfile1:
        Engine::Insertfile1Click();
        break;
    case TCommand::Writeblock1:
        Engine::Writeblock1Click();
        break;
    case TCommand::Exit1:
        Exit1Click();
        break;
    case TCommand::Blockmark1:
        Engine::Blockmark1Click();
        break;
    case TCommand::Blockunmark1:
        Engine::Blockunmark1Click();
        break;
    case TCommand::Blockdelete1:
        Engine::Blockdelete1Click();
        break;
    case TCommand::Blockcopy1:
        Engine::Blockcopy1Click(Engine::TBlockCopyKind::Copy);
        break;
    case TCommand::Blockcopyovwr1:
        Engine::Blockcopy1Click(Engine::TBlockCopyKind::Overwrite);
        break;
    case TCommand::Blockmove1:
        Engine::Blockcopy1Click(Engine::TBlockCopyKind::Move);
        break;
    case TCommand::Deletefromcursor1:
        Engine::Deletefromcursor1Click();
        break;
    case TCommand::Deletetocursor1:
        Engine::Deletetocursor1Click();
        break;
    case TCommand::ModusText1:
        ModusText1Click();
        break;
    case TCommand::ModusOverwrite1:
        ModusOverwrite1Click();
        break;
    case TCommand::Options1:
        Options1Click();
        break;
    case TCommand::Insert1:
        Insert1Click();
        break;
    case TCommand::Find1:
    case TCommand::JkBtnFind:
        Find1Click();
        break;
    case TCommand::Findagaindown1:
        Findagaindown1Click();
        break;
    case TCommand::Findagainup1:
        Findagainup1Click();
        break;
    case TCommand::Count1:
        Count1Click();
        break;
    case TCommand::Replace1:
    case TCommand::JkBtnReplace:
        Replace1Click();
        break;
    case TCommand::Replaceagaindown1:
        Replaceagaindown1Click();
        break;
    case TCommand::Replaceundo1:
        Replaceundo1Click();
        break;
    case TCommand::Patch1:
        Patch1Click();
        break;
    // "What's this?" mode; the help viewer that answers it comes with the help topics.
    case TCommand::JkBtnWhats:
        QWhatsThis::enterWhatsThisMode();
        break;
    default:
        break; // commands still to come
    }
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

void TFormMain::SetCommandsEnabled(std::span<const TCommand> commands, bool on) {
    for (TCommand command : commands)
        SetCommandEnabled(command, on);
}
