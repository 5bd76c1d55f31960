// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Commands.h"

#include <QByteArray>
#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;
class TJkByteEdit;
class TJkHistory;
class TJkNumEdit;
class TJkRadioBtn;
class TJkTextEdit;

// The Insert string dialog: bytes to insert, as text or as a hex sequence, and how many times.
class TFormIns : public QDialog {
    Q_OBJECT
  public:
    explicit TFormIns(QWidget* parent = nullptr);
    ~TFormIns() override;

    QGroupBox* GroupBox1 = nullptr;
    TJkRadioBtn* JkRadioBtnText = nullptr;
    TJkHistory* JkHistoryInsT = nullptr;
    TJkTextEdit* EditInsT = nullptr;
    QPushButton* BitBtnConvert = nullptr;
    TJkRadioBtn* JkRadioBtnHex = nullptr;
    TJkHistory* JkHistoryInsH = nullptr;
    TJkByteEdit* JkByteEditInsH = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QRadioButton* RadioButtonDecN = nullptr;
    QRadioButton* RadioButtonHexN = nullptr;
    TJkHistory* JkHistoryInsN = nullptr;
    TJkNumEdit* JkNumEdit1 = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonHelp = nullptr;

    static constexpr int HelpContext = HelpInsert;
    // Set by a successful OK: the bytes and a count of at least 1 whose product fits the buffer.
    QByteArray InsertBytes;
    int64_t InsertCount = 0;

    void ButtonOKClick();

  private:
    void BuildLayout();
    bool TakeBytes();
    bool TakeCount();
};
