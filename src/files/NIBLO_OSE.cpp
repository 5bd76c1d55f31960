// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/NIBLO_OSE.h"

#include "kit/DialogFrame.h"
#include "controls/JkDriveComboBox.h"
#include "engine/settings/IniFile.h"
#include "engine/files/Paths.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "files/DirListBox.h"
#include "files/FileListModel.h"
#include "files/NIBLO_ListBox.h"
#include "kit/Jkdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidgetItem>
#include <QFontMetrics>
#include <QStyle>

#include <algorithm>

namespace {

std::string Bytes(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString Text(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

void Error(const char* format, const std::string& path) {
    ErrorBox(Text(FormatText(format, {path})));
}

std::string SettingsPath() {
    if (!SettingsFile().empty()) return SettingsFile();
    return SettingsFileName(Bytes(QCoreApplication::applicationFilePath()));
}

// Blanks and control characters at either end go, as typing or pasting leaves them.
QString Trimmed(const QString& text) {
    auto blank = [](QChar c) { return c.unicode() <= 0x20 || c.unicode() == 0x7F; };
    qsizetype begin = 0, end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

TFormOSE::TFormOSE(QWidget* parent) : QDialog(parent, DialogFlags) {
    setObjectName(QStringLiteral("FormOSE"));
    BuildLayout();
    setFixedSize(537, 273);
    CenterOnScreen(this);
    // The form sees every key before its controls (Backspace, Enter in the lists).
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

QToolButton* TFormOSE::AddSpeedButton(const char* name, const char* hint, const QString& picture) {
    auto* button = new QToolButton(this);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(QString::fromLatin1(hint));
    button->setIcon(QIcon(picture));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void TFormOSE::BuildLayout() {
    JkDriveComboBox1 = new TJkDriveComboBox(this);
    JkDriveComboBox1->setObjectName(QStringLiteral("JkDriveComboBox1"));
    JkDriveComboBox1->setGeometry(0, 3, 175, 23);

    struct TButtonSpec {
        QToolButton** Button;
        const char* Name;
        const char* Hint;
        const char* Picture;
        int Left;
    };
    const TButtonSpec buttons[] = {
        {&SpeedButtonUpDir, "SpeedButtonUpDir", Texts::HintDirectoryUp, "UPDIR", 180},
        {&SpeedButtonFavSear, "SpeedButtonFavSear", Texts::HintSearchFavorites, "FAVSEARCH", 205},
        {&SpeedButtonFavAdd, "SpeedButtonFavAdd", Texts::HintAddFavorites, "FAVADD", 230},
        {&SpeedButtonSortName, "SpeedButtonSortName", Texts::HintSortName, "SORTNAME", 270},
        {&SpeedButtonSortExt, "SpeedButtonSortExt", Texts::HintSortExt, "SORTEXT", 295},
        {&SpeedButtonSortSize, "SpeedButtonSortSize", Texts::HintSortSize, "SORTSIZE", 320},
        {&SpeedButtonSortTime, "SpeedButtonSortTime", Texts::HintSortTime, "SORTTIME", 345},
        {&SpeedButtonList, "SpeedButtonList", Texts::HintList, "VIEWLIST", 385},
        {&SpeedButtonDetails, "SpeedButtonDetails", Texts::HintDetails, "VIEWDETAILS", 410},
    };
    for (const TButtonSpec& entry : buttons) {
        *entry.Button = AddSpeedButton(entry.Name, entry.Hint,
                                       QStringLiteral(":/%1.png").arg(QLatin1String(entry.Picture)));
        (*entry.Button)->setGeometry(entry.Left, 3, 23, 23);
    }

    DirectoryListBox1 = new TDirectoryListBox(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setGeometry(0, 29, 175, 179);

    Files = new TFileListModel(this);
    ListViewFiles = new QTreeView(this);
    ListViewFiles->setObjectName(QStringLiteral("ListViewFiles"));
    ListViewFiles->setGeometry(177, 29, 360, 179);
    ListViewFiles->setModel(Files);
    ListViewFiles->setRootIsDecorated(false);
    ListViewFiles->setUniformRowHeights(true);
    ListViewFiles->setItemsExpandable(false);
    ListViewFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewFiles->setAllColumnsShowFocus(true);
    ListViewFiles->header()->setSectionsClickable(true);
    ListViewFiles->header()->setSectionsMovable(false);
    ListViewFiles->header()->setStretchLastSection(false);
    // The designed widths, widened where today's fonts would cut a size or a date short.
    const QFontMetrics metrics(ListViewFiles->font());
    const int margin = 2 * ListViewFiles->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
    const int widths[] = {
        125, std::max(70, metrics.horizontalAdvance(QStringLiteral("8,888,888,888")) + margin), 40,
        std::max(100, metrics.horizontalAdvance(QStringLiteral("88-88-88 88:88p")) + margin)};
    for (int column = 0; column < 4; ++column)
        ListViewFiles->setColumnWidth(column, widths[column]);

    ListViewFilesList = new QListView(this);
    ListViewFilesList->setObjectName(QStringLiteral("ListViewFilesList"));
    ListViewFilesList->setGeometry(177, 29, 360, 179);
    ListViewFilesList->setModel(Files);
    ListViewFilesList->setSelectionModel(ListViewFiles->selectionModel());
    ListViewFilesList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewFilesList->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewFilesList->setFlow(QListView::TopToBottom);
    ListViewFilesList->setWrapping(true);
    ListViewFilesList->setResizeMode(QListView::Adjust);
    ListViewFilesList->setUniformItemSizes(true);
    ListViewFilesList->hide();

    Label1 = new QLabel(QString::fromLatin1(Texts::FileNameLabel) + u':', this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 208 + 13);
    EditDateiName = new QLineEdit(this);
    EditDateiName->setObjectName(QStringLiteral("EditDateiName"));
    EditDateiName->setGeometry(70, 208 + 10, 156, 21);
    Label2 = new QLabel(QString::fromLatin1(Texts::FileTypeLabel) + u':', this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(8, 208 + 38);
    ComboBoxFilter = new QComboBox(this);
    ComboBoxFilter->setObjectName(QStringLiteral("ComboBoxFilter"));
    ComboBoxFilter->setGeometry(70, 208 + 35, 156, 21);
    ButtonOK = new QPushButton(QString::fromLatin1(Texts::BtnOpen), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setGeometry(255, 208 + 22, 75, 25);
    ButtonOK->setDefault(true);
    ButtonAbbruch = new QPushButton(QString::fromLatin1(Texts::BtnCancel), this);
    ButtonAbbruch->setObjectName(QStringLiteral("ButtonAbbruch"));
    ButtonAbbruch->setGeometry(350, 208 + 22, 75, 25);
    RefitLabels(this);

    connect(JkDriveComboBox1, &TJkDriveComboBox::DriveChanged, this, [this](const QByteArray& root) {
        // The volume's own current folder, as a drive keeps one.
        std::string target = DriveDirs.value(root, root).toStdString();
        if (!DirectoryFound(target)) target = root.toStdString();
        MoveTree(target, true);
    });
    connect(DirectoryListBox1, &TDirectoryListBox::DirectoryRequested, this,
            [this](const QByteArray& dir) { MoveTree(dir.toStdString(), true); });
    connect(DirectoryListBox1, &TDirectoryListBox::Changed, this, &TFormOSE::DirectoryChange);
    connect(SpeedButtonUpDir, &QToolButton::clicked, this, &TFormOSE::SpeedButtonUpDirClick);
    connect(SpeedButtonFavAdd, &QToolButton::clicked, this, &TFormOSE::SpeedButtonFavAddClick);
    connect(SpeedButtonFavSear, &QToolButton::clicked, this, &TFormOSE::SpeedButtonFavSearClick);
    connect(SpeedButtonSortName, &QToolButton::clicked, this, [this] { SortBy(TFileListModel::SortName); });
    connect(SpeedButtonSortSize, &QToolButton::clicked, this, [this] { SortBy(TFileListModel::SortSize); });
    connect(SpeedButtonSortExt, &QToolButton::clicked, this, [this] { SortBy(TFileListModel::SortType); });
    connect(SpeedButtonSortTime, &QToolButton::clicked, this, [this] { SortBy(TFileListModel::SortDate); });
    connect(ListViewFiles->header(), &QHeaderView::sectionClicked, this, &TFormOSE::SortBy);
    connect(SpeedButtonList, &QToolButton::clicked, this, [this] { SetDetailsView(false); });
    connect(SpeedButtonDetails, &QToolButton::clicked, this, [this] { SetDetailsView(true); });
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(ListViewFiles),
                                    static_cast<QAbstractItemView*>(ListViewFilesList)}) {
        connect(view, &QAbstractItemView::clicked, this, &TFormOSE::RowChosen);
        connect(view, &QAbstractItemView::doubleClicked, this, [this] {
            RowChosen();
            ButtonOKClick();
        });
    }
    connect(ComboBoxFilter, &QComboBox::activated, this, &TFormOSE::ComboBoxFilterChange);
    connect(ButtonOK, &QPushButton::clicked, this, &TFormOSE::ButtonOKClick);
    connect(ButtonAbbruch, &QPushButton::clicked, this, &TFormOSE::reject);
}

std::string TFormOSE::Directory() const {
    return DirectoryListBox1->Directory().toStdString();
}

int TFormOSE::Execute(TFileDialogMode mode, const QString& title, std::string& directory,
                      const std::string& filters, const std::string& favoritesSection) {
    DialogMode = mode;
    ChosenFile.clear();
    if (!DirectoryFound(directory)) directory = Bytes(QCoreApplication::applicationDirPath());
    Files->Clear();
    setWindowTitle(title);

    // Volumes come and go between two showings.
    JkDriveComboBox1->SetVolumes(TJkDriveComboBox::MountedVolumes());
    JkDriveComboBox1->SelectDriveOf(QByteArray::fromStdString(directory));
    DirectoryListBox1->SetDirectory(QByteArray::fromStdString(directory), false);

    ComboBoxFilter->clear();
    for (const QString& entry : Text(filters).split(u',', Qt::SkipEmptyParts))
        ComboBoxFilter->addItem(entry);
    const QString mask = Text(CurrentMask).toUpper();
    const bool known = !mask.isEmpty() && Text(filters).toUpper().contains(mask);
    ComboBoxFilter->setCurrentIndex(known && FilterIndex < ComboBoxFilter->count() ? FilterIndex : 0);
    CurrentMask = Bytes(ComboBoxFilter->currentText());

    // A wildcard left in the field stays in force; any other text goes.
    if (IsWildcard(Bytes(EditDateiName->text())))
        CurrentMask = Bytes(EditDateiName->text());
    else
        EditDateiName->clear();

    DirectoryListBox1->Update();
    ListFiles(Directory(), CurrentMask, true);
    ButtonOK->setText(QString::fromLatin1(mode == TFileDialogMode::Open ? Texts::BtnOpen : Texts::BtnSave));
    EditDateiName->setFocus();

    LoadListFromIni(SettingsPath(), favoritesSection, FavoriteDirs);
    const int result = exec() == QDialog::Accepted ? mrOk : mrCancel;
    // A settings file that cannot be written loses this showing's favourite changes, silently.
    SaveListToIni(SettingsPath(), favoritesSection, FavoriteDirs);
    FavoriteDirs.clear();
    if (result == mrOk) directory = Directory();
    return result;
}

void TFormOSE::ListFiles(const std::string& dir, const std::string& mask, bool forced) {
    if (!forced && dir == ListedDir && mask == ListedMask) return;
    ListedDir = dir;
    ListedMask = mask;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Files->List(dir, mask);
    Files->Sort(SortColumn, SortAscendingNow);
    QApplication::restoreOverrideCursor();
}

void TFormOSE::SortBy(int key) {
    if (key < 0 || key > 3) return;
    SortAscendingNow = SortKeyAscending[size_t(key)];
    Files->Sort(key, SortAscendingNow);
    SortKeyAscending[size_t(key)] = !SortKeyAscending[size_t(key)];
    SortColumn = key;
}

bool TFormOSE::MoveTree(const std::string& dir, bool report) {
    if (!DirectoryFound(dir)) {
        if (report) Error(Texts::PathNotFound, dir);
        return false;
    }
    DirectoryListBox1->SetDirectory(QByteArray::fromStdString(dir));
    return true;
}

void TFormOSE::DirectoryChange() {
    const QByteArray dir = DirectoryListBox1->Directory();
    JkDriveComboBox1->SelectDriveOf(dir);
    DriveDirs[JkDriveComboBox1->Drive()] = dir;
    ListFiles(Directory(), CurrentMask, false);
}

void TFormOSE::GoToPath(const std::string& dir, const std::string& name) {
    if (!DirectoryFound(dir)) {
        Error(Texts::PathNotFound, dir);
        return;
    }
    if (!name.empty()) CurrentMask = name;
    MoveTree(dir, false);
    ListFiles(Directory(), CurrentMask, false);
    if (!name.empty()) EditDateiName->setText(Text(name));
}

void TFormOSE::SelectField() {
    EditDateiName->selectAll();
    EditDateiName->setFocus();
}

void TFormOSE::ButtonOKClick() {
    const QString text = Trimmed(EditDateiName->text());
    EditDateiName->setText(text);
    if (text.isEmpty()) return;
    const std::string typed = text == RowText && !RowBytes.empty() ? RowBytes : Bytes(text);
    const std::string full = ExpandPath(typed, Directory(), Bytes(QDir::homePath()));
    const std::string name = NamePart(full);
    if (name.empty() || IsWildcard(name)) {
        GoToPath(DirectoryPart(full), name);
        SelectField();
        return;
    }
    bool ok = true;
    if (DialogMode == TFileDialogMode::Open) {
        ok = FileFound(full);
        if (!ok) Error(Texts::FileNotFoundBang, full);
    } else if (FileFound(full)) {
        ok = YesNoBox(Text(FormatText(Texts::AlreadyExists, {full}))) == mrYes;
    }
    if (!ok) {
        SelectField();
        return;
    }
    ChosenFile = full;
    accept();
}

void TFormOSE::RowChosen() {
    const QModelIndex index = ListViewFiles->selectionModel()->currentIndex();
    if (!index.isValid() || !ListViewFiles->selectionModel()->isRowSelected(index.row(), {})) return;
    const TFileRow& row = Files->Row(index.row());
    RowText = row.Name;
    RowBytes = row.Bytes;
    EditDateiName->setText(row.Name);
}

void TFormOSE::SpeedButtonUpDirClick() {
    MoveTree(ParentDirectory(Directory()), true);
}

void TFormOSE::SpeedButtonFavAddClick() {
    const std::string dir = Directory();
    const QString text = Text(dir);
    auto same = [&text](const std::string& entry) {
        return Text(entry).compare(text, Qt::CaseInsensitive) == 0;
    };
    auto found = std::find_if(FavoriteDirs.begin(), FavoriteDirs.end(), same);
    if (found != FavoriteDirs.end())
        std::rotate(FavoriteDirs.begin(), found, found + 1);
    else
        FavoriteDirs.insert(FavoriteDirs.begin(), dir);
}

void TFormOSE::SpeedButtonFavSearClick() {
    TFormListBox box(this, QString::fromLatin1(Texts::SelectFavorites), FavoriteDirs);
    if (box.exec() != QDialog::Accepted) return;
    const int index = box.SelectedIndex();
    if (index < 0 || size_t(index) >= FavoriteDirs.size()) return;
    // A favourite that no longer exists is passed over without a word.
    MoveTree(FavoriteDirs[size_t(index)], false);
}

void TFormOSE::SetDetailsView(bool details) {
    ListViewFiles->setVisible(details);
    ListViewFilesList->setVisible(!details);
}

void TFormOSE::ComboBoxFilterChange(int index) {
    EditDateiName->clear();
    FilterIndex = index;
    CurrentMask = Bytes(ComboBoxFilter->itemText(index));
    ListFiles(Directory(), CurrentMask, false);
}

void TFormOSE::reject() {
    ChosenFile.clear();
    Files->Clear();
    QDialog::reject();
}

bool TFormOSE::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::KeyRelease) return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool field = watched == EditDateiName;
    if (key->key() == Qt::Key_Backspace) {
        // In the name field Backspace edits; only on an empty field does it move up, as elsewhere.
        if (press) {
            if (!field) return true;
            if (!key->isAutoRepeat()) FieldWasEmpty = EditDateiName->text().isEmpty();
            return false;
        }
        if (!key->isAutoRepeat() && (!field || FieldWasEmpty)) SpeedButtonUpDirClick();
        return true;
    }
    const bool fileList = watched == ListViewFiles || watched == ListViewFilesList;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (press && enter && watched == DirectoryListBox1) {
        if (QTreeWidgetItem* item = DirectoryListBox1->currentItem())
            MoveTree(item->data(0, Qt::UserRole).toByteArray().toStdString(), true);
        return true;
    }
    if (press && enter && fileList) {
        RowChosen();
        ButtonOKClick();
        return true;
    }
    if (!press && fileList) RowChosen();
    return QDialog::eventFilter(watched, event);
}
