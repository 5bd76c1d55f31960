// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/text/StringTable.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class QAction;

// A path cut down to at most maxLength characters by replacing the directories farthest from the file
// with "...": the drive (or the root folder) and the directories nearest to the file are kept. Either
// separator is understood; the one the path uses is kept.
QString ShortenPath(const QString& path, int maxLength);

// The recently opened files, most recent first, shown as numbered items of a menu and kept in a section
// of the settings file. Paths are the file system's bytes, compared as the platform compares names
// (letter case matters except on Windows and macOS); the stored spelling is shown.
class TMRUFiles : public QObject {
    Q_OBJECT
  public:
    // sender: the chosen menu item; fileName: its full path.
    using TMRUClick = std::function<void(QAction* sender, const std::string& fileName)>;

    static constexpr const char* ItemPrefix = "__MRU_";

    explicit TMRUFiles(QObject* owner = nullptr);
    // Stores the list.
    ~TMRUFiles() override;

    int FileCount() const { return FileCountValue; }
    void SetFileCount(int count);
    int MaxLength() const { return MaxLengthValue; }
    void SetMaxLength(int length);
    bool ShortCut() const { return ShortCutValue; }
    void SetShortCut(bool on);
    QMenu* FileMenu() const { return Menu; }
    void SetFileMenu(QMenu* menu);
    // "<AppIniName>" (any letter case) stands for the program's settings file.
    QString IniFile = QString::fromLatin1(Texts::AppIniName);
    QString IniSection = QString::fromLatin1(Texts::MruSection);
    TMRUClick OnMRUItemClick;

    // The paths as bytes, and as the menu shows them.
    const std::vector<std::string>& Paths() const { return List; }
    QStringList Files() const;

    void AddFile(const std::string& fileName);
    void LoadFromIni();
    void SaveToIni() const;
    void UpdateMenu();

  private:
    std::string IniPath() const;
    void ItemClick(QAction* item);
    void MoveToTop(int index);
    int IndexOf(const std::string& fileName) const;

    std::vector<std::string> List;
    int FileCountValue = 5;
    int MaxLengthValue = 30;
    bool ShortCutValue = true;
    QPointer<QMenu> Menu;
};
