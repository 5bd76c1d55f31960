// SPDX-License-Identifier: GPL-3.0-or-later
// The recent-files list of the File menu and files dropped on the main window.
#include "support/UiTestMain.h"
#include "common/TestDocument.h"
#include "support/StartedForm.h"
#include "ui/NIBLO_Main.h"

#include "common/EngineSetup.h"
#include "engine/store/PieceStore.h"
#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/settings/IniFile.h"
#include "files/FileDrop.h"
#include "files/MRUFiles.h"
#include "support/ModalAnswer.h"

#include <QAction>
#include <QFile>
#include <QFontMetrics>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <fstream>
#include <memory>

namespace {

QByteArray Buffer() {
    const std::vector<uint8_t> bytes = EngineSetup::StoredBytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions.append(action->objectName() + "=" + action->text());
    return captions;
}

QAction* Item(const QMenu* menu, const QString& name) {
    for (QAction* action : menu->actions())
        if (action->objectName() == name) return action;
    return nullptr;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file << bytes;
    if (!file) qFatal("cannot write a file");
}

// Drops the data on the window as the desktop would, then lets the drop's handler run.
void DropData(QWidget& window, QMimeData& data) {
    const QPointF centre(window.width() / 2.0, window.height() / 2.0);
    QDragEnterEvent enter(centre.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
    QVERIFY(drop.isAccepted());
    QCoreApplication::processEvents();
}

void Drop(QWidget& window, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    DropData(window, data);
}

} // namespace

class TestRecent : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shortenPath_data();
    void shortenPath();
    void listOrderAndCount();
    void menuItemsAndGreyedReopen();
    void loadsInKeyOrderAndSavesRenumbered();
    void pathsSurviveTheSettingsFile();
    void choosingItemOpensItAndMovesItUp();
    void dropOneFileOpensIt();
    void dropThreeFilesRefused();
    void dropOnModifiedFileAsksFirst();

  private:
    QString MakeFile(const QString& name, const QByteArray& bytes);
    std::unique_ptr<QTemporaryDir> Dir;
};

void TestRecent::init() {
    Engine::ResetEngineState(TestDoc());
    Dir = std::make_unique<QTemporaryDir>();
    SetSettingsFile(Dir->filePath("NIBLO.ini").toStdString());
}

void TestRecent::cleanup() {
    Engine::ResetEngineState(TestDoc());
    SetSettingsFile("");
    Dir.reset();
}

QString TestRecent::MakeFile(const QString& name, const QByteArray& bytes) {
    const QString path = Dir->filePath(name);
    WriteText(path, bytes);
    return path;
}

void TestRecent::shortenPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shortened");
    QTest::newRow("keeps drive and nearest folder") << R"(C:\Program Files\Some Folder\Sub\file.txt)"
                                                    << R"(C:\...\Sub\file.txt)";
    QTest::newRow("many short folders") << R"(C:\a\b\c\d\e\f\g\h\verylongfilename.bin)"
                                        << R"(C:\...\h\verylongfilename.bin)";
    QTest::newRow("network path loses its server") << R"(\\server\share\dir\sub\file.bin)"
                                                   << R"(share\dir\sub\file.bin)";
    QTest::newRow("long name in the drive's root") << R"(C:\a_very_long_file_name_in_the_root.txt)"
                                                   << R"(C:\a_very_long_file_name_in_the_root.txt)";
    QTest::newRow("exactly 30 characters") << R"(C:\Folder\Subfolder\abcdef.txt)"
                                           << R"(C:\Folder\Subfolder\abcdef.txt)";
    QTest::newRow("31 characters") << R"(C:\Folder\Subfolder\abcdefg.txt)"
                                   << R"(C:\...\Subfolder\abcdefg.txt)";
    QTest::newRow("file name alone too long") << R"(C:\dirname\a_file_name_that_is_far_too_long.txt)"
                                              << R"(C:\...\a_file_name_that_is_far_too_long.txt)";
    QTest::newRow("nothing gained") << R"(C:\dir\a_file_name_that_is_far_too_long.txt)"
                                    << R"(C:\dir\a_file_name_that_is_far_too_long.txt)";
    QTest::newRow("root folder stands for the drive") << "/home/user/Some Folder/Sub/file.txt"
                                                      << "/.../Some Folder/Sub/file.txt";
}

void TestRecent::shortenPath() {
    QFETCH(QString, path);
    QFETCH(QString, shortened);
    QCOMPARE(ShortenPath(path, 30), shortened);
}

void TestRecent::listOrderAndCount() {
    TMRUFiles list;
    for (const char* name : {"A", "B", "C", "D", "E"})
        list.AddFile(name);
    QCOMPARE(list.Files(), QStringList({"E", "D", "C", "B", "A"}));
    // A sixth goes first and the oldest drops off.
    list.AddFile("F");
    QCOMPARE(list.Files(), QStringList({"F", "E", "D", "C", "B"}));
    // Names compare as the platform compares them: another letter case is another file on Linux.
    list.AddFile("c");
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    QCOMPARE(list.Files(), QStringList({"C", "F", "E", "D", "B"}));
#else
    QCOMPARE(list.Files(), QStringList({"c", "F", "E", "D", "C"}));
    list.AddFile("C");
    QCOMPARE(list.Files(), QStringList({"C", "c", "F", "E", "D"}));
#endif
    // Lowering the count drops entries at once; raising it brings none back.
    list.SetFileCount(2);
    const QStringList two = list.Files();
    QCOMPARE(two.size(), 2);
    list.SetFileCount(5);
    QCOMPARE(list.Files(), two);
    list.AddFile("G");
    QCOMPARE(list.Files(), QStringList({"G"}) + two);
}

void TestRecent::menuItemsAndGreyedReopen() {
    QMenu menu;
    TMRUFiles list;
    list.SetFileMenu(&menu);
    QVERIFY(!menu.menuAction()->isEnabled());
    list.AddFile(R"(C:\Program Files\Some Folder\Sub\file.txt)");
    list.AddFile("/tmp/R&D.bin");
    QVERIFY(menu.menuAction()->isEnabled());
    QCOMPARE(Captions(&menu), QStringList({"__MRU_0=&1 /tmp/R&&D.bin", R"(__MRU_1=&2 C:\...\Sub\file.txt)"}));
    QCOMPARE(Item(&menu, "__MRU_1")->statusTip(), R"(C:\Program Files\Some Folder\Sub\file.txt)");

    // A long file name gives way in its middle; the hint holds it whole.
    const QString name = QString(150, u'a') + QString(150, u'z') + ".bin";
    list.AddFile(("/tmp/" + name).toStdString());
    QAction* item = Item(&menu, "__MRU_0");
    const QString caption = item->text();
    QVERIFY2(caption.startsWith("&1 /") && caption.contains("aaaa") && caption.endsWith("zzz.bin") &&
                 caption.contains(u'\u2026'),
             qPrintable(caption));
    QVERIFY(QFontMetrics(menu.font()).horizontalAdvance(caption) <
            QFontMetrics(menu.font()).averageCharWidth() * 50);
    QCOMPARE(item->statusTip(), "/tmp/" + name);
    QCOMPARE(item->toolTip(), "/tmp/" + name);

    // Items the list did not make stay, and the menu's enabling is left to its owner.
    menu.addAction("Other")->setObjectName("Other");
    list.SetFileCount(1);
    list.SetFileCount(0);
    QCOMPARE(Captions(&menu), QStringList({"Other=Other"}));
    QVERIFY(menu.menuAction()->isEnabled());
}

void TestRecent::loadsInKeyOrderAndSavesRenumbered() {
    const QString ini = Dir->filePath("NIBLO.ini");
    WriteText(ini, "[MRU Files]\n5=/e\n2=/b\n9=/i\nx=\n3=/b\n1=/a\n0=/z\n8=/h\n");
    {
        TMRUFiles list;
        list.LoadFromIni();
        // Empty values and a second entry of one name are skipped; the count cuts the rest.
        QCOMPARE(list.Files(), QStringList({"/e", "/b", "/i", "/a", "/z"}));
    }
    const TIniFile file(ini.toStdString());
    QVERIFY(file.ReadSectionKeys("MRU Files") == (std::vector<std::string>{"0", "1", "2", "3", "4"}));
    QCOMPARE(file.ReadString("MRU Files", "2", ""), std::string("/i"));

    // The window loads the list into its Reopen menu at start.
    auto form = StartForm();
    form->OneFileAtATime = true; // a file takes the open one's place, as without tabs
    QCOMPARE(form->MRUFiles->Files(), QStringList({"/e", "/b", "/i", "/a", "/z"}));
    QCOMPARE(form->Reopen1->actions().size(), 5);
    QVERIFY(form->Reopen1->menuAction()->isEnabled());
}

// Paths are bytes and come back from the settings file exactly: blanks and quotes at either end, names
// that are no valid text. One too long for a settings value is left out rather than stored cut.
void TestRecent::pathsSurviveTheSettingsFile() {
    const std::vector<std::string> kept = {" lead", "trail ",    "\"quoted\"", "/caf\xE9.bin",
                                           "\"",    "/Case.bin", "/case.bin",  std::string(1023, 'k')};
    {
        TMRUFiles list;
        list.SetFileCount(9);
        list.AddFile(std::string(1024, 'x'));
        for (auto it = kept.rbegin(); it != kept.rend(); ++it)
            list.AddFile(*it);
        QCOMPARE(int(list.Paths().size()), 9);
    }
    TMRUFiles list;
    list.SetFileCount(9);
    list.LoadFromIni();
    QVERIFY(list.Paths() == kept);
}

void TestRecent::choosingItemOpensItAndMovesItUp() {
    const QString a = MakeFile("a.bin", "AAAA");
    const QString b = MakeFile("b.bin", "BBBB");
    const QString c = MakeFile("c.bin", "CCCC");
    auto form = StartForm();
    form->OneFileAtATime = true; // a file takes the open one's place, as without tabs
    for (const QString& path : {c, b, a})
        QVERIFY(Engine::OpenFile(TestDoc(), path.toStdString(), false));
    QCOMPARE(form->MRUFiles->Files(), QStringList({a, b, c}));

    Item(form->Reopen1, "__MRU_2")->trigger();
    QCOMPARE(QString::fromStdString(TestDoc().File.FileName), c);
    QCOMPARE(Buffer(), QByteArray("CCCC"));
    QCOMPARE(form->MRUFiles->Files(), QStringList({c, a, b}));
    // The old items go once the click has been handled; the new ones stand in the menu.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(form->Reopen1->actions().size(), 3);
    QVERIFY(Item(form->Reopen1, "__MRU_0")->text().endsWith("c.bin"));

    // A modified file is asked about first; Cancel keeps everything.
    TestDoc().Modified = true;
    QString question;
    AnswerNextModal("Cancel", &question);
    Item(form->Reopen1, "__MRU_1")->trigger();
    QCOMPARE(question, QString("c.bin modified. Save now?"));
    QCOMPARE(QString::fromStdString(TestDoc().File.FileName), c);
    QVERIFY(TestDoc().Modified);
    // The entry moves up even though nothing was opened; so does one whose file is gone.
    QCOMPARE(form->MRUFiles->Files(), QStringList({a, c, b}));
    TestDoc().Modified = false;
    QVERIFY(QFile::remove(b));
    AnswerNextModal("OK");
    Item(form->Reopen1, "__MRU_2")->trigger();
    // A file that cannot be opened leaves the current one open.
    QVERIFY(TestDoc().FileOpen);
    QCOMPARE(QString::fromStdString(TestDoc().File.FileName), c);
    QCOMPARE(form->MRUFiles->Files(), QStringList({b, a, c}));
}

void TestRecent::dropOneFileOpensIt() {
    const QString a = MakeFile("a.bin", "AAAA");
    const QString b = MakeFile("b.bin", "BBBB");
    auto form = StartForm();
    form->OneFileAtATime = true; // a file takes the open one's place, as without tabs
    QVERIFY(form->FileDrop->Enabled());
    QVERIFY(form->acceptDrops());
    QVERIFY(Engine::OpenFile(TestDoc(), a.toStdString(), false));

    Drop(*form, {b});
    QVERIFY(form->FileDrop->DroppedFiles == std::vector<std::string>{b.toStdString()});
    QCOMPARE(QString::fromStdString(TestDoc().File.FileName), b);
    QCOMPARE(Buffer(), QByteArray("BBBB"));
    QCOMPARE(form->MRUFiles->Files().first(), b);

    // A name that is no valid text arrives as its bytes, percent-encoded in the URL as file managers do.
    const std::string odd = QFile::encodeName(Dir->path()).toStdString() + "/caf\xE9.bin";
    WriteBytes(odd, "ODD");
    QMimeData data;
    data.setData("text/uri-list", "file://" + QByteArray::fromStdString(odd).toPercentEncoding("/") + "\r\n");
    DropData(*form, data);
    QVERIFY(form->FileDrop->DroppedFiles == std::vector<std::string>{odd});
    QVERIFY(TestDoc().File.FileName == odd);
    QCOMPARE(Buffer(), QByteArray("ODD"));
    QVERIFY(form->MRUFiles->Paths().front() == odd);

    // Dropping the open file again reads it anew from disk.
    WriteText(b, "bbbbbb");
    Drop(*form, {b});
    QCOMPARE(Buffer(), QByteArray("bbbbbb"));

    // Links that are no local files are not taken.
    QMimeData web;
    web.setUrls({QUrl("https://example.org/file.bin")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &enter);
    QVERIFY(!enter.isAccepted());
}

void TestRecent::dropThreeFilesRefused() {
    const QString a = MakeFile("a.bin", "AAAA");
    auto form = StartForm();
    form->OneFileAtATime = true; // a file takes the open one's place, as without tabs
    QVERIFY(Engine::OpenFile(TestDoc(), a.toStdString(), false));
    TestDoc().Store.WriteByte(1, 'Z');

    QString message;
    AnswerNextModal("OK", &message);
    Drop(*form, {MakeFile("x", "1"), MakeFile("y", "2"), MakeFile("z", "3")});
    QCOMPARE(message, QString("Please drop only one file"));
    QCOMPARE(form->FileDrop->DroppedFiles.size(), size_t(3));
    QCOMPARE(QString::fromStdString(TestDoc().File.FileName), a);
    QCOMPARE(Buffer(), QByteArray("ZAAA"));
}

void TestRecent::dropOnModifiedFileAsksFirst() {
    const QString a = MakeFile("a.bin", "AAAA");
    const QString b = MakeFile("b.bin", "BBBB");
    auto form = StartForm();
    form->OneFileAtATime = true; // a file takes the open one's place, as without tabs
    QVERIFY(Engine::OpenFile(TestDoc(), a.toStdString(), false));
    TestDoc().Store.WriteByte(1, 'Z');
    TestDoc().Modified = true;

    QString question;
    AnswerNextModal("Cancel", &question);
    Drop(*form, {b});
    QCOMPARE(question, QString("a.bin modified. Save now?"));
    QCOMPARE(QString::fromStdString(TestDoc().File.FileName), a);
    QCOMPARE(Buffer(), QByteArray("ZAAA"));

    // No: the question is asked once, and the dropped file opens.
    AnswerNextModal("No");
    Drop(*form, {b});
    QCOMPARE(QString::fromStdString(TestDoc().File.FileName), b);
    QVERIFY(!TestDoc().Modified);
}

NIBLO_UI_TEST(TestRecent)
#include "tst_recent.moc"
