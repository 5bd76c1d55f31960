// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

// A one-line edit for a number in decimal or hexadecimal ("$1F"), with limited integer and fraction
// digits and bounds. The text is the master copy: whenever it is normalized and parses, Value follows it.
// In hexadecimal the text is read as hex with or without its "$", wherever it is read; a leading "$" or
// "0x" reads the rest as hex in decimal too, and may be typed in either mode.
//
// When the field is left with a text that does not parse, the entry value comes back and the field keeps
// the focus, unless the focus goes to a push button other than the OK button (a QPushButton whose
// dynamic property "ModalResult" is 1, or which is named "ButtonOK").
class TJkNumEdit : public QLineEdit {
    Q_OBJECT
  public:
    static constexpr int MaxDigits = 18;

    explicit TJkNumEdit(QWidget* parent = nullptr);

    int DigitsInt() const { return DigitsIntValue; }
    void SetDigitsInt(int digits);
    int DigitsFrac() const { return DigitsFracValue; }
    void SetDigitsFrac(int digits);
    long double Value() const { return ValueStore; }
    // Clamped into [Min, Max]; shows only while the text does not parse.
    void SetValue(long double value);
    long double Min() const { return MinValue; }
    void SetMin(long double min);
    long double Max() const { return MaxValue; }
    void SetMax(long double max);
    bool Hex() const { return HexValue; }
    void SetHex(bool hex);
    // The largest hex number the text may hold: 32 bits unless a field of addresses asks for more.
    void SetHexLimit(quint64 limit);
    // The value when the field last received the focus.
    long double EntryValue() const { return EntryValueStore; }

    void Normalize();
    bool Validate();
    // The text as an integer the way the dialogs read it: hexadecimal after "$" or "0x" or in hex mode. 32 bits,
    // or with wide up to 63 bits (addresses and sizes).
    bool IntegerValue(qint64& value, bool wide = false) const;

    // Reads text: in hex mode hex digits with an optional "$" or "0x" (at most hexLimit); else a decimal
    // number, or a "$"- or "0x"-prefixed hex integer.
    static bool ParseNumber(const QString& text, bool hex, long double& value, quint64 hexLimit = 0xFFFFFFFFu);
    // The canonical text of value: "$" and upper-case hex, or fixed-point with fracDigits decimals.
    static QString FormatNumber(long double value, bool hex, int intDigits, int fracDigits);

  signals:
    // Hex changed, also when the field switched itself because a "$" number was entered in decimal.
    void HexChanged(bool hex);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    bool Refuses(QChar c) const;
    void ShowValue();
    bool TakesFocusBackFrom(QWidget* next) const;

    int DigitsIntValue = 8;
    int DigitsFracValue = 0;
    long double ValueStore = 0;
    long double MinValue = 0;
    long double MaxValue = 99999999.9L;
    bool HexValue = false;
    quint64 HexLimitValue = 0xFFFFFFFFu;
    long double EntryValueStore = 0;
};
