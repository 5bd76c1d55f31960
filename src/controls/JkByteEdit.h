// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QLineEdit>

// A one-line edit for a byte sequence typed as hex digit pairs ('41 42 0D'). Only hex digits and
// Backspace at the end are typed; the digits are regrouped into pairs as they come.
class TJkByteEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TJkByteEdit(QWidget* parent = nullptr);

    // Pairs of hex digits separated by single spaces, nothing else.
    bool IsValid() const;
    // The bytes the text stands for; empty while the text is not valid.
    QByteArray ASCII() const;
    void SetASCII(const QByteArray& bytes);
    // Most bytes the field takes; 0 = no limit.
    quint32 MaxBytes() const { return MaxBytesValue; }
    void SetMaxBytes(quint32 maxBytes);

    // Splits the text into pairs again and places the caret so that typing goes on naturally. Runs after
    // every change of the text once the edit exists on screen.
    void Regroup();

  signals:
    // After every change of the text, once it is regrouped.
    void OnChange();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    quint32 MaxBytesValue = 0;
    bool Regrouping = false;
};
