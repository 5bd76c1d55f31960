// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/JkNumEdit.h"

#include "controls/Jkkompo.h"
#include "engine/document/Navigation.h"
#include "engine/text/HexText.h"
#include "engine/text/StringTable.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QVariant>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

const QChar Separator = QLatin1Char(Texts::DecimalSeparator);

bool ParseHexInteger(QStringView digits, quint64 limit, quint64& number) {
    if (digits.isEmpty()) return false;
    number = 0;
    for (QChar c : digits) {
        if (c.unicode() > 0x7F || !IsHexDigit(static_cast<char>(c.unicode()))) return false;
        const auto digit = static_cast<quint64>(HexDigitValue(static_cast<char>(c.unicode())));
        // Checked before the shift, so that no number wraps past the limit.
        if (number > (limit - digit) / 16) return false;
        number = number * 16 + digit;
    }
    return true;
}

bool ParseHexDigits(QStringView digits, quint64 limit, long double& value) {
    quint64 number = 0;
    if (!ParseHexInteger(digits, limit, number)) return false;
    value = static_cast<long double>(number);
    return true;
}

// The length of the "$" or "0x" that makes the rest hexadecimal whatever the mode.
qsizetype HexPrefix(const QString& text) {
    return static_cast<qsizetype>(Engine::HexPrefixLength(text.left(2).toStdString()));
}

QString Chars(const char* first, const char* last) {
    return QString::fromLatin1(first, static_cast<int>(last - first));
}

} // namespace

TJkNumEdit::TJkNumEdit(QWidget* parent) : QLineEdit(parent) {}

bool TJkNumEdit::ParseNumber(const QString& text, bool hex, long double& value, quint64 hexLimit) {
    const qsizetype prefix = HexPrefix(text);
    if (hex || prefix > 0) return ParseHexDigits(QStringView(text).mid(prefix), hexLimit, value);
    std::string chars;
    for (QChar c : text) {
        if (c.unicode() > 0x7F || (c == QLatin1Char('.') && c != Separator)) return false;
        chars += c == Separator ? '.' : static_cast<char>(c.unicode());
    }
    long double parsed = 0;
    const auto [end, error] = std::from_chars(chars.data(), chars.data() + chars.size(), parsed);
    if (chars.empty() || error != std::errc() || end != chars.data() + chars.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

QString TJkNumEdit::FormatNumber(long double value, bool hex, int intDigits, int fracDigits) {
    if (hex) {
        const long double whole = std::clamp(std::trunc(value), -9.2e18L, 9.2e18L);
        const auto number = static_cast<qint64>(whole);
        // Negative numbers show as their 32-bit pattern, as typed hex numbers are read.
        const quint64 bits = number < 0 ? static_cast<quint32>(number) : static_cast<quint64>(number);
        return QLatin1Char('$') + QString::number(bits, 16).toUpper();
    }
    const int precision = std::max(1, intDigits + fracDigits);
    char buffer[128];
    // At most precision significant digits; a number needing more integer digits goes to exponent form.
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision - 1);
    long double rounded = value;
    std::from_chars(buffer, result.ptr, rounded);
    if (std::fabs(rounded) >= std::pow(10.0L, precision))
        return Chars(buffer, result.ptr).toUpper().replace(QLatin1Char('.'), Separator);
    result = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, fracDigits);
    QString text = Chars(buffer, result.ptr);
    // No "-0.00" for a small negative number.
    if (text.startsWith(QLatin1Char('-')) && !text.contains(QRegularExpression(QStringLiteral("[1-9]"))))
        text.remove(0, 1);
    return text.replace(QLatin1Char('.'), Separator);
}

void TJkNumEdit::SetDigitsInt(int digits) {
    DigitsIntValue = std::clamp(digits, 0, MaxDigits);
    Normalize();
}

void TJkNumEdit::SetDigitsFrac(int digits) {
    DigitsFracValue = HexValue ? 0 : std::clamp(digits, 0, MaxDigits);
    Normalize();
}

void TJkNumEdit::SetValue(long double value) {
    if (std::isnan(value)) value = MinValue;
    ValueStore = std::clamp(value, MinValue, MaxValue);
    Normalize();
}

void TJkNumEdit::SetMin(long double min) {
    if (min <= MaxValue) MinValue = min;
    SetValue(ValueStore);
}

void TJkNumEdit::SetMax(long double max) {
    if (max >= MinValue) MaxValue = max;
    SetValue(ValueStore);
}

void TJkNumEdit::SetHexLimit(quint64 limit) {
    HexLimitValue = limit;
    Normalize();
}

void TJkNumEdit::SetHex(bool hex) {
    if (hex == HexValue) return;
    // The text is read the way it was typed, then shown the new way ('26' <-> '$1A').
    long double value = 0;
    if (!text().isEmpty() && ParseNumber(text(), HexValue, value, HexLimitValue)) ValueStore = value;
    HexValue = hex;
    if (hex) DigitsFracValue = 0;
    if (!text().isEmpty()) ShowValue();
    emit HexChanged(hex);
}

void TJkNumEdit::ShowValue() {
    const QString canonical = FormatNumber(ValueStore, HexValue, DigitsIntValue, DigitsFracValue);
    if (canonical != text()) setText(canonical);
}

void TJkNumEdit::Normalize() {
    if (text().isEmpty()) return;
    long double value = 0;
    if (ParseNumber(text(), HexValue, value, HexLimitValue)) ValueStore = value;
    ShowValue();
}

bool TJkNumEdit::Validate() {
    long double value = 0;
    if (!ParseNumber(text(), HexValue, value, HexLimitValue)) return false;
    Normalize();
    return true;
}

bool TJkNumEdit::IntegerValue(qint64& value, bool wide) const {
    const QString content = text().trimmed();
    const qsizetype prefix = HexPrefix(content);
    if (HexValue || prefix > 0) {
        quint64 number = 0;
        if (!ParseHexInteger(QStringView(content).mid(prefix), wide ? quint64{INT64_MAX} : 0xFFFFFFFFu,
                             number))
            return false;
        value = static_cast<qint64>(number);
        return true;
    }
    const std::string chars = content.toStdString();
    qint64 parsed = 0;
    const auto [end, error] = std::from_chars(chars.data(), chars.data() + chars.size(), parsed);
    if (chars.empty() || error != std::errc() || end != chars.data() + chars.size() ||
        (!wide && (parsed < INT32_MIN || parsed > INT32_MAX)))
        return false;
    value = parsed;
    return true;
}

bool TJkNumEdit::Refuses(QChar c) const {
    if (c.unicode() <= ' ') return true;
    const QString current = text();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const QString before = current.left(start);
    const QString after = current.mid(start + selectionLength());
    const QString wouldBe = before + c + after;
    // A leading "$" or "0x" makes the rest hex whatever the mode, as the command line reads addresses.
    const auto prefix = static_cast<int>(HexPrefix(wouldBe));
    const bool hex = HexValue || prefix > 0;
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (start < prefix) {
        // Not before what the prefix would make unreadable ("$" before "0x1" or "1.5").
        if (!Engine::StrayAddressChar(wouldBe.mid(prefix).toStdString(), true).empty()) return true;
    } else if (hex) {
        if (!digit && !(c >= QLatin1Char('A') && c <= QLatin1Char('F'))) return true;
    } else if (!digit && c != Separator && c != QLatin1Char('-')) {
        return true;
    }
    if (c == Separator && (DigitsFracValue == 0 || current.contains(Separator))) return true;
    if (c == QLatin1Char('-') && (MinValue >= 0 || HexValue || HexPrefix(after) > 0 ||
                                  current.contains(QLatin1Char('-')) || !before.isEmpty()))
        return true;
    const int separatorAt = hex ? -1 : static_cast<int>(wouldBe.indexOf(Separator));
    QString integerPart = separatorAt < 0 ? wouldBe : wouldBe.left(separatorAt);
    if (integerPart.startsWith(QLatin1Char('-'))) integerPart.remove(0, 1);
    // A prefix counts as one of the digits, as the "$" always did.
    if (integerPart.size() - std::max(prefix - 1, 0) > DigitsIntValue) return true;
    return separatorAt >= 0 && wouldBe.size() - separatorAt - 1 > DigitsFracValue;
}

void TJkNumEdit::keyPressEvent(QKeyEvent* event) {
    switch (KeyKindOf(event)) {
    case TKeyKind::Other:
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            Validate();
        } else if (event->key() == Qt::Key_Escape) {
            SetValue(EntryValueStore);
            selectAll();
        }
        QLineEdit::keyPressEvent(event); // Enter and Escape go on to the dialog's buttons
        return;
    case TKeyKind::Backspace:
    case TKeyKind::Shortcut:
        QLineEdit::keyPressEvent(event);
        return;
    case TKeyKind::Character:
        break;
    }
    event->accept();
    const QString typed = event->text().toUpper();
    // An "X" gets through only as part of "0x", which reads better in lower case.
    if (typed.size() == 1 && !Refuses(typed.at(0)))
        insert(typed == QLatin1String("X") ? QStringLiteral("x") : typed);
}

void TJkNumEdit::focusInEvent(QFocusEvent* event) {
    // A return from a menu or another application is no new entry into the field.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
        // The text may have been set directly (from a history); the value it shows is the entry value.
        long double value = 0;
        if (!text().isEmpty() && ParseNumber(text(), HexValue, value, HexLimitValue)) ValueStore = value;
        EntryValueStore = ValueStore;
    }
    QLineEdit::focusInEvent(event);
}

void TJkNumEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
    // "0x" shows as the "$" it stands for; either switches the field to hex.
    if (HexPrefix(text()) == 2) setText(QLatin1Char('$') + text().mid(2));
    if (!HexValue && text().contains(QLatin1Char('$'))) SetHex(true);
    if (HexValue && !text().isEmpty() && !text().contains(QLatin1Char('$')))
        setText(QLatin1Char('$') + text());
    if (Validate()) return;
    SetValue(EntryValueStore);
    selectAll();
    if (TakesFocusBackFrom(QApplication::focusWidget())) setFocus(Qt::OtherFocusReason);
}

bool TJkNumEdit::TakesFocusBackFrom(QWidget* next) const {
    if (!next || next == this || next->window() != window()) return false;
    const auto* button = qobject_cast<QPushButton*>(next);
    if (!button) return true;
    const QVariant modalResult = button->property("ModalResult");
    if (modalResult.isValid()) return modalResult.toInt() == 1;
    return button->objectName() == QLatin1String("ButtonOK");
}
