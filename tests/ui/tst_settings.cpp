// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file through restarts of the main window, hand-edited files, write failures and the
// Options dialog.
#include "support/UiTestMain.h"
#include "common/TestDocument.h"
#include "support/StartedForm.h"
#include "ui/NIBLO_Main.h"

#include "common/OrdinaryUser.h"
#include "engine/text/CharacterSet.h"
#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/editing/PaneEditing.h"
#include "engine/files/FileAccess.h"
#include "engine/settings/IniFile.h"
#include "engine/search/SearchRequest.h"
#include "files/MRUFiles.h"
#include "support/ModalAnswer.h"
#include "kit/JkGrid.h"
#include "kit/JkRowAddresses.h"
#include "ui/NIBLO_Inspector.h"
#include "kit/Jkdialog.h"
#include "dialogs/NIBLO_Opt.h"
#include "kit/SettingsLocation.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Centred on the screen, give or take the rounding of the halves.
bool Centred(const QWidget& form) {
    const QPoint offset = form.frameGeometry().center() - QRect(QPoint(0, 0), form.screen()->size()).center();
    return offset.manhattanLength() <= 4;
}

// Runs the Options dialog, letting edit fill it in and then pressing the named button.
void RunOptions(TFormMain& form, std::function<void(TFormOpt&)> edit, const char* button = "ButtonOK") {
    WithNextModal([edit, button](QWidget* modal) {
        auto* dialog = qobject_cast<TFormOpt*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        edit(*dialog);
        dialog->findChild<QPushButton*>(button)->click();
    });
    form.Run(TCommand::Options1);
}

void SelectText(QComboBox* box, const QString& text) {
    box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void startsWithDefaultsWithoutFile();
    void everySettingSurvivesARestart();
    void inspectorSurvivesARestart();
    void handEditedValues_data();
    void handEditedValues();
    void positionRestoredOnlyForSameScreenWidth_data();
    void positionRestoredOnlyForSameScreenWidth();
    void positionStaysPutOverRestarts();
    void restoreAfterMaximiseGivesBackTheGrid();
    void failedWriteReportsAndStillCloses_data();
    void failedWriteReportsAndStillCloses();
    void colourNamesBothWays();
    void optionsShowsCurrentValuesAndCancelKeepsThem();
    void optionsOkAppliesEveryStep();
    void optionsTakesNumberBeingTyped();
    void defaultsRestoreAppearanceOnly();
    void paneLimitsFollowTheFontAndTheScreen();
    void newBlockColourRepaintsAtOnce();
    void settingsMoveToTheConfigFolderWhenTheProgramFolderIsReadOnly();

  private:
    std::unique_ptr<QTemporaryDir> Dir;
    QString IniPath;
};

void TestSettings::init() {
    Engine::ResetEngineState(TestDoc());
    Dir = std::make_unique<QTemporaryDir>();
    IniPath = Dir->filePath("NIBLO.ini");
    SetSettingsFile(IniPath.toStdString());
}

void TestSettings::cleanup() {
    Engine::ResetEngineState(TestDoc());
    SetSettingsFile("");
    Dir.reset();
}

void TestSettings::startsWithDefaultsWithoutFile() {
    auto form = StartForm();
    QCOMPARE(TestDoc().View.Cols, 19);
    QCOMPARE(TestDoc().View.Rows, 20);
    QCOMPARE(form->JkStrGridText->FontName(), QString("Terminal"));
    QCOMPARE(form->JkStrGridText->FontSize(), 8);
    QCOMPARE(form->ColorBlockValue, 255);
    QCOMPARE(form->ColorBlock, QColor(255, 0, 0));
    QVERIFY(TestApp().OverwriteMode && form->Action(TCommand::ModusOverwrite1)->isChecked());
    QVERIFY(TestApp().TextMode && form->Action(TCommand::ModusText1)->isChecked());
    QCOMPARE(form->StatusBar1->PanelText(2), QString("Overwrite"));
    QCOMPARE(TestApp().SearchRequest.JokerChar, uint8_t(0x2E));
    QVERIFY(!TestApp().SearchRequest.PatternAsText);
    QCOMPARE(TestApp().LastDir, QCoreApplication::applicationDirPath().toStdString());
    QVERIFY(!form->Panel1->isHidden());
    QVERIFY(Centred(*form));
    QCOMPARE(form->MRUFiles->FileCount(), 5);
    QVERIFY(!form->Reopen1->menuAction()->isEnabled());
}

void TestSettings::everySettingSurvivesARestart() {
    {
        auto form = StartForm();
        form->ApplyFontSize(10);
        form->SetPaneDimensions(12, 11);
        form->HideToolBar = true;
        form->SetToolBarHidden(true);
        form->SetRowAddressesShown(true);
        form->ByteOrder = 1;
        form->GotoMode = 2;
        form->SetColorBlock(0xFF0000);
        TestApp().SearchRequest.JokerChar = 0xA7;
        TestApp().SearchRequest.PatternAsText = true;
        TestApp().SearchRequest.CaseSensitive = false;
        TestApp().SearchRequest.JokerEnabled = true;
        TestApp().SearchRequest.SearchDown = false;
        TestApp().AddressBase = 1;
        TestApp().OldFileTime = true;
        TestApp().NewEOF = true;
        TestApp().BackupOnSave = true;
        TestApp().CharacterSet = TCharacterSet::Latin1;
        TestApp().LastDir = Dir->filePath(QString::fromUtf8("földer")).toStdString();
        Engine::ModusOverwrite1Click(TestDoc());
        Engine::ModusText1Click(TestDoc());
        form->move(30, 40);
        // Every value goes to the file in one rewrite.
        int rewrites = 0;
        FileAccess::InjectedFault = [&](FileAccess::TCall call) {
            if (call == FileAccess::TCall::Sync) ++rewrites;
            return 0;
        };
        QVERIFY(form->close());
        FileAccess::InjectedFault = nullptr;
        QCOMPARE(rewrites, 1);
    }
    const TIniFile ini(IniPath.toStdString());
    const std::vector<std::string> options{
        "Cols",     "Rows",        "HideToolBar", "RowAddresses", "Font",      "FontSize",
        "ByteOrder", "ColorBlock", "JokerHex",    "FindHex",      "CaseSensitive", "Joker",
        "FindDown", "GotoMode",    "BaseAdress",  "OldFileTime",  "NewEOF",    "BackupOnSave",
        "OneFileAtATime", "CurrentDir", "Overwrite", "ModusText",  "CharacterSet"};
    QVERIFY(ini.ReadSectionKeys("Options") == options);
    QVERIFY(ini.ReadSectionKeys("TFormMain") == (std::vector<std::string>{"Top", "Left"}));
    QCOMPARE(ini.ReadString("Options", "JokerHex", ""), std::string("A7"));
    QCOMPARE(ini.ReadString("Options", "FindHex", ""), std::string("0"));
    Engine::ResetEngineState(TestDoc());

    auto form = StartForm();
    QCOMPARE(form->pos(), QPoint(30, 40));
    QCOMPARE(form->JkStrGridText->FontSize(), 10);
    QCOMPARE(TestDoc().View.Cols, 12);
    QCOMPARE(TestDoc().View.Rows, 11);
    QVERIFY(form->HideToolBar && form->Panel1->isHidden());
    QVERIFY(form->RowAddresses && form->Action(TCommand::Rowaddresses1)->isChecked());
    QCOMPARE(form->ByteOrder, 1);
    QCOMPARE(form->GotoMode, 2);
    QCOMPARE(form->ColorBlockValue, 0xFF0000);
    QCOMPARE(form->ColorBlock, QColor(0, 0, 255));
    QCOMPARE(TestApp().SearchRequest.JokerChar, uint8_t(0xA7));
    QVERIFY(TestApp().SearchRequest.PatternAsText);
    QVERIFY(!TestApp().SearchRequest.CaseSensitive);
    QVERIFY(TestApp().SearchRequest.JokerEnabled);
    QVERIFY(!TestApp().SearchRequest.SearchDown);
    QCOMPARE(TestApp().AddressBase, 1);
    QVERIFY(TestApp().OldFileTime);
    QVERIFY(TestApp().NewEOF);
    QVERIFY(TestApp().BackupOnSave);
    QCOMPARE(TestApp().CharacterSet, TCharacterSet::Latin1);
    QCOMPARE(QString::fromStdString(TestApp().LastDir), Dir->filePath(QString::fromUtf8("földer")));
    // The modes come back through their commands: check marks, status panel and the active pane.
    QVERIFY(!TestApp().OverwriteMode && !form->Action(TCommand::ModusOverwrite1)->isChecked());
    QCOMPARE(form->StatusBar1->PanelText(2), QString("Insert"));
    QVERIFY(!TestApp().TextMode && !form->Action(TCommand::ModusText1)->isChecked());
    QCOMPARE(form->focusWidget(), form->JkStrGridHex);
    QCOMPARE(form->JkStrGridText->focusPolicy(), Qt::NoFocus);
}

// The inspector comes back where it was left, as wide and in the same byte order, docked or floating; a
// first start has none, and a width typed by hand stays within reason.
void TestSettings::inspectorSurvivesARestart() {
    int width = 0;
    {
        auto form = StartForm();
        QVERIFY(form->Inspector->isHidden());
        form->Action(TCommand::Datainspector1)->trigger();
        form->addDockWidget(Qt::LeftDockWidgetArea, form->Inspector);
        form->Inspector->ByteOrderBox->setCurrentIndex(1);
        form->resizeDocks({form->Inspector}, {300}, Qt::Horizontal);
        for (int i = 0; i < 4; ++i)
            QCoreApplication::processEvents();
        width = form->Inspector->width();
        QVERIFY(form->close());
    }
    auto form = StartForm();
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
    QVERIFY(!form->Inspector->isHidden() && form->Action(TCommand::Datainspector1)->isChecked());
    QCOMPARE(form->dockWidgetArea(form->Inspector), Qt::LeftDockWidgetArea);
    QCOMPARE(form->Inspector->Order(), Engine::TByteOrder::MsbFirst);
    QCOMPARE(form->Inspector->width(), width);
    QVERIFY(form->close());
    form.reset();

    TIniFile(IniPath.toStdString()).WriteInteger("DataInspector", "Width", 1000000);
    form = StartForm();
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
    QVERIFY(form->Inspector->width() <= form->screen()->availableGeometry().width() / 2);

    // Floating, it comes back floating at its place.
    form->Inspector->setFloating(true);
    const QRect screen = form->screen()->availableGeometry();
    const QRect placed(screen.x() + 40, screen.y() + 30, screen.width() / 4, screen.height() / 2);
    form->Inspector->setGeometry(placed);
    QVERIFY(form->close());
    form.reset();
    form = StartForm();
    QVERIFY(form->Inspector->isFloating() && !form->Inspector->isHidden());
    QCOMPARE(form->Inspector->geometry(), placed);
}

void TestSettings::handEditedValues_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("joker");
    QTest::addColumn<int>("fontSize");

    QTest::newRow("base 5") << QByteArray("BaseAdress=5") << 19 << 20 << 0 << 0x2E << 8;
    QTest::newRow("base -1") << QByteArray("BaseAdress=-1") << 19 << 20 << 0 << 0x2E << 8;
    QTest::newRow("hex numbers") << QByteArray("Cols=0x0B\nRows=0X0c") << 11 << 12 << 0 << 0x2E << 8;
    QTest::newRow("zero cells") << QByteArray("Cols=0\nRows=0") << 10 << 10 << 0 << 0x2E << 8;
    QTest::newRow("too many cells") << QByteArray("Cols=2147483647\nRows=5000") << 19 << 20 << 0 << 0x2E << 8;
    QTest::newRow("not numbers") << QByteArray("Cols=abc\nRows=\nBaseAdress=0x") << 19 << 20 << 0 << 0x2E
                                 << 8;
    QTest::newRow("joker one char") << QByteArray("JokerHex=A") << 19 << 20 << 0 << 0x2E << 8;
    QTest::newRow("joker 41") << QByteArray("JokerHex=41") << 19 << 20 << 0 << 0x41 << 8;
    QTest::newRow("joker lower case, rest ignored")
        << QByteArray("JokerHex=a7zz") << 19 << 20 << 0 << 0xA7 << 8;
    QTest::newRow("joker no hex digits") << QByteArray("JokerHex=g1") << 19 << 20 << 0 << 0xF1 << 8;
    QTest::newRow("font size 0") << QByteArray("FontSize=0") << 19 << 20 << 0 << 0x2E << 8;
    QTest::newRow("junk around the settings")
        << QByteArray("\x01\xFF\xFEjunk\n[Options\nno key\n" + QByteArray(100000, 'x') +
                      "\n[Options]\n=nokey\nCols=11\nByteOrder=7\nGotoMode=-3\n" + QByteArray("\0\0", 2) +
                      "\nRows=13\r\nJokerHex=41\nCharacterSet=5")
        << 11 << 13 << 0 << 0x41 << 8;
    // 19 x 20 cells in the largest font are larger than the test screen: as many as fit (-1).
    QTest::newRow("font size huge") << QByteArray("FontSize=99999") << -1 << -1 << 0 << 0x2E << 24;
}

void TestSettings::handEditedValues() {
    QFETCH(QByteArray, lines);
    QFETCH(int, cols);
    QFETCH(int, rows);
    QFETCH(int, base);
    QFETCH(int, joker);
    QFETCH(int, fontSize);
    WriteText(IniPath, "[Options]\n" + lines + "\n");

    auto form = StartForm();
    QCOMPARE(TestDoc().View.Cols, cols < 0 ? form->PaneLimits().width() : cols);
    QCOMPARE(TestDoc().View.Rows, rows < 0 ? form->PaneLimits().height() : rows);
    QCOMPARE(TestDoc().View.PageBytes, TestDoc().View.Cols * TestDoc().View.Rows);
    QCOMPARE(TestApp().AddressBase, base);
    QCOMPARE(int(TestApp().SearchRequest.JokerChar), joker);
    QCOMPARE(form->JkStrGridText->FontSize(), fontSize);
    // A byte order, go mode or character set the program does not know is the first one.
    QVERIFY(form->ByteOrder == 0 && form->GotoMode == 0);
    QCOMPARE(TestApp().CharacterSet, TCharacterSet::Default);
}

void TestSettings::positionRestoredOnlyForSameScreenWidth_data() {
    QTest::addColumn<int>("resxDelta");
    QTest::addColumn<int>("top");
    QTest::addColumn<bool>("restored");
    QTest::newRow("same width") << 0 << 25 << true;
    QTest::newRow("other width") << 1 << 25 << false;
    QTest::newRow("same width, off every screen") << 0 << -2000000000 << false;
}

void TestSettings::positionRestoredOnlyForSameScreenWidth() {
    QFETCH(int, resxDelta);
    QFETCH(int, top);
    QFETCH(bool, restored);
    const int width = QGuiApplication::primaryScreen()->size().width() + resxDelta;
    WriteText(
        IniPath,
        QStringLiteral("[display]\nresx=%1\n[TFormMain]\nTop=%2\nLeft=15\n").arg(width).arg(top).toLatin1());
    auto form = StartForm();
    if (restored)
        QCOMPARE(form->pos(), QPoint(15, top));
    else
        QVERIFY(Centred(*form));
}

void TestSettings::positionStaysPutOverRestarts() {
    QPoint first;
    for (int start = 0; start < 10; ++start) {
        auto form = StartForm();
        if (start == 0) {
            form->move(120, 90);
            first = form->frameGeometry().topLeft();
        }
        QCOMPARE(form->frameGeometry().topLeft(), first);
        QVERIFY(form->close());
        Engine::ResetEngineState(TestDoc());
    }
}

void TestSettings::restoreAfterMaximiseGivesBackTheGrid() {
    auto form = StartForm();
    const int cols = TestDoc().View.Cols, rows = TestDoc().View.Rows;
    // The program asks for a size of its own, as Options does; the answer may come while it asks.
    form->SetPaneDimensions(cols + 2, rows);
    form->SetPaneDimensions(cols, rows);
    QCoreApplication::processEvents();
    const QSize normal = form->size();
    form->showMaximized();
    QTRY_VERIFY(form->isMaximized());
    QTRY_VERIFY(TestDoc().View.Cols > cols);
    form->showNormal();
    QTRY_COMPARE(form->size(), normal);
    QCOMPARE(TestDoc().View.Cols, cols);
    QCOMPARE(TestDoc().View.Rows, rows);
    // A user resize back to a size the program asked for before is the user's.
    form->resize(form->WindowWidthFor(cols + 5), form->WindowHeightFor(rows));
    QTRY_COMPARE(TestDoc().View.Cols, cols + 5);
    form->resize(normal);
    QTRY_COMPARE(TestDoc().View.Cols, cols);
}

void TestSettings::failedWriteReportsAndStillCloses_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("settings file is a folder") << "folder";
    QTest::newRow("folder missing") << "missing";
    QTest::newRow("settings file write-protected") << "protected";
}

void TestSettings::failedWriteReportsAndStillCloses() {
    QFETCH(QString, kind);
    const QByteArray original("[Options]\nCols=25\n");
    if (kind == "folder") {
        QVERIFY(QDir(Dir->path()).mkdir("NIBLO.ini"));
    } else if (kind == "missing") {
        SetSettingsFile(Dir->filePath("gone/NIBLO.ini").toStdString());
    } else {
        // The folder would take a new copy renamed over the file: only the file's protection stops it.
        WriteText(IniPath, original);
        QVERIFY(QFile::setPermissions(IniPath, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(QFile::setPermissions(Dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                       QFile::ReadGroup | QFile::WriteGroup |
                                                       QFile::ExeGroup | QFile::ReadOther |
                                                       QFile::WriteOther | QFile::ExeOther));
    }

    auto form = StartForm();
    QString message;
    {
        TOrdinaryUser user;
        if (!user.Active()) QSKIP("running as root and cannot give it up");
        AnswerNextModal("OK", &message);
        QVERIFY(form->close());
    }
    QCOMPARE(message, QString("Error writing NIBLO.INI"));
    QVERIFY(!form->isVisible());
    if (kind == "protected") {
        QFile file(IniPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), original);
    }
    // The recent-files list fails quietly when the window goes.
    form.reset();
}

void TestSettings::colourNamesBothWays() {
    QCOMPARE(ColorToString(255), QString("clRed"));
    QCOMPARE(ColorToString(int32_t(0x80000017)), QString("clInfoText"));
    QCOMPARE(ColorToString(0x123456), QString("$00123456"));
    QCOMPARE(ColorToString(int32_t(0x8000FFAB)), QString("$8000FFAB"));
    QCOMPARE(StringToColor("clFuchsia"), std::optional<int32_t>(0xFF00FF));
    QCOMPARE(StringToColor("$00123456"), std::optional<int32_t>(0x123456));
    QCOMPARE(StringToColor("4660"), std::optional<int32_t>(4660));
    QCOMPARE(StringToColor("clNoSuchColour"), std::nullopt);

    QPalette palette;
    palette.setColor(QPalette::ToolTipText, QColor(1, 2, 3));
    palette.setColor(QPalette::ToolTipBase, QColor(4, 5, 6));
    QCOMPARE(ColorToQColor(int32_t(0x80000017), palette), QColor(1, 2, 3));
    QCOMPARE(ColorToQColor(int32_t(0x80000018), palette), QColor(4, 5, 6));
    QCOMPARE(ColorToQColor(0x0080FF, palette), QColor(255, 128, 0));
}

void TestSettings::optionsShowsCurrentValuesAndCancelKeepsThem() {
    auto form = StartForm();
    form->ByteOrder = 1;
    TestApp().OldFileTime = true;
    bool shown = false;
    RunOptions(
        *form,
        [&](TFormOpt& opt) {
            shown = true;
            QCOMPARE(opt.ComboBoxFont->currentText(), QString("Terminal"));
            QCOMPARE(opt.SpinEditFSize->value(), 8);
            QCOMPARE(opt.SpinEditCols->value(), 19);
            QCOMPARE(opt.SpinEditCols->maximum(), form->PaneLimits().width());
            QCOMPARE(opt.SpinEditRows->maximum(), form->PaneLimits().height());
            QCOMPARE(opt.SpinEditRows->value(), 20);
            QCOMPARE(opt.SpinEditMRU->value(), 5);
            QCOMPARE(opt.RadioGroupByteOrder->ItemIndex(), 1);
            QCOMPARE(opt.RadioGroupBase->ItemIndex(), 0);
            QVERIFY(opt.CheckBoxOldFileTime->isChecked() && !opt.CheckBoxNewEOF->isChecked());
            QCOMPARE(opt.ComboBoxColor->count(), 18);
            QCOMPARE(opt.ComboBoxColor->currentText(), QString("clRed"));
            opt.SpinEditCols->setValue(12);
            opt.CheckBoxNewEOF->setChecked(true);
            SelectText(opt.ComboBoxColor, "clBlue");
            opt.RadioGroupBase->SetItemIndex(1);
        },
        "ButtonCancel");
    QVERIFY(shown);
    QCOMPARE(TestDoc().View.Cols, 19);
    QVERIFY(!TestApp().NewEOF);
    QCOMPARE(form->ColorBlockValue, 255);
    QCOMPARE(TestApp().AddressBase, 0);
    QVERIFY(TIniFile(IniPath.toStdString()).ReadSectionKeys("Options").empty());

    // A colour without a name in the list selects nothing.
    form->SetColorBlock(0x123456);
    RunOptions(
        *form, [](TFormOpt& opt) { QCOMPARE(opt.ComboBoxColor->currentIndex(), -1); }, "ButtonCancel");
}
void TestSettings::optionsOkAppliesEveryStep() {
    auto form = StartForm();
    form->MRUFiles->AddFile("/a");
    form->MRUFiles->AddFile("/b");
    form->MRUFiles->AddFile("/c");
    RunOptions(*form, [](TFormOpt& opt) {
        opt.SpinEditFSize->setValue(10);
        opt.SpinEditCols->setValue(12);
        opt.SpinEditRows->setValue(11);
        opt.CheckBoxHideTool->setChecked(true);
        opt.CheckBoxRowAddresses->setChecked(true);
        opt.CheckBoxNewEOF->setChecked(true);
        SelectText(opt.ComboBoxColor, "clBlue");
        opt.SpinEditMRU->setValue(2);
        opt.CheckBoxOldFileTime->setChecked(true);
        opt.CheckBoxBackup->setChecked(true);
        opt.RadioGroupByteOrder->SetItemIndex(1);
        opt.RadioGroupBase->SetItemIndex(1);
    });
    QCOMPARE(form->JkStrGridText->FontSize(), 10);
    QCOMPARE(form->JkStrGridHex->FontSize(), 10);
    QCOMPARE(TestDoc().View.Cols, 12);
    QCOMPARE(TestDoc().View.Rows, 11);
    QVERIFY(form->HideToolBar && form->Panel1->isHidden());
    QVERIFY(form->RowAddresses && form->RowAddressColumn->isVisible());
    QVERIFY(TestApp().NewEOF);
    QCOMPARE(form->ColorBlockValue, 0xFF0000);
    QCOMPARE(form->MRUFiles->Files(), QStringList({"/c", "/b"}));
    QVERIFY(TestApp().OldFileTime);
    QVERIFY(TestApp().BackupOnSave);
    QCOMPARE(TestApp().AddressBase, 1);
    // OK writes the settings file at once, as an exit would: a crash or a kill from here on keeps them.
    {
        const TIniFile written(IniPath.toStdString());
        QCOMPARE(written.ReadInteger("Options", "FontSize", 0), 10);
        QCOMPARE(written.ReadInteger("Options", "Cols", 0), 12);
        QCOMPARE(written.ReadInteger("Options", "Rows", 0), 11);
        QCOMPARE(written.ReadInteger("Options", "BaseAdress", 0), 1);
        QVERIFY(written.ReadBool("Options", "BackupOnSave", false));
        QVERIFY(written.ReadBool("Options", "HideToolBar", false));
        QCOMPARE(written.ReadInteger("Options", "ColorBlock", 0), 0xFF0000);
    }

    // The count chosen holds for this run only; the next start has 5 again.
    form->close();
    form.reset();
    Engine::ResetEngineState(TestDoc());
    form = StartForm();
    QCOMPARE(form->MRUFiles->FileCount(), 5);
    QCOMPARE(form->MRUFiles->Files(), QStringList({"/c", "/b"}));
    QCOMPARE(TestDoc().View.Cols, 12);
    QCOMPARE(TestApp().AddressBase, 1);
}

void TestSettings::optionsTakesNumberBeingTyped() {
    auto form = StartForm();
    RunOptions(*form, [](TFormOpt& opt) {
        // Typed, not committed: the spin box has not yet taken the text as its value.
        opt.SpinEditRows->setKeyboardTracking(false);
        opt.SpinEditRows->findChild<QLineEdit*>()->setText("13");
    });
    QCOMPARE(TestDoc().View.Rows, 13);
}

void TestSettings::defaultsRestoreAppearanceOnly() {
    auto form = StartForm();
    form->ApplyFontSize(12);
    form->SetPaneDimensions(11, 12);
    form->SetColorBlock(0xFF0000);
    form->MRUFiles->SetFileCount(9);
    form->ByteOrder = 1;
    TestApp().AddressBase = 1;
    TestApp().OldFileTime = true;
    TestApp().NewEOF = true;
    form->HideToolBar = true;
    form->SetToolBarHidden(true);

    RunOptions(*form, [](TFormOpt& opt) { opt.ButtonDefault->click(); });
    QCOMPARE(form->JkStrGridText->FontName(), QString("Terminal"));
    QCOMPARE(form->JkStrGridText->FontSize(), 8);
    QCOMPARE(TestDoc().View.Cols, 19);
    QCOMPARE(TestDoc().View.Rows, 20);
    QCOMPARE(form->ColorBlockValue, 255);
    QCOMPARE(form->MRUFiles->FileCount(), 5);
    QCOMPARE(form->ByteOrder, 1);
    QCOMPARE(TestApp().AddressBase, 1);
    QVERIFY(TestApp().OldFileTime);
    QVERIFY(TestApp().NewEOF);
    QVERIFY(form->HideToolBar);
}

void TestSettings::paneLimitsFollowTheFontAndTheScreen() {
    auto form = StartForm();
    const QSize area = form->screen()->availableGeometry().size();
    // The largest font on 19 x 20 cells: fewer cells rather than a window larger than the screen.
    form->ApplyFontSize(MaxFontSize);
    QVERIFY(TestDoc().View.Rows < 20 && TestDoc().View.Cols < 19);
    QVERIFY(form->frameGeometry().height() <= area.height());
    QVERIFY(form->frameGeometry().width() <= area.width());
    QCOMPARE(QSize(TestDoc().View.Cols, TestDoc().View.Rows), form->PaneLimits());
    // The limits follow the font chosen in the dialog, not the one the window had when it opened.
    RunOptions(
        *form,
        [&](TFormOpt& opt) {
            QCOMPARE(opt.SpinEditRows->maximum(), TestDoc().View.Rows);
            opt.ButtonDefault->click();
            QCOMPARE(opt.SpinEditRows->value(), 20);
            QCOMPARE(opt.SpinEditCols->value(), 19);
            opt.SpinEditFSize->setValue(MaxFontSize);
            QCOMPARE(opt.SpinEditRows->value(), TestDoc().View.Rows);
            QCOMPARE(opt.SpinEditCols->value(), TestDoc().View.Cols);
        },
        "ButtonCancel");
}

void TestSettings::newBlockColourRepaintsAtOnce() {
    const QString path = Dir->filePath("data.bin");
    WriteText(path, QByteArray(400, 'M'));
    auto form = StartForm();
    QVERIFY(Engine::OpenFile(TestDoc(), path.toStdString(), false));
    TestDoc().Block.BlockBegin = 1;
    TestDoc().Block.BlockEnd = 40;
    form->RepaintPanes();

    auto hasColour = [&](const QColor& colour) {
        const QImage image = form->JkStrGridText->grab().toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == colour) return true;
        return false;
    };
    QVERIFY(hasColour(QColor(255, 0, 0)));
    RunOptions(*form, [](TFormOpt& opt) { SelectText(opt.ComboBoxColor, "clBlue"); });
    QVERIFY(hasColour(QColor(0, 0, 255)));
    QVERIFY(!hasColour(QColor(255, 0, 0)));
    // Only the colour changed: the view stays where it was.
    QCOMPARE(TestDoc().Block.BlockEnd, 40);
}

// An installed program lives in a folder its users cannot write (/usr/bin); its settings go to the
// user's configuration folder instead of being lost. A writable program folder keeps them beside it.
void TestSettings::settingsMoveToTheConfigFolderWhenTheProgramFolderIsReadOnly() {
    QTemporaryDir dir;
    // Permissions do not bind root: the program then runs as an ordinary user.
    QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
    const QString bin = dir.filePath(QStringLiteral("bin"));
    const QString config = dir.filePath(QStringLiteral("config/NIBLO"));
    QVERIFY(QDir().mkpath(bin));
    const std::string program = QFile::encodeName(bin + QStringLiteral("/niblo")).toStdString();
    const std::string beside = QFile::encodeName(bin + QStringLiteral("/niblo.ini")).toStdString();
    const std::string inConfig = QFile::encodeName(config + QStringLiteral("/niblo.ini")).toStdString();

    struct TCase {
        const char* What;
        mode_t Folder;
        bool FileBeside;
        bool Beside;
    };
    for (const TCase& c : {TCase{"writable folder", 0777, false, true},
                           TCase{"writable folder, file beside", 0777, true, true},
                           TCase{"read-only folder", 0555, false, false},
                           // The file is rewritten through a new file beside it, which the folder refuses.
                           TCase{"read-only folder, writable file beside", 0555, true, false}}) {
        QFile::remove(QString::fromStdString(beside));
        if (c.FileBeside) {
            WriteText(QString::fromStdString(beside), "[Options]\nCols=25\n");
            QVERIFY(chmod(beside.c_str(), 0666) == 0);
        }
        QVERIFY(chmod(QFile::encodeName(bin).constData(), c.Folder) == 0);
        const bool asRoot = geteuid() == 0;
        if (asRoot && seteuid(65534) != 0) QSKIP("cannot give up root");
        const std::string chosen = SettingsLocation(program, config);
        // What the program then writes there must stay.
        const bool wrote = TIniFile(chosen).WriteInteger("Options", "Rows", 33);
        const int rows = TIniFile(chosen).ReadInteger("Options", "Rows", 0);
        if (asRoot) QVERIFY(seteuid(0) == 0);
        QVERIFY(chmod(QFile::encodeName(bin).constData(), 0777) == 0);
        QCOMPARE(chosen, c.Beside ? beside : inConfig);
        QVERIFY2(wrote && rows == 33, c.What);
        QFile::remove(QString::fromStdString(inConfig));
    }
}

NIBLO_UI_TEST(TestSettings)
#include "tst_settings.moc"
