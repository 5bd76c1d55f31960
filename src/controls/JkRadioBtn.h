// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QRadioButton>

// A radio button that switches one other control: enabled (and coloured, with AutoColor) exactly while
// the button is selected, and focused when the button becomes selected.
class TJkRadioBtn : public QRadioButton {
    Q_OBJECT
  public:
    explicit TJkRadioBtn(const QString& text = QString(), QWidget* parent = nullptr);

    QWidget* Control() const { return ControlPtr; }
    // Another TJkRadioBtn is ignored. The control is brought into line with the button at once.
    void SetControl(QWidget* control);
    bool AutoColor() const { return AutoColorValue; }
    void SetAutoColor(bool on);

  private:
    void Apply(bool focus);

    QPointer<QWidget> ControlPtr; // becomes null when the control is destroyed
    bool AutoColorValue = true;
};
