// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Commands.h"

#include <QByteArray>
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class TJkByteEdit;
class TJkHistory;
class TJkRadioBtn;
class TJkTextEdit;
struct TSearchRequest;

// The Replace dialog: the bytes to search for and the bytes to put in their place, each as text or as a
// hex sequence, case sensitivity and the joker byte; OK replaces once, "Replace all" every hit.
class TFormReplace : public QDialog {
    Q_OBJECT
  public:
    explicit TFormReplace(QWidget* parent = nullptr);
    ~TFormReplace() override;

    QGroupBox* GroupBox1 = nullptr;
    TJkRadioBtn* JkRadioBtnFindT = nullptr;
    TJkHistory* JkHistoryFindT = nullptr;
    TJkTextEdit* EditFindT = nullptr;
    QPushButton* BitBtnConvFind = nullptr;
    TJkRadioBtn* JkRadioBtnFindH = nullptr;
    TJkHistory* JkHistoryFindH = nullptr;
    TJkByteEdit* JkByteEditFindH = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    TJkRadioBtn* JkRadioBtnReplT = nullptr;
    TJkHistory* JkHistoryReplT = nullptr;
    TJkTextEdit* EditReplT = nullptr;
    QPushButton* BitBtnConvertRepl = nullptr;
    TJkRadioBtn* JkRadioBtnReplH = nullptr;
    TJkHistory* JkHistoryReplH = nullptr;
    TJkByteEdit* JkByteEditReplH = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QCheckBox* CheckBoxCase = nullptr;
    QCheckBox* CheckBoxJoker = nullptr;
    TJkByteEdit* JkByteEditJoker = nullptr;
    QLabel* LabelJoker = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonReplAll = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonHelp = nullptr;

    static constexpr int HelpContext = HelpReplace;
    // Set by a successful OK or Replace all.
    QByteArray Pattern;
    QByteArray Replacement;
    bool ReplaceAllPressed = false;

    void LoadRequest(const TSearchRequest& request);
    void StoreRequest(TSearchRequest& request) const;

    // OK and Replace all run the same check; sender tells which one closes the dialog.
    void ButtonOKClick(QPushButton* sender);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildLayout();
    bool TakePattern();
    bool TakeReplacement();
};
