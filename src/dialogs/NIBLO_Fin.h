// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Commands.h"

#include <QByteArray>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
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
    // What Find all looks for: the bytes above, or a number, Unicode text or a regular expression.
    QGroupBox* GroupBox4 = nullptr;
    QComboBox* ComboBoxKind = nullptr;
    QLineEdit* EditValue = nullptr;
    QComboBox* ComboBoxNumber = nullptr; // signed, unsigned, float
    QComboBox* ComboBoxWidth = nullptr;  // 1, 2, 4, 8 bytes or any
    QComboBox* ComboBoxOrder = nullptr;  // little, big, either
    QLineEdit* EditTolerance = nullptr;
    QSpinBox* SpinAlignment = nullptr;
    QComboBox* ComboBoxEncoding = nullptr;
    QPushButton* ButtonFindAll = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonHelp = nullptr;

    int HelpContext = HelpFind;
    // The bytes to search for, set by a successful OK.
    QByteArray Pattern;
    // Find all was pressed rather than OK.
    bool FindAllPressed = false;
    bool FindAllOffered = true;

    // The options from the request; the fields keep their history entries.
    void LoadRequest(const TSearchRequest& request);
    // The dialog's answer into the request, after OK.
    void StoreRequest(TSearchRequest& request) const;

    void ButtonOKClick();
    void ButtonFindAllClick();
    // Count has no Find all: its choice of kind is hidden and OK always takes the bytes.
    void OfferFindAll(bool on);

  private:
    void BuildLayout();
    void BuildKindGroup();
    void KindChanged();
    // The bytes of the text or hex field into Pattern; false (after telling the user) when they are not
    // sound.
    bool TakeBytes();
};
