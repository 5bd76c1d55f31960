// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QLineEdit>
#include <QString>

// Texts that stand for bytes, in the typed character set (Engine::TypedByte), as the text pane types them.
QByteArray TextToBytes(const QString& text); // a character without a byte becomes '?'
QString BytesToText(const QByteArray& bytes);

// A one-line edit for a text that stands for bytes: a character with no byte in the character set is not
// typed, and becomes '?' when it arrives otherwise (pasted, dropped).
class TJkTextEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TJkTextEdit(QWidget* parent = nullptr);

    QByteArray Bytes() const { return TextToBytes(text()); }
    void SetBytes(const QByteArray& bytes) { setText(BytesToText(bytes)); }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
