// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/EngineHost.h"

#include <QByteArray>
#include <QDialog>
#include <QHash>

#include <array>
#include <string>
#include <vector>

class QComboBox;
class QPushButton;
class QLabel;
class QLineEdit;
class QListView;
class QToolButton;
class QTreeView;
class TDirectoryListBox;
class TFileListModel;
class TJkDriveComboBox;

// The program's own open/save dialog, made once and kept for the run: volume selector, folder list,
// sortable file list, file-name field with wildcards, file types and favourite folders. Between two
// showings it keeps its folder, mask, filter choice, view style, sort order and a wildcard typed into
// the name field. Paths are bytes.
class TFormOSE : public QDialog {
    Q_OBJECT
  public:
    explicit TFormOSE(QWidget* parent = nullptr);

    TJkDriveComboBox* JkDriveComboBox1 = nullptr;
    QToolButton* SpeedButtonUpDir = nullptr;
    QToolButton* SpeedButtonFavSear = nullptr;
    QToolButton* SpeedButtonFavAdd = nullptr;
    QToolButton* SpeedButtonSortName = nullptr;
    QToolButton* SpeedButtonSortExt = nullptr;
    QToolButton* SpeedButtonSortSize = nullptr;
    QToolButton* SpeedButtonSortTime = nullptr;
    QToolButton* SpeedButtonList = nullptr;
    QToolButton* SpeedButtonDetails = nullptr;
    TDirectoryListBox* DirectoryListBox1 = nullptr;
    QTreeView* ListViewFiles = nullptr;     // the Details view
    QListView* ListViewFilesList = nullptr; // the List view of the same rows
    TFileListModel* Files = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* EditDateiName = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBoxFilter = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonAbbruch = nullptr;

    // The request in progress.
    TFileDialogMode DialogMode = TFileDialogMode::Open;
    std::string CurrentMask;
    int FilterIndex = 0;
    std::vector<std::string> FavoriteDirs; // most recent first; only while Execute runs
    std::string ChosenFile;                // full path after OK, empty after Cancel

    // Listing and sort memory for the run.
    std::string ListedDir, ListedMask;
    std::array<bool, 4> SortKeyAscending{true, true, true, false};
    int SortColumn = 0;
    bool SortAscendingNow = true;

    // Shows the dialog modally; returns 1 (OK) or 2 (Cancel). directory: where to start (replaced by the
    // program's folder when it cannot be listed); after OK the folder shown at the end. filters: comma-
    // separated patterns for the File Type box; favoritesSection: the settings section of the favourites.
    int Execute(TFileDialogMode mode, const QString& title, std::string& directory,
                const std::string& filters, const std::string& favoritesSection);

    // The folder shown, without a trailing "/" (except the root).
    std::string Directory() const;
    void ListFiles(const std::string& dir, const std::string& mask, bool forced);
    void SortBy(int key);
    void GoToPath(const std::string& dir, const std::string& name);
    void ButtonOKClick();
    void SpeedButtonUpDirClick();
    void SpeedButtonFavAddClick();
    void SpeedButtonFavSearClick();
    void SetDetailsView(bool details);
    void ComboBoxFilterChange(int index);

  public slots:
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildLayout();
    QToolButton* AddSpeedButton(const char* name, const char* hint, const QString& picture);
    // Moves the folder list to dir when it can be listed; otherwise says so (when asked) and stays.
    bool MoveTree(const std::string& dir, bool report);
    void DirectoryChange();
    void RowChosen();
    void SelectField();

    // The name last taken from a row, as the file system spells it, so that a name that is not valid
    // text in the user's encoding still reaches the file unchanged.
    QString RowText;
    std::string RowBytes;
    bool FieldWasEmpty = false;
    // Per volume the folder last shown on it.
    QHash<QByteArray, QByteArray> DriveDirs;
};
