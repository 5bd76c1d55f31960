// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QListWidget;
class QPushButton;

// The favourites list: picks one entry of a list of folders, or deletes entries from it. Built for one
// use. Delete changes the caller's list at once, whatever the dialog ends with.
class TFormListBox : public QDialog {
    Q_OBJECT
  public:
    TFormListBox(QWidget* parent, const QString& caption, std::vector<std::string>& entries);

    QListWidget* ListBox = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonDelete = nullptr;
    QPushButton* ButtonCancel = nullptr;

    // After OK: the index of the chosen entry in the caller's list.
    int SelectedIndex() const;

    void ButtonOKClick();
    void ButtonDeleteClick();

  private:
    std::vector<std::string>& Entries;
};
