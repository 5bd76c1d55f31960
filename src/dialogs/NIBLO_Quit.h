// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

// Asked once when the window closes with unsaved changes in more than one tab: every such file is listed,
// checked; Save saves the checked ones (and drops the changes of the others), Discard all drops them all,
// Cancel keeps the window.
class TFormQuit : public QDialog {
    Q_OBJECT
  public:
    enum class TAnswer { Cancel, Save, DiscardAll };

    TFormQuit(QWidget* parent, const QStringList& names, const QStringList& paths);

    QLabel* LabelFiles = nullptr;
    QListWidget* ListFiles = nullptr;
    QPushButton* ButtonSave = nullptr;
    QPushButton* ButtonDiscard = nullptr;
    QPushButton* ButtonCancel = nullptr;

    TAnswer Answer = TAnswer::Cancel;
    // Whether the file in row i is to be saved.
    std::vector<bool> Checked() const;
};
