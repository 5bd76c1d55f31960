// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

class QGroupBox;
class QHBoxLayout;
class QPushButton;
class QRadioButton;
class TJkHistory;
class TJkNumEdit;

// The layout the Go to, Jump width and Block <n> dialogs share: a group box with "decimal" and
// "hexadecimal" choices over a number field in its history, then OK, Cancel and (with a help topic)
// Help. OK takes the number when the dialog's own rule accepts it; otherwise it shows the dialog's
// message and the dialog stays open.
class TNumberDialog : public QDialog {
    Q_OBJECT
  public:
    struct TLook {
        QString Caption;
        QString GroupCaption;
        const char* HistorySection;
        QSize ClientSize;
        int HelpContext; // 0: no Help button
        const char* InvalidText;
    };

    TNumberDialog(QWidget* parent, const TLook& look);
    ~TNumberDialog() override;

    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButtonDec = nullptr;
    QRadioButton* RadioButtonHex = nullptr;
    TJkHistory* History = nullptr;
    TJkNumEdit* JkNumEdit1 = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonHelp = nullptr;

    // Set by a successful OK: the target address, the jump width or the block size.
    int64_t Number = 0;

    void ButtonOKClick();
    // The field's text as an address or size ("$" or "0x": hexadecimal), none when it cannot be read as one.
    std::optional<int64_t> ReadNumber() const;

  protected:
    // The dialog's rule: the result for the number read, none when the number is invalid.
    virtual std::optional<int64_t> Take(int64_t n) const = 0;
    // Extra controls go beside the group box.
    QHBoxLayout* Top = nullptr;
    // Sizes the dialog and loads the history; the derived dialog calls it once its controls exist.
    void Finish();

  private:
    TLook Look;
};
