#pragma once

#include <QByteArray>
#include <QLineEdit>
#include <QString>

// The program's texts are Windows-1252 bytes.
QByteArray TextToCp1252(const QString& text); // a character without a byte becomes '?'
QString Cp1252ToText(const QByteArray& bytes);

// A one-line edit for a text that stands for bytes: a character with no Windows-1252 byte is not
// typed, and becomes '?' when it arrives otherwise (pasted, dropped).
class TJkTextEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TJkTextEdit(QWidget* parent = nullptr);

    QByteArray Bytes() const { return TextToCp1252(text()); }
    void SetBytes(const QByteArray& bytes) { setText(Cp1252ToText(bytes)); }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
