// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/JkByteEdit.h"

#include "controls/Jkkompo.h"
#include "engine/text/HexText.h"

#include <QKeyEvent>
#include <QStringList>

#include <algorithm>
#include <limits>

TJkByteEdit::TJkByteEdit(QWidget* parent) : QLineEdit(parent) {
    SetMaxBytes(0);
    // Texts given while the dialog is being built stay as they are; typed and pasted ones are regrouped.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!Regrouping && testAttribute(Qt::WA_WState_Created)) Regroup();
    });
}

bool TJkByteEdit::IsValid() const {
    const QString content = text();
    if (!IsHexText(content.toLatin1().toStdString(), true)) return false;
    for (const QString& part : content.trimmed().split(QLatin1Char(' ')))
        if (part.size() != 2) return false;
    return true;
}

QByteArray TJkByteEdit::ASCII() const {
    if (!IsValid()) return {};
    return QByteArray::fromStdString(HexToBytes(text().toLatin1().toStdString(), true));
}

void TJkByteEdit::SetASCII(const QByteArray& bytes) {
    setText(QString::fromLatin1(BytesToHex(bytes.toStdString(), true)));
}

void TJkByteEdit::SetMaxBytes(quint32 maxBytes) {
    MaxBytesValue = maxBytes;
    const qint64 length = maxBytes == 0 ? std::numeric_limits<int>::max() : 3 * qint64{maxBytes} - 1;
    setMaxLength(static_cast<int>(std::min<qint64>(length, std::numeric_limits<int>::max())));
}

void TJkByteEdit::Regroup() {
    const QString old = text();
    const int p = cursorPosition();
    const int length = old.size();
    const bool atEnd = length == p;
    const bool midGroup =
        length > p && (p == 0 || old.at(p - 1) != QLatin1Char(' ')) && old.at(p) != QLatin1Char(' ');

    QStringList groups = old.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString& group : groups) {
        if (group.size() == 4)
            group.insert(2, QLatin1Char(' '));
        else if (group.size() == 3)
            group.insert(midGroup ? 1 : 2, QLatin1Char(' '));
    }
    const QString grouped = groups.join(QLatin1Char(' ')).trimmed();

    int caret = p;
    if (!midGroup && (atEnd || (p < grouped.size() && grouped.at(p) == QLatin1Char(' ')))) caret = p + 1;
    // Past the end when nothing was inserted at the end.
    caret = std::clamp(caret, 0, static_cast<int>(grouped.size()));
    // Behind a lone digit, so that the next digit completes its pair.
    if (caret > 2 && grouped.at(caret - 3) == QLatin1Char(' ') && grouped.at(caret - 2) != QLatin1Char(' ') &&
        grouped.at(caret - 1) == QLatin1Char(' '))
        --caret;
    else if (caret == 2 && grouped.at(0) != QLatin1Char(' ') && grouped.at(1) == QLatin1Char(' '))
        caret = 1;

    if (grouped != old) {
        Regrouping = true;
        setText(grouped);
        Regrouping = false;
    }
    setCursorPosition(caret);
    emit OnChange();
}

void TJkByteEdit::keyPressEvent(QKeyEvent* event) {
    switch (KeyKindOf(event)) {
    case TKeyKind::Other:
    case TKeyKind::Shortcut:
        QLineEdit::keyPressEvent(event);
        return;
    case TKeyKind::Backspace: {
        // Only at the end, where deleting cannot break up the pairs behind the caret.
        const int p = cursorPosition();
        const int length = text().size();
        if (p > 0 && (p == length || p == length - 1))
            QLineEdit::keyPressEvent(event);
        else
            event->accept();
        return;
    }
    case TKeyKind::Character:
        break;
    }
    event->accept();
    const QString typed = event->text().toUpper();
    if (typed.size() != 1 || !IsHexDigit(typed.at(0).toLatin1()) || typed.at(0).unicode() > 0x7F) return;
    // A digit typed right behind a complete pair starts the next pair.
    const QString current = text();
    const int p = cursorPosition();
    if (!hasSelectedText() && p >= 2 && p < current.size() && current.at(p - 1) != QLatin1Char(' ') &&
        current.at(p - 2) != QLatin1Char(' ') && current.at(p) == QLatin1Char(' '))
        setCursorPosition(p + 1);
    insert(typed);
}
