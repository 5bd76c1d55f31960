// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/JkTextEdit.h"

#include "kit/UiApplication.h"

#include <QKeyEvent>

namespace {

bool HasByte(char32_t character) {
    return Engine::TypedByte(UiApplication(), character).has_value();
}

} // namespace

QByteArray TextToBytes(const QString& text) {
    QByteArray bytes;
    for (char32_t character : text.toUcs4())
        bytes += static_cast<char>(Engine::TypedByte(UiApplication(), character).value_or('?'));
    return bytes;
}

QString BytesToText(const QByteArray& bytes) {
    QString text;
    for (char byte : bytes)
        text += QChar(static_cast<char16_t>(Engine::TypedCharacter(UiApplication(), static_cast<uint8_t>(byte))));
    return text;
}

TJkTextEdit::TJkTextEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this](const QString& edited) {
        const QString representable = BytesToText(TextToBytes(edited));
        if (representable == edited) return;
        const int caret = cursorPosition();
        setText(representable);
        setCursorPosition(qMin(caret, static_cast<int>(representable.size())));
    });
}

void TJkTextEdit::keyPressEvent(QKeyEvent* event) {
    for (char32_t character : event->text().toUcs4()) {
        if (character >= 0x20 && !HasByte(character)) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}
