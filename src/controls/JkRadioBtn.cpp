// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/JkRadioBtn.h"

#include "controls/Jkkompo.h"

TJkRadioBtn::TJkRadioBtn(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
    connect(this, &QAbstractButton::toggled, this, [this] { Apply(true); });
}

void TJkRadioBtn::SetControl(QWidget* control) {
    if (qobject_cast<TJkRadioBtn*>(control)) return;
    ControlPtr = control;
    Apply(false);
}

void TJkRadioBtn::SetAutoColor(bool on) {
    AutoColorValue = on;
    Apply(false);
}

void TJkRadioBtn::Apply(bool focus) {
    if (!ControlPtr) return;
    const bool on = isChecked();
    ControlPtr->setEnabled(on);
    if (on && focus) ControlPtr->setFocus(Qt::OtherFocusReason);
    if (AutoColorValue) ColorByState(ControlPtr, on);
}
