// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The one list of the program's commands: every menu item and toolbar button, in menu order. The menus,
// the toolbar, the enabling by Tag and the engine tests' host are all built from it, and the window maps
// each entry's handler to a member function, so a command cannot exist without one.
//
// ITEM(Id, Place, Flags, Caption, Shortcut, Hint, HelpContext, Tag, Groups, Kind, Handler)
// SUBMENU(Id, Place, Flags, Caption, Tag, Groups): opens a menu of its own (whose place is named after it).
// Place: the menu or the toolbar the entry lives in. Flags: see TCommandFlag. Shortcut: Qt's portable text,
// more than one separated by "; ". Tag 1: disabled while no file is open; 0: always usable. Groups: the
// TCommandGroup bits of the sets of commands the engine enables and disables together. For toolbar
// buttons, Caption is the glyph name. Kind: Engine, the handler is the engine's command of that name, called
// as it is; Window, a member function of the main window (a dialog to ask first, or the window's own state).
// The sets of commands that the engine enables or disables together.
enum TCommandGroup : unsigned {
    GroupLoaded = 1,      // usable once a file is loaded
    GroupBlock = 2,       // need a complete block
    GroupUnmark = 4,      // unmarking the block disables them (Cut and Copy are the clipboard's to decide)
    GroupJump = 8,        // need a jump width
    GroupRemembered = 16, // need a remembered address
    GroupFindAgain = 32,  // need a search request
    GroupChanges = 64,    // change the file's bytes, or save them over it: off while it is read-only
};

#define NIBLO_COMMANDS(ITEM, SUBMENU)                                                                        \
    ITEM(New1, File, 0, "&New", "Ctrl+N", "", 0, 0, 0, Window, New1Click)                                    \
    ITEM(Open1, File, 0, "&Open...", "Ctrl+O", "", 0, 0, 0, Window, Open1Click)                              \
    ITEM(Openreadonly1, File, 0, "Open &read-only...", "", "Open a file to view it without changing it", 0,  \
         0, 0, Window, Openreadonly1Click)                                                                   \
    SUBMENU(Reopen1, File, 0, "&Reopen", 0, 0)                                                               \
    ITEM(Save1, File, 0, "&Save", "Ctrl+S", "", 0, 1, GroupLoaded | GroupChanges, Engine, Save1Click)        \
    ITEM(SaveAs1, File, 0, "Save &As...", "", "", 0, 1, GroupLoaded, Engine, SaveAs1Click)                   \
    ITEM(Close1, File, 0, "&Close", "", "", 0, 1, GroupLoaded, Window, Close1Click)                          \
    ITEM(Insertfile1, File, SeparatorBefore, "&Insert...", "",                                               \
         "Insert file contents before current address", 0, 1, GroupLoaded | GroupChanges, Engine,            \
         Insertfile1Click)                                                                                   \
    ITEM(Writeblock1, File, 0, "&Write block...", "", "Write block to file", 0, 1, GroupBlock | GroupUnmark, \
         Engine, Writeblock1Click)                                                                           \
    ITEM(Exit1, File, SeparatorBefore, "&Exit", "", "", 0, 0, 0, Window, Exit1Click)                         \
    ITEM(Undo1, Edit, 0, "Undo", "Ctrl+Z", "", 0, 1, GroupChanges, Engine, Undo1Click)                       \
    ITEM(Redo1, Edit, 0, "&Redo", "Ctrl+Y; Ctrl+Shift+Z", "", 0, 1, GroupChanges, Engine, Redo1Click)        \
    ITEM(Insert1, Edit, SeparatorBefore, "&Insert string...", "", "Insert string before current address",    \
         HelpInsert, 1, GroupLoaded | GroupChanges, Window, Insert1Click)                                    \
    ITEM(Blockmark1, Edit, SeparatorBefore, "Block &mark", "Ctrl+B", "Mark begin or end of block",           \
         HelpBlock, 1, GroupLoaded, Engine, Blockmark1Click)                                                 \
    ITEM(Blocknchars1, Edit, 0, "Block <&n> chars...", "", "Mark block consisting of <n> chars", HelpBlock,  \
         1, GroupLoaded, Window, Blocknchars1Click)                                                          \
    ITEM(Blockunmark1, Edit, 0, "Block &unmark", "Ctrl+U", "", 0, 1, GroupUnmark, Engine, Blockunmark1Click) \
    ITEM(Blockdelete1, Edit, 0, "Block &delete", "Ctrl+D", "", 0, 1,                                         \
         GroupBlock | GroupUnmark | GroupChanges, Engine, Blockdelete1Click)                                 \
    ITEM(Blockcopy1, Edit, 0, "Block &copy", "Ctrl+K", "Copy block before current adress", 0, 1,             \
         GroupBlock | GroupUnmark | GroupChanges, Engine, Blockcopy1Click)                                   \
    ITEM(Blockcopyovwr1, Edit, 0, "Block copy/&overwrite", "Ctrl+W",                                         \
         "Copy block at current adress (overwriting)", 0, 1, GroupBlock | GroupUnmark | GroupChanges,        \
         Engine, Blockcopyovwr1Click)                                                                        \
    ITEM(Blockmove1, Edit, 0, "Block mo&ve", "Ctrl+M", "Move block before current adress", 0, 1,             \
         GroupBlock | GroupUnmark | GroupChanges, Engine, Blockmove1Click)                                   \
    SUBMENU(Clipboard1, Edit, SeparatorBefore, "Clip&board", 1, GroupLoaded)                                 \
    ITEM(Cut1, Clipboard1, 0, "Cut", "Ctrl+X", "", 0, 1, GroupBlock | GroupChanges, Window, Cut1Click)       \
    ITEM(Copy1, Clipboard1, 0, "Copy", "Ctrl+C", "", 0, 1, GroupBlock, Window, Copy1Click)                   \
    ITEM(Paste1, Clipboard1, 0, "Paste", "Ctrl+V", "", 0, 1, GroupLoaded | GroupChanges, Window,             \
         Paste1Click)                                                                                        \
    ITEM(Pastehex1, Clipboard1, 0, "Paste hex", "Ctrl+Shift+V",                                              \
         "Insert the bytes the clipboard text spells in hex", 0, 1, GroupLoaded | GroupChanges, Window,      \
         Pastehex1Click)                                                                                     \
    ITEM(Deletefromcursor1, Edit, SeparatorBefore, "Delete &from cursor", "",                                \
         "Delete from current adress (incl.) until end", 0, 1, GroupLoaded | GroupChanges, Engine,           \
         Deletefromcursor1Click)                                                                             \
    ITEM(Deletetocursor1, Edit, 0, "Delete &to cursor", "",                                                  \
         "Delete from begin until current adress (incl.)", 0, 1, GroupLoaded | GroupChanges, Engine,         \
         Deletetocursor1Click)                                                                               \
    ITEM(Find1, Search, 0, "&Find...", "Ctrl+F", "", HelpFind, 1, GroupLoaded, Window, Find1Click)           \
    ITEM(Findagaindown1, Search, 0, "Find again &down", "F3", "", HelpFind, 1, GroupFindAgain, Engine,       \
         Findagaindown1Click)                                                                                \
    ITEM(Findagainup1, Search, 0, "Find again &up", "Shift+F3", "", HelpFind, 1, GroupFindAgain, Engine,     \
         Findagainup1Click)                                                                                  \
    ITEM(Count1, Search, 0, "&Count...", "", "", HelpCount, 1, GroupLoaded, Window, Count1Click)             \
    ITEM(Findall1, Search, 0, "Find a&ll...", "Ctrl+Shift+F", "List every hit and mark them in the panes",   \
         HelpFind, 1, GroupLoaded, Window, Findall1Click)                                                    \
    ITEM(Nexthit1, Search, 0, "&Next listed hit", "F7", "Go to the next hit of the Find all list", HelpFind, \
         1, GroupLoaded, Window, Nexthit1Click)                                                              \
    ITEM(Previoushit1, Search, 0, "&Previous listed hit", "Shift+F7",                                        \
         "Go to the previous hit of the Find all list", HelpFind, 1, GroupLoaded, Window, Previoushit1Click) \
    ITEM(Replace1, Search, SeparatorBefore | TaggedSeparator, "&Replace...", "Ctrl+R", "", HelpReplace, 1,   \
         GroupLoaded | GroupChanges, Window, Replace1Click)                                                  \
    ITEM(Replaceagaindown1, Search, 0, "Replace &again down", "F4", "", HelpReplace, 1, GroupChanges,        \
         Engine, Replaceagaindown1Click)                                                                     \
    ITEM(Replaceundo1, Search, 0, "Replace &undo", "", "Undo last replacement", HelpReplace, 1,              \
         GroupChanges, Engine, Replaceundo1Click)                                                            \
    ITEM(Goto1, Address, 0, "&Goto...", "Ctrl+G", "Goto absolute/relative address", 0, 1, GroupLoaded,       \
         Window, Goto1Click)                                                                                 \
    ITEM(Jumpwidth1, Address, 0, "Jump &width...", "", "Enter number of bytes to jump up and down", 0, 1,    \
         GroupLoaded, Window, Jumpwidth1Click)                                                               \
    ITEM(Jumpdown1, Address, 0, "Jump &down", "F5", "", 0, 1, GroupJump, Engine, Jumpdown1Click)             \
    ITEM(Jumpup1, Address, 0, "Jump &up", "Shift+F5", "", 0, 1, GroupJump, Engine, Jumpup1Click)             \
    ITEM(Rememberadress1, Address, SeparatorBefore, "&Remember adress", "", "Remember current adress", 0, 1, \
         GroupLoaded, Engine, Rememberadress1Click)                                                          \
    ITEM(Gotoremembered1, Address, 0, "Goto &re&membered", "", "Goto remembered adress", 0, 1,               \
         GroupRemembered, Engine, Gotoremembered1Click)                                                      \
    ITEM(Displaydifference1, Address, 0, "Display di&fference...", "",                                       \
         "Display difference between current and remembered adress", 0, 1, GroupRemembered, Engine,          \
         Displaydifference1Click)                                                                            \
    ITEM(ModusText1, Tools, Checkable, "&Text mode", "", "Switch between text/hex mode <TAB>", 0, 0, 0,      \
         Engine, ModusText1Click)                                                                            \
    ITEM(ModusOverwrite1, Tools, Checkable, "O&verwrite", "", "Switch between insert/overwrite mode <Ins>",  \
         0, 0, 0, Engine, ModusOverwrite1Click)                                                              \
    ITEM(Rowaddresses1, Tools, Checkable, "&Row addresses", "", "Show the address of each row's first byte", \
         0, 0, 0, Window, Rowaddresses1Click)                                                                \
    ITEM(Datainspector1, Tools, Checkable, "Data &inspector", "F8",                                          \
         "Show the bytes at the cursor as numbers, times and characters", 0, 0, 0, Window,                   \
         Datainspector1Click)                                                                                \
    ITEM(Decode1, Tools, SeparatorBefore, "&Decode integer...", "", "Decode 1/2/4 bytes as integer", 0, 1,   \
         GroupLoaded, Window, Decode1Click)                                                                  \
    ITEM(Encode1, Tools, 0, "&Encode integer...", "", "Encode integer to 1/2/4 bytes", 0, 1,                 \
         GroupLoaded | GroupChanges, Window, Encode1Click)                                                   \
    ITEM(Checksums1, Tools, 0, "&Checksums...", "", "Checksums and hashes of the block or the whole file",   \
         HelpChecksums, 1, GroupLoaded, Window, Checksums1Click)                                             \
    ITEM(Patch1, Tools, 0, "&Patch BP 7.0 EXE", "", "Patch BP 7.0 program for execution > 200 Mhz", 0, 1,    \
         GroupLoaded | GroupChanges, Engine, Patch1Click)                                                    \
    ITEM(Options1, Tools, SeparatorBefore, "&Options...", "", "General options and appearance", 0, 0, 0,     \
         Window, Options1Click)                                                                              \
    ITEM(Contents1, Help, 0, "&Contents", "", "", 0, 0, 0, Window, Contents1Click)                           \
    ITEM(Info1, Help, 0, "&About...", "", "About author/memory state", 0, 0, 0, Window, Info1Click)          \
    ITEM(JkBtnNew, Toolbar, 0, "NEW", "", "New file", 0, 0, 0, Window, New1Click)                            \
    ITEM(JkBtnOpen, Toolbar, 0, "OPEN", "", "Open", 0, 0, 0, Window, Open1Click)                             \
    ITEM(JkBtnSave, Toolbar, 0, "SAVE", "", "Save", 0, 1, GroupLoaded | GroupChanges, Engine, Save1Click)    \
    ITEM(JkBtnDel, Toolbar, 0, "DELETE", "", "Delete block", 0, 1, GroupBlock | GroupUnmark | GroupChanges,  \
         Engine, Blockdelete1Click)                                                                          \
    ITEM(JkBtnCut, Toolbar, 0, "CUT", "", "Cut to clipboard", 0, 1, GroupBlock | GroupUnmark | GroupChanges, \
         Window, Cut1Click)                                                                                  \
    ITEM(JkBtnCopy, Toolbar, 0, "COPY", "", "Copy to clipboard", 0, 1, GroupBlock | GroupUnmark, Window,     \
         Copy1Click)                                                                                         \
    ITEM(JkBtnPaste, Toolbar, 0, "PASTE", "", "Paste from clipboard", 0, 1, GroupLoaded | GroupChanges,      \
         Window, Paste1Click)                                                                                \
    ITEM(JkBtnFind, Toolbar, 0, "FIND", "", "Find", 0, 1, GroupLoaded, Window, Find1Click)                   \
    ITEM(JkBtnReplace, Toolbar, 0, "REPLACE", "", "Replace", 0, 1, GroupLoaded | GroupChanges, Window,       \
         Replace1Click)                                                                                      \
    ITEM(JkBtnInfo, Toolbar, 0, "INFO", "", "About", 0, 0, 0, Window, Info1Click)                            \
    ITEM(JkBtnWhats, Toolbar, 0, "WHATS", "", "What's this?", 0, 0, 0, Window, JkBtnWhatsClick)

// Help contexts: the topic numbers of the help viewer.
inline constexpr int HelpToolbar = 8;
inline constexpr int HelpFileMenu = 11, HelpEditMenu = 12, HelpSearchMenu = 13, HelpAddressMenu = 14,
                     HelpToolsMenu = 15, HelpHelpMenu = 16;
inline constexpr int HelpStatusPanel0 = 35; // panels 0..3 are topics 35..38
inline constexpr int HelpOptionsGeneral = 42, HelpOptionsAppearance = 43;
inline constexpr int HelpTextPane = 39, HelpHexPane = 40;
inline constexpr int HelpInsert = 50, HelpFind = 51, HelpCount = 52, HelpReplace = 53, HelpBlock = 56;
inline constexpr int HelpChecksums = 57;
inline constexpr int HelpStatusBar = 999;

// Where an entry lives: a top-level menu, the toolbar strip, or a submenu of the table, which is a place
// named after its command.
#define NIBLO_PLACE_NONE(...)
#define NIBLO_PLACE_OF_SUBMENU(Id, ...) Id,
enum class TCommandPlace {
    File,
    Edit,
    Search,
    Address,
    Tools,
    Help,
    Toolbar,
    NIBLO_COMMANDS(NIBLO_PLACE_NONE, NIBLO_PLACE_OF_SUBMENU)
};
#undef NIBLO_PLACE_OF_SUBMENU

enum TCommandFlag : unsigned {
    SeparatorBefore = 1,
    TaggedSeparator = 2, // the separator goes grey with the commands (Tag 1)
    Checkable = 4,
    Submenu = 8,
};

#define NIBLO_COMMAND_ID(Id, ...) Id,
enum class TCommand { NIBLO_COMMANDS(NIBLO_COMMAND_ID, NIBLO_COMMAND_ID) CommandCount };
#undef NIBLO_COMMAND_ID

inline constexpr size_t CommandCount = size_t(TCommand::CommandCount);

struct TCommandInfo {
    TCommand Command;
    std::string_view Name; // the component name
    TCommandPlace Place;
    unsigned Flags;
    std::string_view Caption;
    std::string_view Shortcut;
    std::string_view Hint;
    int HelpContext;
    int Tag;
    unsigned Groups;
};

#define NIBLO_COMMAND_ITEM(Id, Place, Flags, Caption, Shortcut, Hint, Help, Tag, Groups, Kind, Handler)      \
    TCommandInfo{TCommand::Id, #Id, TCommandPlace::Place, Flags, Caption, Shortcut, Hint, Help, Tag, Groups},
#define NIBLO_COMMAND_SUBMENU(Id, Place, Flags, Caption, Tag, Groups)                                        \
    TCommandInfo{TCommand::Id, #Id, TCommandPlace::Place, (Flags) | Submenu, Caption, "", "", 0, Tag, Groups},
inline constexpr std::array<TCommandInfo, CommandCount> CommandTable{
    {NIBLO_COMMANDS(NIBLO_COMMAND_ITEM, NIBLO_COMMAND_SUBMENU)}};
#undef NIBLO_COMMAND_ITEM
#undef NIBLO_COMMAND_SUBMENU

inline constexpr const TCommandInfo& CommandInfo(TCommand command) {
    return CommandTable[size_t(command)];
}

// Each submenu of the table with the place its entries name.
struct TSubmenuPlace {
    TCommand Command;
    TCommandPlace Place;
};
#define NIBLO_SUBMENU_PLACE(Id, ...) TSubmenuPlace{TCommand::Id, TCommandPlace::Id},
inline constexpr TSubmenuPlace SubmenuPlaces[] = {NIBLO_COMMANDS(NIBLO_PLACE_NONE, NIBLO_SUBMENU_PLACE)};
#undef NIBLO_SUBMENU_PLACE
#undef NIBLO_PLACE_NONE

// The top-level menus, in menu-bar order.
struct TMenuInfo {
    TCommandPlace Place;
    std::string_view Name;
    std::string_view Caption;
    int HelpContext;
};
inline constexpr std::array<TMenuInfo, 6> TopMenus{{
    {TCommandPlace::File, "File1", "&File", HelpFileMenu},
    {TCommandPlace::Edit, "Edit1", "&Edit", HelpEditMenu},
    {TCommandPlace::Search, "Search1", "&Search", HelpSearchMenu},
    {TCommandPlace::Address, "Address1", "&Address", HelpAddressMenu},
    {TCommandPlace::Tools, "Tools1", "&Tools", HelpToolsMenu},
    {TCommandPlace::Help, "Help1", "&Help", HelpHelpMenu},
}};
