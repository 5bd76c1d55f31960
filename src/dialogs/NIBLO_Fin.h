// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Commands.h"

#include <QByteArray>
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TJkByteEdit;
class TJkHistory;
class TJkRadioBtn;
class TJkTextEdit;
struct TSearchRequest;

// The Find/Count dialog: the bytes to search for, as text or as a hex sequence, case sensitivity, the
// joker byte and the direction. The command sets the caption and the help topic.
class TFormFind : public QDialog {
    Q_OBJECT
  public:
    explicit TFormFind(QWidget* parent = nullptr);
    ~TFormFind() override;

    QGroupBox* GroupBox1 = nullptr;
    TJkRadioBtn* JkRadioBtnText = nullptr;
    TJkHistory* JkHistoryFindT = nullptr;
    TJkTextEdit* EditFindT = nullptr;
    QPushButton* BitBtnConvert = nullptr;
    TJkRadioBtn* JkRadioBtnHex = nullptr;
    TJkHistory* JkHistoryFindH = nullptr;
    TJkByteEdit* JkByteEditFindH = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* CheckBoxCase = nullptr;
    QCheckBox* CheckBoxJoker = nullptr;
    TJkByteEdit* JkByteEditJoker = nullptr;
    QLabel* LabelJoker = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QRadioButton* RadioButtonDown = nullptr;
    QRadioButton* RadioButtonUp = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonHelp = nullptr;

    int HelpContext = HelpFind;
    // The bytes to search for, set by a successful OK.
    QByteArray Pattern;

    // The options from the request; the fields keep their history entries.
    void LoadRequest(const TSearchRequest& request);
    // The dialog's answer into the request, after OK.
    void StoreRequest(TSearchRequest& request) const;

    void ButtonOKClick();

  private:
    void BuildLayout();
};
