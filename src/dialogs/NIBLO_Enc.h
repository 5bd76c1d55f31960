// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/editing/Integers.h"

#include <QDialog>

#include <cstdint>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TJkHistory;
class TJkNumEdit;
class TJkRadioBtn;
class TRadioGroup;

// Encode integer: a number as 1, 2 or 4 bytes in the byte order of the options, to insert before the
// cursor, to write over the bytes there, or only to show.
class TFormEncode : public QDialog {
    Q_OBJECT
  public:
    TFormEncode(QWidget* parent, Engine::TByteOrder order);
    ~TFormEncode() override;

    static constexpr int HelpContext = 55;

    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    TJkHistory* JkHistoryEnc = nullptr;
    TJkNumEdit* JkNumEdit1 = nullptr;
    TRadioGroup* RadioGroupAs = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* LabelByteOrder = nullptr;
    TJkRadioBtn* JkRadioBtnInsert = nullptr;
    TJkRadioBtn* JkRadioBtnOver = nullptr;
    TJkRadioBtn* JkRadioBtnHere = nullptr;
    QLineEdit* EditHere = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonHelp = nullptr;

    // Set by OK: the bytes, and whether they go over the bytes at the cursor.
    std::vector<uint8_t> EncodedBytes;
    bool OverwriteOutput = false;

    void ButtonOKClick();

  private:
    void BuildLayout();

    Engine::TByteOrder Order;
};
