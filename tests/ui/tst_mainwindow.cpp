// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: start-up, file commands through the menu, status panels, panes, scroll bar and resizing.
#include "support/UiTestMain.h"
#include "common/TestDocument.h"
#include "support/StartedForm.h"
#include "support/EditorTestCase.h"
#include "ui/NIBLO_Main.h"

#include "common/EngineSetup.h"
#include "engine/store/PieceStore.h"
#include "engine/inspector/DataInspector.h"
#include "engine/files/FileCommands.h"
#include "engine/settings/IniFile.h"
#include "engine/editing/PaneEditing.h"
#include "engine/document/EngineState.h"
#include "engine/document/View.h"
#include "support/ModalAnswer.h"
#include "kit/JkGrid.h"
#include "kit/JkRowAddresses.h"
#include "kit/JkScroll.h"
#include "kit/JkStatusBar.h"
#include "ui/NIBLO_Inspector.h"
#include "kit/Jkdialog.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QTableWidget>
#include <QFile>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <chrono>
#include <stdexcept>

namespace {

QByteArray SampleBytes(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 37 + 11) & 0xFF);
    return bytes;
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// Every menu item and toolbar button with its tag.
struct TCommandItem {
    QString Name;
    int Tag;
    bool Enabled;
};

void CollectMenu(const QMenu* menu, QList<TCommandItem>& items) {
    for (QAction* action : menu->actions()) {
        items.append({action->isSeparator() ? QStringLiteral("separator") : action->objectName(),
                      action->property("tag").toInt(), action->isEnabled()});
        if (action->menu()) CollectMenu(action->menu(), items);
    }
}

QList<TCommandItem> AllCommands(const TFormMain& form) {
    QList<TCommandItem> items;
    for (QAction* top : form.menuBar()->actions())
        CollectMenu(top->menu(), items);
    for (QToolButton* button : form.Panel1->findChildren<QToolButton*>())
        items.append({button->objectName(), button->property("tag").toInt(), button->isEnabled()});
    return items;
}

} // namespace

// Tag-1 commands are enabled exactly while a file is open, the others always; "&Reopen" instead follows
// the recent-files list and is greyed while it is empty.
static bool FollowsTag(const TCommandItem& item) {
    if (item.Name == QLatin1String("Reopen1")) return true;
    return item.Enabled == (item.Tag != 1);
}

class TestMainWindow : public TEditorTestCase {
    Q_OBJECT

  private slots:

    void startsWithoutFileInNoFileState_data();
    void startsWithoutFileInNoFileState();
    void opensFirstArgumentWithSpacesAndNonAscii();
    void commandLineOpensReadOnlyAtTheAddress_data();
    void commandLineOpensReadOnlyAtTheAddress();
    void secondActivationDoesNothing();
    void activationOffersToLoadAChangedFileAgain();
    void menuTableNamesAndTags();
    void newNamesFilesInTurnAndCloseReturnsToNoFile();
    void saveWritesExactlyTheBuffer();
    void readOnlyFileGreysWhatWouldChangeIt();
    void confirmSaveAnswers_data();
    void confirmSaveAnswers();
    void closingWindowAsksAndCanBeRefused();
    void statusPanelsFollowCursorModeAndBase();
    void panesShowBytesAndBlankAfterEnd();
    void blockIsDrawnInBlockColour();
    void hintsReachMessagePanel();
    void resizeSnapsToWholeCellsWithoutLoop();
    void rowAddressesFollowModeAndBaseAndWidenTheWindow();
    void inspectorFollowsTheCursorBesideThePanes();
    void lateAnswerIsNotTheUsersButASettledSizeIs();
    void scrollBarDragChangesNothingUntilRelease();
    void scrollBarCountsAFileBeyondItsRangeInUnits();
    void scrollBarParamsClampAndReject();
    void scrollBarReportsCodesWithEndOnRelease();
    void slaveGridsFollowButNotInCircle();
};

void TestMainWindow::startsWithoutFileInNoFileState_data() {
    QTest::addColumn<QString>("argument");
    QTest::newRow("no argument") << QString();
    QTest::newRow("empty first argument") << QString("");
}

void TestMainWindow::startsWithoutFileInNoFileState() {
    QFETCH(QString, argument);
    auto started = StartForm(argument);
    TFormMain& form = *started;

    QCOMPARE(ShownCaption(form), QString("NIBLO"));
    QVERIFY(!TestDoc().FileOpen);
        for (const TCommandItem& item : AllCommands(form))
        QVERIFY2(FollowsTag(item), qPrintable(item.Name));
    QCOMPARE(form.StatusBar1->PanelText(0), QString());
    QCOMPARE(form.StatusBar1->PanelText(1), QString());
    QCOMPARE(form.StatusBar1->PanelText(2), QString("Overwrite"));
    QVERIFY(!form.ScrollBar1->isEnabled());
    QCOMPARE(form.ScrollBar1->Max(), 0);
    QCOMPARE(form.JkStrGridText->Cell(0, 0), QString());
    QCOMPARE(TestDoc().View.Cols, 19);
    QCOMPARE(TestDoc().View.Rows, 20);
}

void TestMainWindow::opensFirstArgumentWithSpacesAndNonAscii() {
    QTemporaryDir dir;
    const QByteArray bytes = SampleBytes(3000);
    const QString path = WriteFile(dir, QString::fromUtf8("my dätä.bin"), bytes);
    auto started = StartForm(path);
    TFormMain& form = *started;

    QCOMPARE(ShownCaption(form), QString::fromUtf8("NIBLO - my dätä.bin"));
    QVERIFY(TestDoc().FileOpen);
    QCOMPARE(TestDoc().Store.FileSize(), 3000);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(EngineSetup::StoredBytes().data()), 3000), bytes);
    // The commands of an open file come on together; the block commands wait for a block.
    for (const char* name : {"Save1", "SaveAs1", "Close1", "Insertfile1", "Find1", "Goto1", "Clipboard1",
                             "Paste1", "Decode1", "Patch1"})
        QVERIFY2(form.findChild<QAction*>(name)->isEnabled(), name);
    for (const char* name : {"JkBtnSave", "JkBtnPaste", "JkBtnFind", "JkBtnReplace"})
        QVERIFY2(form.findChild<QToolButton*>(name)->isEnabled(), name);
    QVERIFY(!form.Action(TCommand::Replaceundo1)->isEnabled());
    QVERIFY(form.ScrollBar1->isEnabled());
    QCOMPARE(form.ScrollBar1->Max(), 3000);
    QCOMPARE(form.ScrollBar1->PageSize(), TestDoc().View.PageBytes);
}

void TestMainWindow::commandLineOpensReadOnlyAtTheAddress_data() {
    QTest::addColumn<int>("base");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<qint64>("entry");
    QTest::addColumn<qint64>("cursor"); // 1-based; the cursor stays on 1 after "Adress invalid"
    QTest::addColumn<QString>("error");
    QTest::newRow("base 0") << 0 << false << qint64(0x10) << qint64(17) << QString();
    QTest::newRow("base 1, read-only") << 1 << true << qint64(0x10) << qint64(16) << QString();
    QTest::newRow("base 0: the last byte") << 0 << false << qint64(299) << qint64(300) << QString();
    QTest::newRow("base 0: past the end") << 0 << true << qint64(300) << qint64(1) << "Adress invalid";
    QTest::newRow("base 1: before the start") << 1 << false << qint64(0) << qint64(1) << "Adress invalid";
}

void TestMainWindow::commandLineOpensReadOnlyAtTheAddress() {
    QFETCH(int, base);
    QFETCH(bool, readOnly);
    QFETCH(qint64, entry);
    QFETCH(qint64, cursor);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "a.bin", SampleBytes(300));
    WriteText(QString::fromStdString(SettingsFile()),
              "[Options]\nBaseAdress=" + QByteArray::number(base) + "\n");
    TFormMain form(QFile::encodeName(path).toStdString());
    form.FirstReadOnly = readOnly;
    form.FirstAddress = entry;
    QString text;
    if (!error.isEmpty()) AnswerNextModal(QStringLiteral("OK"), &text);
    form.show();
    form.FormActivate();
    QVERIFY(TestDoc().FileOpen);
    QCOMPARE(TestDoc().File.ReadOnly, readOnly);
    QCOMPARE(form.Action(TCommand::Save1)->isEnabled(), !readOnly);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), cursor);
    QCOMPARE(text, error);
}

void TestMainWindow::secondActivationDoesNothing() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "a.bin", SampleBytes(10));
    auto started = StartForm(path);
    started->Run(TCommand::Close1);
    QVERIFY(!TestDoc().FileOpen);
    started->FormActivate();
    QCoreApplication::processEvents();
    QVERIFY(!TestDoc().FileOpen);
    QCOMPARE(ShownCaption(*started), QString("NIBLO"));
}

void TestMainWindow::activationOffersToLoadAChangedFileAgain() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "a.bin", SampleBytes(10));
    auto started = StartForm(path);
    WriteFile(dir, "a.bin", SampleBytes(20)); // another program's save
    QString question;
    AnswerNextModal("Yes", &question);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(started.get(), &activate);
    QTRY_COMPARE(TestDoc().Store.FileSize(), 20);
    QCOMPARE(question, QString("a.bin was changed by another program. Load it again?"));
}

void TestMainWindow::menuTableNamesAndTags() {
    auto started = StartForm();
    TFormMain& form = *started;
    QAction* blockCopy = form.findChild<QAction*>("Blockcopyovwr1");
    QVERIFY(blockCopy);
    QCOMPARE(blockCopy->text(), QString("Block copy/&overwrite"));
    QCOMPARE(blockCopy->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
    QCOMPARE(blockCopy->statusTip(), QString("Copy block at current adress (overwriting)"));
    QCOMPARE(form.findChild<QAction*>("Findagainup1")->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F3));
    QCOMPARE(form.findChild<QAction*>("Replace1")->property("helpContext").toInt(), 53);
    QVERIFY(form.Action(TCommand::ModusText1)->isCheckable() &&
            form.Action(TCommand::ModusText1)->isChecked());
    QVERIFY(form.Action(TCommand::ModusOverwrite1)->isChecked());
    QCOMPARE(form.Reopen1->actions().size(), 0);

    // The Search menu's one separator goes with the file commands.
    QList<TCommandItem> search;
    CollectMenu(form.findChild<QMenu*>("Search1"), search);
    int separators = 0;
    for (const TCommandItem& item : search)
        if (item.Name == "separator") {
            ++separators;
            QCOMPARE(item.Tag, 1);
            QVERIFY(!item.Enabled);
        }
    QCOMPARE(separators, 1);
    QCOMPARE(form.Panel1->findChildren<QToolButton*>().size(), 11);
    QCOMPARE(form.findChild<QToolButton*>("JkBtnWhats")->x(), 255);
}

void TestMainWindow::newNamesFilesInTurnAndCloseReturnsToNoFile() {
    auto started = StartForm();
    TFormMain& form = *started;

    form.findChild<QToolButton*>("JkBtnNew")->click();
    QCOMPARE(ShownCaption(form), QString("NIBLO - NoName1"));
    QVERIFY(TestDoc().FileOpen);
    QCOMPARE(TestDoc().Store.FileSize(), 0);
    QVERIFY(form.Action(TCommand::Save1)->isEnabled());
    QVERIFY(form.Button(TCommand::JkBtnSave)->isEnabled());
    // An empty file shows no address.
    QCOMPARE(form.StatusBar1->PanelText(0), QString());

    form.Action(TCommand::Close1)->trigger();
    QCOMPARE(ShownCaption(form), QString("NIBLO"));
    for (const TCommandItem& item : AllCommands(form))
        QVERIFY2(FollowsTag(item), qPrintable(item.Name));

    form.Action(TCommand::New1)->trigger();
    QCOMPARE(ShownCaption(form), QString("NIBLO - NoName2"));
}

void TestMainWindow::saveWritesExactlyTheBuffer() {
    QTemporaryDir dir;
    QByteArray bytes = SampleBytes(300000);
    const QString path = WriteFile(dir, "big.bin", bytes);
    auto started = StartForm(path);
    QCOMPARE(ShownCaption(*started), QString("NIBLO - big.bin"));
    Engine::TypeByte(TestDoc(), 0x5A);
    Engine::ShowAddress(TestDoc(), 300000, true, false);
    Engine::TypeByte(TestDoc(), 0xA5);
    QCOMPARE(ShownCaption(*started), QString("NIBLO - big.bin*"));

    started->Button(TCommand::JkBtnSave)->click();
    bytes[0] = char(0x5A);
    bytes[299999] = char(0xA5);
    QCOMPARE(ReadFile(path), bytes);
    QVERIFY(!TestDoc().Modified);
    QCOMPARE(ShownCaption(*started), QString("NIBLO - big.bin"));
    started->Run(TCommand::Undo1);
    QCOMPARE(ShownCaption(*started), QString("NIBLO - big.bin*"));
}

void TestMainWindow::readOnlyFileGreysWhatWouldChangeIt() {
    QTemporaryDir dir;
    const QByteArray bytes = SampleBytes(100);
    const QString path = WriteFile(dir, "ro.bin", bytes);
    auto started = StartForm();
    QVERIFY(Engine::OpenFile(TestDoc(), path.toStdString(), false, true));
    QCOMPARE(ShownCaption(*started), QString("NIBLO - ro.bin (read-only)"));
    for (TCommand command : {TCommand::Save1, TCommand::Insert1, TCommand::Paste1, TCommand::Replace1,
                             TCommand::Encode1, TCommand::Deletefromcursor1})
        QVERIFY(!started->Action(command)->isEnabled());
    for (TCommand command : {TCommand::JkBtnSave, TCommand::JkBtnPaste, TCommand::JkBtnReplace})
        QVERIFY(!started->Button(command)->isEnabled());
    QVERIFY(started->Action(TCommand::SaveAs1)->isEnabled());
    QVERIFY(started->Action(TCommand::Find1)->isEnabled());
    QTest::keyClicks(started->ActivePane(), QStringLiteral("AB"));
    // Where no bell rings, the message panel says why for a few seconds.
    QCOMPARE(started->StatusBar1->PanelText(3), QString("The file is read-only"));
    started->StatusBar1->SetPanelText(3, QString());
    QTest::keyClick(started->ActivePane(), Qt::Key_Delete);
    QCOMPARE(started->StatusBar1->PanelText(3), QString("The file is read-only"));
    QCOMPARE(ShownCaption(*started), QString("NIBLO - ro.bin (read-only)"));
    QVERIFY(Engine::OpenFile(TestDoc(), path.toStdString(), false));
    QVERIFY(started->Action(TCommand::Save1)->isEnabled());
    QCOMPARE(ShownCaption(*started), QString("NIBLO - ro.bin"));
    QCOMPARE(ReadFile(path), bytes);
}

void TestMainWindow::confirmSaveAnswers_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved");
    QTest::newRow("Yes saves and closes") << "Yes" << true << true;
    QTest::newRow("No closes without saving") << "No" << true << false;
    QTest::newRow("Cancel keeps everything") << "Cancel" << false << false;
}

void TestMainWindow::confirmSaveAnswers() {
    QFETCH(QString, button);
    QFETCH(bool, closed);
    QFETCH(bool, saved);
    QTemporaryDir dir;
    const QByteArray bytes = SampleBytes(100);
    const QString path = WriteFile(dir, "name.bin", bytes);
    auto started = StartForm(path);
    Engine::ShowAddress(TestDoc(), 5, true, false);
    Engine::TypeByte(TestDoc(), 0);

    QString question;
    AnswerNextModal(button, &question);
    started->Run(TCommand::Close1);

    QCOMPARE(question, QString("name.bin modified. Save now?"));
    QCOMPARE(!TestDoc().FileOpen, closed);
    QCOMPARE(ShownCaption(*started), closed ? QString("NIBLO") : QString("NIBLO - name.bin*"));
    QByteArray expected = bytes;
    if (saved) expected[4] = '\0';
    QCOMPARE(ReadFile(path), expected);
}

void TestMainWindow::closingWindowAsksAndCanBeRefused() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "keep.bin", SampleBytes(10));
    auto started = StartForm(path);
    TestDoc().Modified = true;

    AnswerNextModal("Cancel");
    QVERIFY(!started->close());
    QVERIFY(started->isVisible());
    
    AnswerNextModal("No");
    QVERIFY(started->close());
}

void TestMainWindow::statusPanelsFollowCursorModeAndBase() {
    QTemporaryDir dir;
    const QByteArray bytes = SampleBytes(3000);
    const QString path = WriteFile(dir, "s.bin", bytes);
    auto started = StartForm(path);
    TFormMain& form = *started;

    QCOMPARE(form.StatusBar1->PanelText(0), QString("Adr. dec: 0"));
    QCOMPARE(form.StatusBar1->PanelText(1), QString("Char dec: %1").arg(uint8_t(bytes[0])));

    Engine::ShowAddress(TestDoc(), 1001, true, false);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 1001);
    QCOMPARE(form.StatusBar1->PanelText(0), QString("Adr. dec: 1,000"));
    QCOMPARE(form.StatusBar1->PanelText(1), QString("Char dec: %1").arg(uint8_t(bytes[1000])));
    QCOMPARE(form.ScrollBar1->Position(), 1001);

    TestApp().TextMode = false;
    form.UpdateStatus();
    QCOMPARE(form.StatusBar1->PanelText(0), QString("Adr. hex: 3E8"));
    TestApp().AddressBase = 1;
    form.UpdateStatus();
    QCOMPARE(form.StatusBar1->PanelText(0), QString("Adr. hex: 3E9"));
}

void TestMainWindow::panesShowBytesAndBlankAfterEnd() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "p.bin", QByteArray("A\0\xFF", 3));
    auto started = StartForm(path);
    TFormMain& form = *started;

    QCOMPARE(form.JkStrGridText->Cell(0, 0), QString("A"));
    QCOMPARE(form.JkStrGridText->Cell(1, 0), QString(QChar(0x2591))); // 0 shows as 176, a light shade
    QCOMPARE(form.JkStrGridHex->Cell(1, 0), QString("00"));
    QCOMPARE(form.JkStrGridHex->Cell(2, 0), QString("FF"));
    QCOMPARE(form.JkStrGridText->Cell(3, 0), QString());
    QCOMPARE(form.JkStrGridHex->Cell(3, 0), QString("  "));
    QCOMPARE(form.JkStrGridHex->Cell(0, 1), QString("  "));

    // Any other font shows the bytes through Windows-1252; every byte stays visible.
    form.ApplyFontName("Some Other Font");
    form.RefreshPanes(0, 0);
    QCOMPARE(form.JkStrGridText->Cell(1, 0), QString(QChar(0x00B0)));
    QCOMPARE(ByteGlyph(0x80, false), QChar(0x20AC));
    QCOMPARE(ByteGlyph(0x01, false), QChar(0x263A));
    QVERIFY(ByteGlyph(0x81, false).isPrint());
}

void TestMainWindow::blockIsDrawnInBlockColour() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "b.bin", QByteArray(40, 'W'));
    auto started = StartForm(path);
    TFormMain& form = *started;
    auto redPixels = [&](TJkStrGrid* grid, int col) {
        const QImage image = grid->grab(grid->CellRect(col, 0)).toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.red() > 180 && c.green() < 90 && c.blue() < 90;
            }
        return count;
    };

    TestDoc().Block.BlockBegin = 3;
    TestDoc().Block.BlockEnd = 0; // only the begin set: nothing coloured
    form.RepaintPanes();
    QCOMPARE(redPixels(form.JkStrGridText, 2), 0);

    TestDoc().Block.BlockEnd = 4;
    form.RepaintPanes();
    QCOMPARE(redPixels(form.JkStrGridText, 1), 0);
    QVERIFY(redPixels(form.JkStrGridText, 2) > 0);
    QVERIFY(redPixels(form.JkStrGridHex, 3) > 0);
    QCOMPARE(redPixels(form.JkStrGridHex, 4), 0);
}

void TestMainWindow::hintsReachMessagePanel() {
    auto started = StartForm();
    TFormMain& form = *started;
    form.Action(TCommand::Writeblock1)->showStatusText(form.menuBar());
    QCOMPARE(form.StatusBar1->PanelText(3), QString("Write block to file"));

    QStatusTipEvent leave{QString()};
    QCoreApplication::sendEvent(form.Button(TCommand::JkBtnFind), &leave);
    QCOMPARE(form.StatusBar1->PanelText(3), QString());
}

void TestMainWindow::resizeSnapsToWholeCellsWithoutLoop() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "r.bin", SampleBytes(5000));
    auto started = StartForm(path);
    TFormMain& form = *started;
    QCOMPARE(form.ColsForWidth(form.WindowWidthFor(23)), 23);
    QCOMPARE(form.RowsForHeight(form.WindowHeightFor(17)), 17);

    Engine::ShowAddress(TestDoc(), 2001, true, false);
    form.resize(form.WindowWidthFor(25) + 7, form.WindowHeightFor(15) + 5);
    QCoreApplication::processEvents();
    QCOMPARE(TestDoc().View.Cols, 25);
    QCOMPARE(TestDoc().View.Rows, 15);
    QCOMPARE(TestDoc().View.PageBytes, 375);
    QCOMPARE(form.size(), QSize(form.WindowWidthFor(25), form.WindowHeightFor(15)));
    // The cursor stays on its byte, on the page shown.
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 2001);
    QVERIFY(TestDoc().View.TopAddress <= 2001 &&
            2001 < TestDoc().View.TopAddress + TestDoc().View.PageBytes);
    QCOMPARE((TestDoc().View.TopAddress - 1) % TestDoc().View.Cols, 0);
    QCOMPARE(form.JkStrGridText->ColCount(), 25);
    QCOMPARE(form.JkStrGridHex->x(), form.JkStrGridText->width() + 1);

    // Settled: further event processing asks for no other size.
    int resizes = 0;
    struct TCounter : QObject {
        int* Count;
        explicit TCounter(int* count) : Count(count) {}
        bool eventFilter(QObject*, QEvent* event) override {
            *Count += event->type() == QEvent::Resize;
            return false;
        }
    } counter(&resizes);
    form.installEventFilter(&counter);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(resizes, 0);

    form.resize(50, 50);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(TestDoc().View.Cols, 10);
    QCOMPARE(TestDoc().View.Rows, 10);
    QCOMPARE(form.size(), QSize(form.WindowWidthFor(10), form.WindowHeightFor(10)));
    QVERIFY(resizes <= 2);
    form.removeEventFilter(&counter);
}

void TestMainWindow::rowAddressesFollowModeAndBaseAndWidenTheWindow() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "a.bin", SampleBytes(5000));
    auto started = StartForm(path);
    TFormMain& form = *started;
    form.SetPaneDimensions(16, 10);
    QCoreApplication::processEvents();
    const int plainWidth = form.WindowWidthFor(16);
    QVERIFY(!form.RowAddresses && !form.RowAddressColumn->isVisible());
    QVERIFY(!form.Action(TCommand::Rowaddresses1)->isChecked());

    Engine::ShowAddress(TestDoc(), 2001, true, false);
    form.Action(TCommand::Rowaddresses1)->trigger();
    QCoreApplication::processEvents();
    QVERIFY(form.RowAddressColumn->isVisible() && form.Action(TCommand::Rowaddresses1)->isChecked());
    // The column sits left of the text pane and widens the window by its width; the view stays.
    const int space = form.RowAddressColumn->width() + 1;
    QCOMPARE(form.RowAddressColumn->width(), form.RowAddressColumn->WidthFor(8));
    QCOMPARE(form.JkStrGridText->x(), space);
    QCOMPARE(form.JkStrGridHex->x(), space + form.JkStrGridText->width() + 1);
    QCOMPARE(form.size(), QSize(plainWidth + space, form.WindowHeightFor(10)));
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 2001);
    // Snapping counts it.
    QCOMPARE(form.ColsForWidth(form.WindowWidthFor(23)), 23);
    form.resize(form.WindowWidthFor(20) + 7, form.WindowHeightFor(10));
    QCoreApplication::processEvents();
    QCOMPARE(TestDoc().View.Cols, 20);
    QCOMPARE(form.size(), QSize(form.WindowWidthFor(20), form.WindowHeightFor(10)));

    // Largest address 4999 (hex 1387) or, counted from 1, 5000 (hex 1388): four hex digits either way.
    Engine::GoToStart(TestDoc());
    const struct {
        bool TextMode;
        int Base;
        QStringList FirstRows;
    } cases[] = {
        {true, 0, {"0", "20", "40"}},
        {true, 1, {"1", "21", "41"}},
        {false, 0, {"0000", "0014", "0028"}},
        {false, 1, {"0001", "0015", "0029"}},
    };
    for (const auto& c : cases) {
        TestApp().TextMode = c.TextMode;
        TestApp().AddressBase = c.Base;
        form.UpdateStatus();
        QCOMPARE(form.RowAddressColumn->Texts().size(), 10);
        QCOMPARE(form.RowAddressColumn->Texts().mid(0, 3), c.FirstRows);
    }
    // The page follows (the last page starts at 4801); rows past the end stay empty.
    Engine::ShowAddress(TestDoc(), 4990, true, false);
    QCOMPARE(form.RowAddressColumn->Texts().first(), QString("12C1"));
    QCOMPARE(form.RowAddressColumn->Texts().last(), QString("1375"));
    form.Run(TCommand::New1);
    QCOMPARE(form.RowAddressColumn->Texts().mid(0, 2), QStringList({"1", ""}));

    form.Action(TCommand::Rowaddresses1)->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(form.JkStrGridText->x(), 0);
    QCOMPARE(form.size(), QSize(form.WindowWidthFor(20), form.WindowHeightFor(10)));
    QCOMPARE(form.WindowWidthFor(16), plainWidth);
}

// The inspector reads the bytes at the cursor as it moves, in the chosen byte order; the window makes
// room for it and the panes keep their columns. A typed value overwrites the bytes as one undo step.
void TestMainWindow::inspectorFollowsTheCursorBesideThePanes() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "a.bin", QByteArray::fromHex("0102030405fe"));
    auto started = StartForm(path);
    TFormMain& form = *started;
    form.SetPaneDimensions(10, 10);
    QCoreApplication::processEvents();
    const QSize plain = form.size();
    QVERIFY(form.Inspector->isHidden());
    QCOMPARE(form.Action(TCommand::Datainspector1)->shortcut(), QKeySequence(Qt::Key_F8));

    const auto settle = [] {
        for (int i = 0; i < 4; ++i)
            QCoreApplication::processEvents();
    };
    form.Action(TCommand::Datainspector1)->trigger();
    settle();
    QVERIFY(form.Inspector->isVisible() && form.Action(TCommand::Datainspector1)->isChecked());
    QVERIFY(!form.Inspector->isFloating());
    // The panes and the scroll bar stay clear of the dock.
    QVERIFY(form.ScrollBar1->geometry().right() < form.centralWidget()->width());
    QCOMPARE(TestDoc().View.Cols, 10);
    QVERIFY(form.width() > plain.width());
    QCOMPARE(form.width(), form.WindowWidthFor(10));
    const auto value = [&](Engine::TInspectorRow row) {
        return form.Inspector->Rows->item(int(row), 1)->text();
    };
    QCOMPARE(value(Engine::TInspectorRow::Int16), QString("513"));
    QTest::keyClick(form.ActivePane(), Qt::Key_Right);
    QCoreApplication::processEvents();
    QCOMPARE(value(Engine::TInspectorRow::UInt8), QString("2"));
    QCOMPARE(value(Engine::TInspectorRow::Int32), QString("84148994"));
    form.Inspector->ByteOrderBox->setCurrentIndex(1);
    QCOMPARE(value(Engine::TInspectorRow::Int32), QString("33752069"));
    // Ctrl+C on a row copies its value, not the (absent) block.
    form.Inspector->Rows->setCurrentCell(int(Engine::TInspectorRow::Int32), 0);
    QTest::keyClick(form.Inspector->Rows, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("33752069"));
    // Near the end the longer rows have no bytes.
    Engine::ShowAddress(TestDoc(), 6, true, false);
    QCoreApplication::processEvents();
    QCOMPARE(value(Engine::TInspectorRow::Int8), QString("-2"));
    QCOMPARE(value(Engine::TInspectorRow::Int16), QString("-"));
    // Rows scrolled into view show the bytes at the cursor too.
    form.Inspector->Rows->scrollToBottom();
    QCoreApplication::processEvents();
    QCOMPARE(value(Engine::TInspectorRow::Windows1252), QString::fromUtf8("U+00FE \xC3\xBE"));
    form.Inspector->Rows->scrollToTop();

    Engine::ShowAddress(TestDoc(), 2, true, false);
    QCoreApplication::processEvents();
    const auto bytesAtCursor = [] {
        QByteArray bytes;
        for (int a = 2; a <= 5; ++a)
            bytes.append(char(uint8_t(TestDoc().Store.ByteAt(a))));
        return bytes.toHex();
    };
    QTableWidgetItem* float32 = form.Inspector->Rows->item(int(Engine::TInspectorRow::Float32), 1);
    float32->setText("1.5");
    QCOMPARE(bytesAtCursor(), QByteArray("3fc00000"));
    QCOMPARE(TestDoc().Store.FileSize(), 6);
    QCOMPARE(float32->text(), QString("1.5"));
    QCOMPARE(form.Action(TCommand::Undo1)->statusTip(), QString("Undo Data inspector"));
    form.Run(TCommand::Undo1);
    // A row that is no number takes its own text form: a character as itself.
    form.Inspector->Rows->item(int(Engine::TInspectorRow::Utf8), 1)->setText(QString::fromUtf8("\u20AC"));
    QCOMPARE(bytesAtCursor(), QByteArray("e282ac05"));
    form.Run(TCommand::Undo1);
    QCOMPARE(bytesAtCursor(), QByteArray("02030405"));
    float32->setText("1.5x");
    QCOMPARE(bytesAtCursor(), QByteArray("02030405"));
    // The message, shortened to the narrow window's status panel.
    const QString shown = form.StatusBar1->PanelText(3);
    QVERIFY(shown.size() > 3 && QString("Not a valid Float32: 1.5x").startsWith(shown.chopped(3)));
    QVERIFY(float32->text() != "1.5x");

    form.Action(TCommand::Datainspector1)->trigger();
    settle();
    QVERIFY(form.Inspector->isHidden() && !form.Action(TCommand::Datainspector1)->isChecked());
    QCOMPARE(form.size(), plain);
    QCOMPARE(TestDoc().View.Cols, 10);
}

// A window manager answers each size request with a resize event, and an answer to an older request can
// arrive after a newer one was made and answered (X11 at start: the designed grid, then the grid of the
// settings, and the window manager's first word on the mapped window). That answer must not turn the
// grid into whatever fits the old size; once the requests have settled, the same size is the user's.
void TestMainWindow::lateAnswerIsNotTheUsersButASettledSizeIs() {
    auto started = StartForm();
    TFormMain& form = *started;
    auto now = std::chrono::steady_clock::now();
    form.Clock = [&now] { return now; };
    form.SetPaneDimensions(19, 20);
    const QSize older = form.size();
    form.ApplyFontSize(12); // the same grid, larger cells: a newer request, answered at once here
    const QSize newer = form.size();
    QVERIFY(newer != older);
    QCoreApplication::processEvents();

    form.resize(older); // the late answer: the newest size is asked for again
    QCoreApplication::processEvents();
    QCOMPARE(TestDoc().View.Cols, 19);
    QCOMPARE(TestDoc().View.Rows, 20);
    QCOMPARE(form.size(), newer);

    // Settled: the older size coming again is the user's resize, and it snaps.
    now += std::chrono::milliseconds(1700);
    form.resize(older);
    QCoreApplication::processEvents();
    QCOMPARE(TestDoc().View.Cols, form.ColsForWidth(older.width()));
    QVERIFY(TestDoc().View.Cols < 19);
    form.resize(form.WindowWidthFor(12) + 3, form.WindowHeightFor(11) + 3);
    QCoreApplication::processEvents();
    QCOMPARE(TestDoc().View.Cols, 12);
    QCOMPARE(TestDoc().View.Rows, 11);
}

void TestMainWindow::scrollBarDragChangesNothingUntilRelease() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "d.bin", SampleBytes(10000));
    auto started = StartForm(path);
    TFormMain& form = *started;
    const int page = TestDoc().View.PageBytes;

    form.ScrollBar1->Scroll(scTrack, 5000);
    QCOMPARE(form.StatusBar1->PanelText(3), QString("Scrolling..."));
    QCOMPARE(TestDoc().View.TopAddress, 1);
    QCOMPARE(form.ScrollBar1->Position(), 5000);
    form.ScrollBar1->Scroll(scEndScroll);
    QCOMPARE(form.StatusBar1->PanelText(3), QString());
    QCOMPARE(TestDoc().View.TopAddress,
             (5000 - 1) / TestDoc().View.Cols * TestDoc().View.Cols + 1);
    QCOMPARE(form.ScrollBar1->Position(), Engine::CurrentAddress(TestDoc()));

    // Dropped within the last page: the end, cursor on the last byte.
    form.ScrollBar1->Scroll(scTrack, 10000 - page / 2);
    form.ScrollBar1->Scroll(scEndScroll);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 10000);

    // Within the first page: the start. A line step moves one page.
    form.ScrollBar1->Scroll(scTrack, 3);
    form.ScrollBar1->Scroll(scEndScroll);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 1);
    form.ScrollBar1->Scroll(scLineDown);
    QCOMPARE(TestDoc().View.TopAddress, 1);
    form.ScrollBar1->Scroll(scEndScroll);
    QCOMPARE(TestDoc().View.TopAddress, page + 1);
}

// A file past the bar's 32-bit range: positions stand for several bytes, and the middle, the end and the
// start are still reached; a resize keeps the steps in those units, and the address panel fits the last
// address. Only the bytes shown are touched, so an untouched allocation stands in for it.
void TestMainWindow::scrollBarCountsAFileBeyondItsRangeInUnits() {
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "e.bin", SampleBytes(100));
    auto started = StartForm(path);
    TFormMain& form = *started;
    const TCount size = TCount{5} << 30;
    const int designedWidth = form.StatusBar1->PanelWidth(0);
    EngineSetup::SetStoreSize(size);
    form.UpdateStatus();
    const int32_t max = form.ScrollBar1->Max();
    QVERIFY(max > INT32_MAX / 2 && max <= INT32_MAX - 131072);
    QCOMPARE(form.ScrollBar1->Position(), 1);

    form.ScrollBar1->Scroll(scTrack, max / 2);
    form.ScrollBar1->Scroll(scEndScroll);
    QVERIFY(Engine::CurrentAddress(TestDoc()) > size / 2 - TestDoc().View.PageBytes * 4);
    QVERIFY(Engine::CurrentAddress(TestDoc()) < size / 2 + TestDoc().View.PageBytes * 4);
    // The view starts on a whole row, a few units before where the thumb was dropped.
    QVERIFY(std::abs(form.ScrollBar1->Position() - max / 2) <= TestDoc().View.Cols);

    form.SetPaneDimensions(TestDoc().View.Cols, TestDoc().View.Rows);
    QVERIFY(form.ScrollBar1->SmallChange < TestDoc().View.PageBytes);
    QCOMPARE(form.ScrollBar1->SmallChange, form.ScrollBar1->PageSize());

    form.ScrollBar1->Scroll(scTrack, max);
    form.ScrollBar1->Scroll(scEndScroll);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), size);
    QCOMPARE(form.ScrollBar1->Position(), max - form.ScrollBar1->PageSize() + 1);
    const QString shown = form.StatusBar1->PanelText(0);
    QVERIFY(shown.endsWith(QStringLiteral("5,368,709,119")));
    QVERIFY(QFontMetrics(form.StatusBar1->font()).horizontalAdvance(shown) < form.StatusBar1->PanelWidth(0) - 4);

    form.ScrollBar1->Scroll(scTrack, 1);
    form.ScrollBar1->Scroll(scEndScroll);
    QCOMPARE(Engine::CurrentAddress(TestDoc()), 1);
    EngineSetup::SetStoreSize(100);
    form.UpdateStatus();
    QCOMPARE(form.StatusBar1->PanelWidth(0), designedWidth);
}

void TestMainWindow::scrollBarParamsClampAndReject() {
    TJkScrollBar bar;
    int changes = 0;
    bar.OnChange = [&changes] { ++changes; };
    bar.SetParams(500, 1, 100, 1000);
    QCOMPARE(bar.Position(), 500);
    QCOMPARE(changes, 1);
    bar.SetParams(990, 1, 100, 1000); // the thumb stops at max - page + 1
    QCOMPARE(bar.Position(), 901);
    bar.SetParams(5, 1, 5000, 1000); // page no larger than the range
    QCOMPARE(bar.PageSize(), 1000);
    QCOMPARE(bar.Position(), 1);
    bar.SetParams(1, 1, 1, 1000);
    bar.SetPosition(2000);
    QCOMPARE(bar.Position(), 1000);
    const int before = changes;
    bar.SetPosition(1000);
    QCOMPARE(changes, before);
    // The full 32-bit range.
    bar.SetParams(2147483000, 1, 100, 2147483647);
    QCOMPARE(bar.Position(), 2147483000);
    QCOMPARE(bar.Control()->value(), 2147483000);

    try {
        bar.SetParams(0, 10, 0, 5);
        QFAIL("max below min accepted");
    } catch (const std::out_of_range& error) {
        QCOMPARE(QString(error.what()), QString("Scrollbar property out of range"));
    }
}

void TestMainWindow::scrollBarReportsCodesWithEndOnRelease() {
    TJkScrollBar bar;
    bar.SetKind(Qt::Vertical);
    bar.resize(16, 200);
    bar.SetParams(1, 1, 10, 1000);
    bar.SmallChange = 10;
    bar.LargeChange = 100;
    QList<int> codes;
    QList<int> positions;
    bar.OnScroll = [&](int code, int32_t& position) {
        codes << code;
        positions << position;
    };
    bar.show();

    // Without a mouse button (wheel, keys) the scroll ends at once.
    bar.Control()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(codes, QList<int>({scPageDown, scEndScroll}));
    QCOMPARE(bar.Position(), 101);
    QCOMPARE(bar.Control()->value(), 101);

    // An arrow held down scrolls; the end comes with the release.
    codes.clear();
    positions.clear();
    const QPoint downArrow(bar.width() / 2, bar.height() - 3);
    QTest::mousePress(bar.Control(), Qt::LeftButton, {}, downArrow);
    QCOMPARE(codes, QList<int>({scLineDown}));
    QCOMPARE(positions, QList<int>({111}));
    QTest::mouseRelease(bar.Control(), Qt::LeftButton, {}, downArrow);
    QCOMPARE(codes, QList<int>({scLineDown, scEndScroll}));

    codes.clear();
    bar.Control()->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(codes.first(), int(scBottom));
    QCOMPARE(bar.Position(), 991);
}

void TestMainWindow::slaveGridsFollowButNotInCircle() {
    TJkStrGrid first;
    TJkStrGrid second;
    for (TJkStrGrid* grid : {&first, &second}) {
        grid->SetColCount(5);
        grid->SetRowCount(4);
    }
    first.SetSlaveGrid(&first); // a grid is never its own slave
    QCOMPARE(first.SlaveGrid(), nullptr);
    first.SetSlaveGrid(&second);
    QVERIFY(first.SelectCell(3, 2));
    QCOMPARE(QPoint(second.Col(), second.Row()), QPoint(3, 2));

    second.SetSlaveGrid(&first);
    QVERIFY(first.SelectCell(1, 1));
    QCOMPARE(QPoint(second.Col(), second.Row()), QPoint(3, 2));

    first.OnSelectCell = [](TJkStrGrid*, int col, int) { return col != 4; };
    QVERIFY(!first.SelectCell(4, 0));
    QCOMPARE(QPoint(first.Col(), first.Row()), QPoint(1, 1));

    first.SetDefaultColWidth(15);
    QCOMPARE(PaneWidth(&first, 19), 19 * 15 + 23);
}

NIBLO_UI_TEST(TestMainWindow)
#include "tst_mainwindow.moc"
