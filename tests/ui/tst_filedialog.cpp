// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own open/save dialog: typed names and wildcards, sorting, favourites, Backspace.
#include "common/OrdinaryUser.h"
#include "common/TestDocument.h"
#include "controls/JkDriveComboBox.h"
#include "engine/document/EngineState.h"
#include "engine/settings/IniFile.h"
#include "files/DirListBox.h"
#include "files/FileListModel.h"
#include "files/NIBLO_ListBox.h"
#include "files/NIBLO_OSE.h"
#include "support/UiTestMain.h"
#include "support/ModalAnswer.h"
#include "support/TempSettings.h"
#include "ui/NIBLO_Main.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

// Answers every message box while it lives, one answer per box from a queue ("OK" when it runs out),
// and keeps the texts, so that a test sees each message and never hangs on one it did not expect.
class TBoxes : public QObject {
  public:
    TBoxes() {
        connect(&Timer, &QTimer::timeout, this, [this] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box || box->objectName() != QLatin1String("MessageDialog") || !box->isVisible()) return;
            auto* label = box->findChild<QLabel*>(QStringLiteral("Message"));
            Texts.append(label ? label->text() : QString());
            const QString answer = Answers.isEmpty() ? QStringLiteral("OK") : Answers.takeFirst();
            if (auto* button = box->findChild<QPushButton*>(answer)) button->click();
        });
        Timer.start(5);
    }
    QStringList Texts, Answers;

  private:
    QTimer Timer;
};

std::string Bytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

void Make(const QString& path, qint64 size, qint64 time) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(size)) qFatal("cannot make %s", qPrintable(path));
    file.close();
    utimbuf stamp{time, time};
    utime(QFile::encodeName(path).constData(), &stamp);
}

QStringList Names(const TFormOSE& dialog) {
    QStringList names;
    for (int row = 0; row < dialog.Files->rowCount(); ++row)
        names << dialog.Files->Row(row).Name;
    return names;
}

// One showing: action works inside it; a dialog still open afterwards is cancelled.
int Show(TFormOSE& dialog, TFileDialogMode mode, std::string& dir, std::function<void()> action) {
    WithNextModal([&dialog, action](QWidget*) {
        action();
        if (dialog.isVisible()) dialog.reject();
    });
    return dialog.Execute(mode, QStringLiteral("Open file"), dir, "*.*,*.exe", "Favorites");
}

void Type(TFormOSE& dialog, const QString& text) {
    dialog.EditDateiName->setText(text);
    dialog.ButtonOKClick();
}

// "mm-dd-yy hh:mma/p" as a number that orders like the time (two-digit years are 2000 to 2099 here).
qint64 DateValue(const QString& text) {
    const int month = text.mid(0, 2).toInt(), day = text.mid(3, 2).toInt(), year = text.mid(6, 2).toInt();
    const int hour = text.mid(9, 2).toInt() % 12 + (text.endsWith(u'p') ? 12 : 0);
    const int minute = text.mid(12, 2).toInt();
    return ((((qint64(year) * 13 + month) * 32 + day) * 24 + hour) * 60) + minute;
}

} // namespace

class TestFileDialog : public QObject {
    Q_OBJECT
    TTempSettings Settings;
    QTemporaryDir Tree;
    QString Root;

  private slots:
    void initTestCase() {
        Root = Tree.path();
        QDir(Root).mkpath(QStringLiteral("sub/deeper"));
        QDir(Root).mkpath(QStringLiteral("sub2"));
        const qint64 day = 86400, base = 1600000000;
        Make(Root + "/b.TXT", 1234, base + 2 * day);
        Make(Root + "/a.exe", 987, base + 3 * day);
        Make(Root + "/C.dat", 3000000000LL, base);
        Make(Root + "/d", 5, base + day);
        Make(Root + "/name with space.bin", 1, base);
        Make(Root + QString::fromUtf8("/\xc3\xbcn\xc3\xaf.bin"), 1, base);
        Make(Root + "/new\nline.bin", 1, base);
        Make(Root + "/sub2/x.bin", 10, base);
        Make(Root + "/sub2/y.bin", 20, base);
        Make(Root + "/sub2/z.bin", 30, base);
    }
    void init() { Settings.Fresh(); }
    void cleanupTestCase() { Settings.Release(); }

    void okButtonFollowsTheTypedText() {
        TFormOSE dialog;
        TBoxes boxes;
        std::string dir = Bytes(Root);
        Show(dialog, TFileDialogMode::Open, dir, [&] {
            QCOMPARE(Names(dialog).size(), 7);
            Type(dialog, QStringLiteral("  \t "));
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.EditDateiName->text(), QString());
            Type(dialog, QStringLiteral("*.exe"));
            QCOMPARE(Names(dialog), QStringList{"a.exe"});
            QCOMPARE(dialog.CurrentMask, std::string("*.exe"));
            Type(dialog, QStringLiteral("sub"));
            Type(dialog, QStringLiteral("missing.bin"));
            Type(dialog, QStringLiteral("sub/../sub2/"));
            QCOMPARE(dialog.Directory(), Bytes(Root + "/sub2"));
            QCOMPARE(Names(dialog), QStringList()); // the mask stays *.exe
            Type(dialog, QStringLiteral("nowhere/*.bin"));
            QCOMPARE(dialog.Directory(), Bytes(Root + "/sub2"));
            QCOMPARE(dialog.CurrentMask, std::string("*.exe"));
            Type(dialog, QStringLiteral("*.bin"));
            QCOMPARE(Names(dialog), (QStringList{"x.bin", "y.bin", "z.bin"}));
            Type(dialog, QStringLiteral(" ../a.exe\n"));
            QVERIFY(!dialog.isVisible());
        });
        QCOMPARE(boxes.Texts,
                 (QStringList{"File " + Root + "/sub not found!", "File " + Root + "/missing.bin not found!",
                              "Path not found:\n" + Root + "/sub2/nowhere/"}));
        QCOMPARE(dialog.ChosenFile, Bytes(Root + "/a.exe"));
        QCOMPARE(dir, Bytes(Root + "/sub2"));
        QCOMPARE(dialog.EditDateiName->text(), QStringLiteral("../a.exe"));

        // Saving: a folder typed without "/" is a name; an existing file asks first.
        boxes.Texts.clear();
        boxes.Answers = {QStringLiteral("No"), QStringLiteral("Yes")};
        dir = Bytes(Root);
        QCOMPARE(Show(dialog, TFileDialogMode::Save, dir,
                      [&] {
                          QCOMPARE(dialog.ButtonOK->text(), QStringLiteral("&Save"));
                          QCOMPARE(Names(dialog).size(), 7); // "*.bin" is no entry of the File Type box
                          Type(dialog, QStringLiteral("d"));
                          QVERIFY(dialog.isVisible());
                          QCOMPARE(dialog.EditDateiName->selectedText(), QStringLiteral("d"));
                          Type(dialog, QStringLiteral("d"));
                      }),
                 1);
        QCOMPARE(boxes.Texts, QStringList(2, "File\n" + Root + "/d\nalready exists. Overwrite?"));
        QCOMPARE(dialog.ChosenFile, Bytes(Root + "/d"));
        QCOMPARE(Show(dialog, TFileDialogMode::Save, dir, [&] { Type(dialog, QStringLiteral("sub")); }), 1);
        QCOMPARE(dialog.ChosenFile, Bytes(Root + "/sub"));
        QCOMPARE(Show(dialog, TFileDialogMode::Save, dir, [&] { Type(dialog, QStringLiteral("~")); }), 2);
        QCOMPARE(dir, Bytes(Root)); // Cancel leaves the caller's folder alone
    }

    void rowsHandOverTheirExactBytes() {
        // A name that is not valid UTF-8 must reach the file layer unchanged.
        const QByteArray odd = QFile::encodeName(Root) + "/odd\xff\xfe.bin";
        const int fd = ::open(odd.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        const auto removeOdd = qScopeGuard([&odd] { ::unlink(odd.constData()); });
        TFormOSE dialog;
        TBoxes boxes;
        std::string dir = Bytes(Root);
        const QString oddName = QFile::decodeName(odd).mid(Root.size() + 1);
        for (const QString& wanted :
             {QStringLiteral("new\nline.bin"), QString::fromUtf8("\xc3\xbcn\xc3\xaf.bin"),
              QStringLiteral("name with space.bin"), oddName}) {
            QCOMPARE(Show(dialog, TFileDialogMode::Open, dir,
                          [&] {
                              const int row = int(Names(dialog).indexOf(wanted));
                              QVERIFY(row >= 0);
                              const QModelIndex index = dialog.Files->index(row, 0);
                              dialog.ListViewFiles->scrollTo(index);
                              const QPoint at = dialog.ListViewFiles->visualRect(index).center();
                              QTest::mouseClick(dialog.ListViewFiles->viewport(), Qt::LeftButton, {}, at);
                              QCOMPARE(dialog.EditDateiName->text(), wanted);
                              QTest::mouseDClick(dialog.ListViewFiles->viewport(), Qt::LeftButton, {}, at);
                          }),
                     1);
            QCOMPARE(dialog.ChosenFile, wanted == oddName ? odd.toStdString() : Bytes(Root + "/" + wanted));
        }
        QCOMPARE(boxes.Texts, QStringList());
    }

    void sortingKeepsItsDirectionsAcrossFolders() {
        TFormOSE dialog;
        TBoxes boxes;
        std::string dir = Bytes(Root);
        Show(dialog, TFileDialogMode::Open, dir, [&] {
            Type(dialog, QStringLiteral("*.exe"));
            dialog.ComboBoxFilterChange(0); // back to *.*
            Type(dialog, QStringLiteral("?.*"));
            QCOMPARE(Names(dialog), (QStringList{"a.exe", "b.TXT", "C.dat", "d"}));
            dialog.SpeedButtonSortName->click();
            QCOMPARE(Names(dialog), (QStringList{"a.exe", "b.TXT", "C.dat", "d"}));
            dialog.SpeedButtonSortName->click();
            QCOMPARE(Names(dialog), (QStringList{"d", "C.dat", "b.TXT", "a.exe"}));
            dialog.SpeedButtonSortTime->click(); // newest first
            QCOMPARE(Names(dialog), (QStringList{"a.exe", "b.TXT", "d", "C.dat"}));
            dialog.SpeedButtonSortExt->click();
            QCOMPARE(Names(dialog), (QStringList{"d", "C.dat", "a.exe", "b.TXT"}));
            dialog.SpeedButtonSortSize->click(); // 3,000,000,000 is past 32 bits
            QCOMPARE(Names(dialog), (QStringList{"d", "a.exe", "b.TXT", "C.dat"}));
            QCOMPARE(dialog.Files->Row(2).Size, QStringLiteral("1,234"));
            QTest::mouseClick(dialog.ListViewFiles->header()->viewport(), Qt::LeftButton, {},
                              QPoint(dialog.ListViewFiles->header()->sectionViewportPosition(1) + 5, 5));
            QCOMPARE(Names(dialog), (QStringList{"C.dat", "b.TXT", "a.exe", "d"}));
            Type(dialog, QStringLiteral("sub2/*.*"));
            QCOMPARE(Names(dialog), (QStringList{"z.bin", "y.bin", "x.bin"}));
        });
        QCOMPARE(boxes.Texts, QStringList());
        // The memory lasts for the run, and a folder is listed again by what was used last.
        Show(dialog, TFileDialogMode::Open, dir, [&] {
            QCOMPARE(Names(dialog).first(), QStringLiteral("C.dat"));
            dialog.SpeedButtonSortSize->click();
            QCOMPARE(Names(dialog).last(), QStringLiteral("C.dat"));
        });
    }

    void sortKeysOrderLikeTheTexts() {
        // Random sizes up to 40 GB and times over three decades; every order must agree with the
        // texts read back, as 64-bit numbers and as dates.
        QTemporaryDir many;
        QRandomGenerator random(12);
        for (int i = 0; i < 60; ++i)
            Make(many.path() + QStringLiteral("/f%1").arg(i), qint64(random.generate64() % 40000000000ULL),
                 qint64(978307200 + random.bounded(946080000)));
        TFileListModel model;
        QVERIFY(model.List(Bytes(many.path()), "*.*"));
        QCOMPARE(model.rowCount(), 60);
        for (bool ascending : {true, false}) {
            model.Sort(TFileListModel::SortSize, ascending);
            for (int row = 1; row < model.rowCount(); ++row) {
                const qint64 a = QString(model.Row(row - 1).Size).remove(u',').toLongLong();
                const qint64 b = QString(model.Row(row).Size).remove(u',').toLongLong();
                QVERIFY2(ascending ? a <= b : a >= b, qPrintable(model.Row(row).Size));
            }
            model.Sort(TFileListModel::SortDate, ascending);
            for (int row = 1; row < model.rowCount(); ++row) {
                const qint64 a = DateValue(model.Row(row - 1).Date), b = DateValue(model.Row(row).Date);
                QVERIFY2(ascending ? a <= b : a >= b, qPrintable(model.Row(row).Date));
            }
        }
    }

    void favouritesKeepTheirOrderAndSection() {
        TFormOSE dialog;
        TBoxes boxes;
        std::string dir = Bytes(Root + "/sub");
        // Added and then cancelled: still stored, newest first.
        QCOMPARE(Show(dialog, TFileDialogMode::Open, dir,
                      [&] {
                          dialog.SpeedButtonFavAdd->click();
                          Type(dialog, QStringLiteral("../sub2/"));
                          dialog.SpeedButtonFavAdd->click();
                      }),
                 2);
        TIniFile ini(SettingsFile());
        QCOMPARE(ini.ReadSectionValues("Favorites"),
                 (std::vector<std::string>{"0=" + Bytes(Root + "/sub2"), "1=" + Bytes(Root + "/sub")}));

        // The same folder in other letters moves up and keeps its spelling; a favourite that is gone is
        // passed over in silence.
        QVERIFY(
            SaveListToIni(SettingsFile(), "Favorites",
                          {Bytes(Root + "/gone"), Bytes(Root + "/sub2"), Bytes(Root.toUpper() + "/SUB")}));
        Show(dialog, TFileDialogMode::Open, dir, [&] {
            dialog.SpeedButtonFavAdd->click();
            QCOMPARE(dialog.FavoriteDirs.size(), size_t(3));
            WithNextModal([&](QWidget* modal) {
                auto* box = qobject_cast<TFormListBox*>(modal);
                QVERIFY(box);
                QCOMPARE(box->ListBox->currentRow(), 0); // the first entry is chosen from the start
                box->ListBox->setCurrentRow(1);
                box->ButtonDelete->click(); // removed from the list at once
                QCOMPARE(dialog.FavoriteDirs.size(), size_t(2));
                box->ListBox->clearSelection();
                box->ButtonOK->click(); // nothing chosen: nothing happens
                QVERIFY(box->isVisible());
                box->ListBox->setCurrentRow(0); // the upper-case spelling names no folder here
                box->ButtonOK->click();
            });
            dialog.SpeedButtonFavSear->click();
            QCOMPARE(dialog.Directory(), Bytes(Root + "/sub"));
        });
        QCOMPARE(
            ini.ReadSectionValues("Favorites"),
            (std::vector<std::string>{"0=" + Bytes(Root.toUpper() + "/SUB"), "1=" + Bytes(Root + "/sub2")}));
        Show(dialog, TFileDialogMode::Open, dir, [&] {
            WithNextModal([&](QWidget* modal) {
                auto* box = qobject_cast<TFormListBox*>(modal);
                box->ListBox->setCurrentRow(1);
                box->ButtonOK->click();
            });
            dialog.SpeedButtonFavSear->click();
            QCOMPARE(dialog.Directory(), Bytes(Root + "/sub2"));
        });
        QCOMPARE(boxes.Texts, QStringList());
    }

    void backspaceEditsTheNameAndMovesUpElsewhere() {
        TFormOSE dialog;
        std::string dir = Bytes(Root + "/sub/deeper");
        Show(dialog, TFileDialogMode::Open, dir, [&] {
            QTest::keyClicks(dialog.EditDateiName, QStringLiteral("ab"));
            QTest::keyClick(dialog.EditDateiName, Qt::Key_Backspace);
            QCOMPARE(dialog.EditDateiName->text(), QStringLiteral("a"));
            QTest::keyClick(dialog.EditDateiName, Qt::Key_Backspace);
            QCOMPARE(dialog.EditDateiName->text(), QString());
            QCOMPARE(dialog.Directory(), Bytes(Root + "/sub/deeper"));
            QTest::keyClick(dialog.EditDateiName, Qt::Key_Backspace);
            QCOMPARE(dialog.Directory(), Bytes(Root + "/sub"));
            QTest::keyClick(dialog.ListViewFiles, Qt::Key_Backspace);
            QCOMPARE(dialog.Directory(), Bytes(Root));
            Type(dialog, QStringLiteral("/"));
            dialog.SpeedButtonUpDir->click();
            QCOMPARE(dialog.Directory(), std::string("/"));
        });
    }

    void unreadableAndVanishedFolders() {
        TFormOSE dialog;
        TBoxes boxes;
        QDir(Root).mkdir(QStringLiteral("locked"));
        QDir(Root).mkdir(QStringLiteral("vanishing"));
        chmod(QFile::encodeName(Root).constData(), 0755);
        chmod(QFile::encodeName(Root + "/locked").constData(), 0);
        std::string dir = Bytes(Root + "/vanishing");
        Show(dialog, TFileDialogMode::Open, dir, [&] {
            QDir(Root).rmdir(QStringLiteral("vanishing"));
            Type(dialog, QStringLiteral("x.bin"));
            dialog.SpeedButtonUpDir->click();
            QCOMPARE(dialog.Directory(), Bytes(Root));
            {
                const TOrdinaryUser user; // permissions do not bind root
                QVERIFY(user.Active());
                emit dialog.DirectoryListBox1->DirectoryRequested(QFile::encodeName(Root + "/locked"));
                Type(dialog, QStringLiteral("locked/"));
            }
            QCOMPARE(dialog.Directory(), Bytes(Root));
            QCOMPARE(Names(dialog).size(), 7);
        });
        chmod(QFile::encodeName(Root + "/locked").constData(), 0755);
        const QString locked = "Path not found:\n" + Root + "/locked";
        QCOMPARE(boxes.Texts,
                 (QStringList{"File " + Root + "/vanishing/x.bin not found!", locked, locked + "/"}));
    }

    void volumeThatCannotBeReadFallsBack() {
        TJkDriveComboBox drives;
        drives.SetVolumes({{"/", {}, TDriveKind::Fixed},
                           {QFile::encodeName(Root + "/sub"), QStringLiteral("stick"), TDriveKind::Removable},
                           {QFile::encodeName(Root + "/none"), {}, TDriveKind::Optical}});
        drives.SelectDriveOf(QFile::encodeName(Root + "/sub/deeper"));
        QCOMPARE(drives.Drive(), QFile::encodeName(Root + "/sub"));
        QByteArrayList passed;
        connect(&drives, &TJkDriveComboBox::DriveChanged, [&](const QByteArray& root) { passed << root; });
        TBoxes boxes;
        drives.setCurrentIndex(2);
        emit drives.activated(2);
        QCOMPARE(boxes.Texts, QStringList{"Disk in drive " + Root + "/none:\ncant't be read."});
        QCOMPARE(passed, QByteArrayList{QFile::encodeName(Root + "/sub")});
    }

    void mainWindowOpensThroughTheDialog() {
        TFormMain form;
        form.show();
        form.FormActivate();
        // The first request of a run, without a folder, starts beside the program.
        TestApp().LastDir.clear();
        WithNextModal([&](QWidget*) {
            QCOMPARE(form.FormOSE->Directory(), Bytes(QCoreApplication::applicationDirPath()));
            QCOMPARE(form.FormOSE->ComboBoxFilter->currentText(), QStringLiteral("*.*"));
            form.FormOSE->reject();
        });
        form.Run(TCommand::Open1);
        QCOMPARE(TestApp().LastDir, Bytes(QCoreApplication::applicationDirPath()));
        TestApp().LastDir = Bytes(Root + "/sub2");
        WithNextModal([&](QWidget* modal) {
            QCOMPARE(modal, static_cast<QWidget*>(form.FormOSE));
            QCOMPARE(form.FormOSE->windowTitle(), QStringLiteral("Open file"));
            Type(*form.FormOSE, QStringLiteral("y.bin"));
        });
        form.Run(TCommand::Open1);
        QCOMPARE(QString::fromStdString(TestDoc().File.FileName), Root + "/sub2/y.bin");
        QCOMPARE(TestDoc().Store.FileSize(), 20);
        QCOMPARE(TestApp().LastDir, Bytes(Root + "/sub2"));
    }
};

NIBLO_UI_TEST(TestFileDialog)
#include "tst_filedialog.moc"
