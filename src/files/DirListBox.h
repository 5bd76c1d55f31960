// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QTreeWidget>

// The folder list of the file dialog: the root, the folders on the way down to the current folder, and
// the current folder's subfolders, indented by depth. A double click (or Enter) on an entry asks to
// move there; the owner decides (a folder that cannot be listed is refused) and calls SetDirectory.
// The current folder is also the process's working directory.
class TDirectoryListBox : public QTreeWidget {
    Q_OBJECT
  public:
    explicit TDirectoryListBox(QWidget* parent = nullptr);

    // Without a trailing "/", except the root "/".
    const QByteArray& Directory() const { return Current; }
    // Moves to dir (no check), makes it the working directory, rebuilds the list and emits Changed.
    void SetDirectory(const QByteArray& dir, bool notify = true);
    // Reads the subfolders of the current folder again.
    void Update();

  signals:
    void Changed();
    void DirectoryRequested(const QByteArray& dir);

  private:
    QByteArray Current = "/";
};
