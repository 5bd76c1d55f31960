// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/editing/Integers.h"

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// Decode number: shows the integers read from the cursor on, in a fixed-pitch memo; changes nothing.
class TFormDecode : public QDialog {
    Q_OBJECT
  public:
    TFormDecode(QWidget* parent, Engine::TByteOrder order, const std::vector<std::string>& lines);

    QLabel* LabelDec = nullptr;
    QLabel* LabelByteOrder = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* ButtonOK = nullptr;
};
