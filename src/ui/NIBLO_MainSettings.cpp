// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's settings: read at the first activation, written at exit, changed in Options.
#include "ui/NIBLO_Main.h"
#include "ui/NIBLO_Inspector.h"

#include "engine/text/CharacterSet.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/text/HexText.h"
#include "engine/settings/IniFile.h"
#include "engine/editing/PaneEditing.h"
#include "engine/recovery/Recovery.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/editing/Undo.h"
#include "files/MRUFiles.h"
#include "kit/JkGrid.h"
#include "kit/Jkdialog.h"
#include "dialogs/NIBLO_Opt.h"
#include "kit/SettingsLocation.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSpinBox>

#include <algorithm>

namespace {

constexpr const char* DisplaySection = "display";
constexpr const char* FormSection = "TFormMain";
constexpr const char* Options = "Options";
constexpr const char* InspectorSection = "DataInspector";

// Beyond this a stored position is junk, whatever the desktop.
constexpr int MaxCoordinate = 100000;

// What Find all looks for, beside the bytes that Find takes.
constexpr const char* FindAll = "FindAll";

void ReadFindAllSettings(const TIniFile& ini, TSearchRequest& search) {
    const auto read = [&ini](const char* key, int first, int last, int fallback) {
        const int value = ini.ReadInteger(FindAll, key, fallback);
        return value < first || value > last ? fallback : value;
    };
    search.Kind = TSearchRequest::TKind(read("Kind", 0, 3, 0));
    search.Value = ini.ReadString(FindAll, "Value", "");
    search.NumberKind = uint8_t(read("NumberKind", 0, 2, 0));
    search.NumberWidth = read("NumberWidth", 0, 8, 4);
    search.NumberOrder = uint8_t(read("NumberOrder", 0, 2, 0));
    search.Tolerance = ini.ReadString(FindAll, "Tolerance", "");
    search.Alignment = read("Alignment", 1, 4096, 1);
    search.Encoding = uint8_t(read("Encoding", 0, 2, 0));
    search.MaxRows = size_t(read("MaxRows", 1, 100000000, 100000));
}

bool WriteFindAllSettings(TIniFile& ini, const TSearchRequest& search) {
    return ini.WriteInteger(FindAll, "Kind", int(search.Kind)) && ini.WriteString(FindAll, "Value", search.Value) &&
           ini.WriteInteger(FindAll, "NumberKind", search.NumberKind) &&
           ini.WriteInteger(FindAll, "NumberWidth", search.NumberWidth) &&
           ini.WriteInteger(FindAll, "NumberOrder", search.NumberOrder) &&
           ini.WriteString(FindAll, "Tolerance", search.Tolerance) &&
           ini.WriteInteger(FindAll, "Alignment", search.Alignment) &&
           ini.WriteInteger(FindAll, "Encoding", search.Encoding) &&
           ini.WriteInteger(FindAll, "MaxRows", int32_t(search.MaxRows));
}

} // namespace

void TFormMain::SetColorBlock(int32_t color) {
    ColorBlockValue = color;
    ColorBlock = ColorToQColor(color, palette());
}

void TFormMain::ReadSettings() {
    const TIniFile ini(ProgramSettingsFile());
    const QSize screen = ScreenOf(this)->size();

    // The stored position holds only on a screen of the same width, and only where it can be seen.
    bool centred = true;
    if (ini.ReadInteger(DisplaySection, "resx", 0) == screen.width()) {
        const int top = std::clamp(ini.ReadInteger(FormSection, "Top", y()), -MaxCoordinate, MaxCoordinate);
        const int left = std::clamp(ini.ReadInteger(FormSection, "Left", x()), -MaxCoordinate, MaxCoordinate);
        if (ScreenOf(this)->virtualGeometry().intersects(QRect(left, top, width(), height()))) {
            PlaceFrameAt(QPoint(left, top));
            centred = false;
        }
    }
    if (centred) CenterOnScreen(this);

    // Dimensions and toolbar; a 0 typed into the file would otherwise divide by zero.
    int cols = std::clamp(ini.ReadInteger(Options, "Cols", 19), MinCells, MaxCells);
    int rows = std::clamp(ini.ReadInteger(Options, "Rows", 20), MinCells, MaxCells);
    HideToolBar = ini.ReadBool(Options, "HideToolBar", false);
    // Before the dimensions are checked against the screen: the column takes its share of the width.
    if (ini.ReadBool(Options, "RowAddresses", false)) SetRowAddressesShown(true);
    ReadInspectorSettings(ini);
    if (WindowWidthFor(cols) > screen.width()) cols = 19;
    if (WindowHeightFor(rows) > screen.height()) rows = 20;
    SetPaneDimensions(cols, rows);
    SetToolBarHidden(HideToolBar);

    // Font.
    ApplyFontName(QString::fromStdString(ini.ReadString(Options, "Font", "Terminal")));
    ApplyFontSize(std::clamp(ini.ReadInteger(Options, "FontSize", 8), MinFontSize, MaxFontSize));
    // The cells were re-measured after centring; centre the window that resulted.
    if (centred) CenterOnScreen(this);

    // Byte order and block colour; a byte order or go mode the program does not know is the first.
    ByteOrder = ini.ReadInteger(Options, "ByteOrder", 0);
    if (ByteOrder != 0 && ByteOrder != 1) ByteOrder = 0;
    SetColorBlock(ini.ReadInteger(Options, "ColorBlock", ColorRed));

    // Joker byte.
    const std::string joker =
        ini.ReadString(Options, "JokerHex",
                       BytesToHex(std::string_view(reinterpret_cast<const char*>(&DefaultJoker), 1), false));
    App.SearchRequest.JokerChar =
        joker.size() >= 2 ? uint8_t(HexDigitValue(joker[0]) * 16 + HexDigitValue(joker[1])) : DefaultJoker;

    // Search options and go mode.
    App.SearchRequest.PatternAsText = !ini.ReadBool(Options, "FindHex", true);
    App.SearchRequest.CaseSensitive = ini.ReadBool(Options, "CaseSensitive", true);
    App.SearchRequest.JokerEnabled = ini.ReadBool(Options, "Joker", false);
    App.SearchRequest.SearchDown = ini.ReadBool(Options, "FindDown", true);
    ReadFindAllSettings(ini, App.SearchRequest);
    GotoMode = ini.ReadInteger(Options, "GotoMode", 0);
    if (GotoMode < 0 || GotoMode > 2) GotoMode = 0;

    // Addresses and files.
    App.AddressBase = ini.ReadInteger(Options, "BaseAdress", 0);
    if (App.AddressBase != 0 && App.AddressBase != 1) App.AddressBase = 0;
    App.OldFileTime = ini.ReadBool(Options, "OldFileTime", false);
    App.NewEOF = ini.ReadBool(Options, "NewEOF", false);
    App.BackupOnSave = ini.ReadBool(Options, "BackupOnSave", false);
    OneFileAtATime = ini.ReadBool(Options, "OneFileAtATime", false);
    RestoreSession = ini.ReadBool(Options, "RestoreSession", true);
    UpdateWindowMenu();
    // A set the program does not know leaves the default.
    const int characterSet = ini.ReadInteger(Options, "CharacterSet", 0);
    App.CharacterSet = characterSet >= 0 && characterSet < CharacterSetCount ? TCharacterSet(characterSet)
                                                                                 : TCharacterSet::Default;
    // Set by hand only; without it the journal takes its share of the memory.
    const int undoLimit = ini.ReadInteger(Options, "UndoLimitMB", 0);
    Engine::SetUndoBudget(Doc(), undoLimit > 0 ? int64_t{undoLimit} << 20 : Engine::DefaultUndoBudget());
    // The largest change the recovery journal takes; by default what the undo journal takes.
    const int recoveryLimit = ini.ReadInteger(Options, "RecoveryLimitMB", 0);
    Doc().Recovery.Budget =
        recoveryLimit > 0 ? int64_t{recoveryLimit} << 20 : Doc().Undo.Journal.Budget;
    App.LastDir = ini.ReadString(Options, "CurrentDir",
                                     QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());

    // The modes go through their commands, which set the check marks, the status and the panes.
    App.OverwriteMode = !ini.ReadBool(Options, "Overwrite", true);
    Engine::ModusOverwrite1Click(Doc());
    App.TextMode = !ini.ReadBool(Options, "ModusText", true);
    Engine::ModusText1Click(Doc());
}

void TFormMain::ReadInspectorSettings(const TIniFile& ini) {
    Inspector->ByteOrderBox->setCurrentIndex(ini.ReadInteger(InspectorSection, "ByteOrder", 0) == 1 ? 1 : 0);
    if (ini.ReadBool(InspectorSection, "Left", false)) addDockWidget(Qt::LeftDockWidgetArea, Inspector);
    // A width typed into the file by hand is kept within a fifth and a half of the screen's width.
    const int screenWidth = ScreenOf(this)->availableGeometry().width();
    const int width =
        std::clamp(ini.ReadInteger(InspectorSection, "Width", 0), screenWidth / 5, screenWidth / 2);
    if (ini.ReadBool(InspectorSection, "Floating", false)) {
        // A floating panel comes back where it was, as far as it is still on the screen.
        const QRect screen = ScreenOf(this)->availableGeometry();
        const int height = std::clamp(ini.ReadInteger(InspectorSection, "Height", 0), screen.height() / 4,
                                      screen.height());
        const int x = std::clamp(ini.ReadInteger(InspectorSection, "X", screen.x()), screen.left(),
                                 screen.right() - width + 1);
        const int y = std::clamp(ini.ReadInteger(InspectorSection, "Y", screen.y()), screen.top(),
                                 screen.bottom() - height + 1);
        Inspector->setFloating(true);
        Inspector->setGeometry(x, y, width, height);
    }
    if (ini.ReadBool(InspectorSection, "Shown", false)) {
        Inspector->show();
        if (!Inspector->isFloating()) resizeDocks({Inspector}, {width}, Qt::Horizontal);
    }
}

void TFormMain::WriteSettings() {
    TIniFile ini(ProgramSettingsFile());
    const TSearchRequest& search = App.SearchRequest;
    static constexpr char Hex[] = "0123456789ABCDEF";
    const std::string joker{Hex[search.JokerChar >> 4], Hex[search.JokerChar & 15]};
    // One rewrite for every value; the first failure skips the rest.
    const bool written =
        ini.BeginUpdate() && ini.WriteInteger(DisplaySection, "resx", ScreenOf(this)->size().width()) &&
        ini.WriteInteger(FormSection, "Top", frameGeometry().y()) &&
        ini.WriteInteger(FormSection, "Left", frameGeometry().x()) &&
        ini.WriteInteger(Options, "Cols", Doc().View.Cols) &&
        ini.WriteInteger(Options, "Rows", Doc().View.Rows) &&
        ini.WriteBool(Options, "HideToolBar", HideToolBar) &&
        ini.WriteBool(Options, "RowAddresses", RowAddresses) &&
        ini.WriteString(Options, "Font", JkStrGridText->FontName().toStdString()) &&
        ini.WriteInteger(Options, "FontSize", JkStrGridText->FontSize()) &&
        ini.WriteInteger(Options, "ByteOrder", ByteOrder) &&
        ini.WriteInteger(Options, "ColorBlock", ColorBlockValue) &&
        ini.WriteString(Options, "JokerHex", joker) &&
        ini.WriteBool(Options, "FindHex", !search.PatternAsText) &&
        ini.WriteBool(Options, "CaseSensitive", search.CaseSensitive) &&
        ini.WriteBool(Options, "Joker", search.JokerEnabled) &&
        ini.WriteBool(Options, "FindDown", search.SearchDown) &&
        WriteFindAllSettings(ini, search) &&
        ini.WriteInteger(Options, "GotoMode", GotoMode) &&
        ini.WriteInteger(Options, "BaseAdress", App.AddressBase) &&
        ini.WriteBool(Options, "OldFileTime", App.OldFileTime) &&
        ini.WriteBool(Options, "NewEOF", App.NewEOF) &&
        ini.WriteBool(Options, "BackupOnSave", App.BackupOnSave) &&
        ini.WriteBool(Options, "OneFileAtATime", OneFileAtATime) &&
        ini.WriteBool(Options, "RestoreSession", RestoreSession) &&
        Engine::WriteSession(ini, RestoreSession && !OneFileAtATime ? SessionNow() : Engine::TSession()) &&
        ini.WriteString(Options, "CurrentDir", App.LastDir) &&
        ini.WriteBool(Options, "Overwrite", App.OverwriteMode) &&
        ini.WriteBool(Options, "ModusText", App.TextMode) &&
        ini.WriteInteger(Options, "CharacterSet", int32_t(App.CharacterSet)) &&
        ini.WriteBool(InspectorSection, "Shown", !Inspector->isHidden()) &&
        ini.WriteBool(InspectorSection, "Left", dockWidgetArea(Inspector) == Qt::LeftDockWidgetArea) &&
        ini.WriteInteger(InspectorSection, "Width", Inspector->width()) &&
        ini.WriteBool(InspectorSection, "Floating", Inspector->isFloating()) &&
        ini.WriteInteger(InspectorSection, "X", Inspector->geometry().x()) &&
        ini.WriteInteger(InspectorSection, "Y", Inspector->geometry().y()) &&
        ini.WriteInteger(InspectorSection, "Height", Inspector->height()) &&
        ini.WriteInteger(InspectorSection, "ByteOrder", int(Inspector->Order())) && ini.Commit();
    if (!written) ErrorBox(QString::fromLatin1(Texts::ErrorWritingIni));
}

void TFormMain::CreateRecentFiles() {
    MRUFiles = new TMRUFiles(this);
    MRUFiles->OnMRUItemClick = [this](QAction*, const std::string& fileName) {
        OpenInTab(fileName, false, true);
    };
    ProgramSettingsFile(); // the list reads the program's settings file
    MRUFiles->SetFileMenu(Reopen1);
    MRUFiles->LoadFromIni();
}

void TFormMain::AddRecentFile(const std::string& path) {
    if (MRUFiles) MRUFiles->AddFile(path);
}

void TFormMain::Options1Click() {
    TFormOpt form(this, JkStrGridText->FontName());
    form.PaneLimitsFor = [this](const QString& fontName, int fontSize) {
        return PaneLimitsFor(fontName, fontSize);
    };
    form.SpinEditFSize->setMaximum(MaxFontSize);
    form.SpinEditFSize->setValue(JkStrGridText->FontSize());
    form.FollowFontLimits();
    form.SpinEditCols->setValue(JkStrGridText->ColCount());
    form.SpinEditRows->setValue(JkStrGridText->RowCount());
    form.SpinEditMRU->setValue(MRUFiles->FileCount());
    form.RadioGroupByteOrder->SetItemIndex(ByteOrder);
    form.RadioGroupBase->SetItemIndex(App.AddressBase);
    form.CheckBoxHideTool->setChecked(HideToolBar);
    form.CheckBoxRowAddresses->setChecked(RowAddresses);
    form.CheckBoxOldFileTime->setChecked(App.OldFileTime);
    form.CheckBoxNewEOF->setChecked(App.NewEOF);
    form.CheckBoxBackup->setChecked(App.BackupOnSave);
    form.CheckBoxOneFile->setChecked(OneFileAtATime);
    form.CheckBoxSession->setChecked(RestoreSession);
    form.ComboBoxCharSet->setCurrentIndex(int(App.CharacterSet));
    const int colorEntry = form.ComboBoxColor->findText(ColorToString(ColorBlockValue),
                                                        Qt::MatchExactly | Qt::MatchCaseSensitive);
    form.ComboBoxColor->setCurrentIndex(colorEntry);

    if (form.exec() != QDialog::Accepted) return;

    // Font, size, page and toolbar changes each lay the panes out anew, so only real changes are applied.
    if (form.ComboBoxFont->currentText() != JkStrGridText->FontName())
        ApplyFontName(form.ComboBoxFont->currentText());
    if (form.SpinEditFSize->value() != JkStrGridText->FontSize()) ApplyFontSize(form.SpinEditFSize->value());
    if (form.SpinEditCols->value() != Doc().View.Cols ||
        form.SpinEditRows->value() != Doc().View.Rows)
        SetPaneDimensions(form.SpinEditCols->value(), form.SpinEditRows->value());
    if (form.CheckBoxHideTool->isChecked() != HideToolBar) {
        HideToolBar = form.CheckBoxHideTool->isChecked();
        SetToolBarHidden(HideToolBar);
    }
    if (form.CheckBoxRowAddresses->isChecked() != RowAddresses)
        SetRowAddressesShown(form.CheckBoxRowAddresses->isChecked());
    App.NewEOF = form.CheckBoxNewEOF->isChecked();
    // The block shows in the new colour at once.
    if (form.ComboBoxColor->currentIndex() != colorEntry && form.ComboBoxColor->currentIndex() >= 0) {
        if (const std::optional<int32_t> color = StringToColor(form.ComboBoxColor->currentText())) {
            SetColorBlock(*color);
            RefreshPanes(0, 0);
            RepaintPanes();
        }
    }
    // Typing and the text fields follow at once; the text pane is drawn anew.
    if (const int set = form.ComboBoxCharSet->currentIndex(); set >= 0 && set != int(App.CharacterSet)) {
        App.CharacterSet = TCharacterSet(set);
        RefreshPane(JkStrGridText, 0, 0);
    }
    // The recent-files count lasts for this run only.
    if (form.SpinEditMRU->value() != MRUFiles->FileCount()) MRUFiles->SetFileCount(form.SpinEditMRU->value());
    App.OldFileTime = form.CheckBoxOldFileTime->isChecked();
    App.BackupOnSave = form.CheckBoxBackup->isChecked();
    OneFileAtATime = form.CheckBoxOneFile->isChecked();
    RestoreSession = form.CheckBoxSession->isChecked();
    UpdateWindowMenu();
    if (form.RadioGroupByteOrder->ItemIndex() >= 0) ByteOrder = form.RadioGroupByteOrder->ItemIndex();
    if (form.RadioGroupBase->ItemIndex() >= 0) App.AddressBase = form.RadioGroupBase->ItemIndex();
    UpdateStatus();
    // Written now, as at exit, so that a crash or a kill does not lose them.
    WriteSettings();
}
