// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/Jkkompo.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QWidget>

void ColorByState(QWidget* control, bool on) {
    if (!control) return;
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(on ? QPalette::Base : QPalette::Button));
    control->setPalette(palette);
}

TKeyKind KeyKindOf(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Backspace:
        return TKeyKind::Backspace;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return TKeyKind::Other;
    default:
        break;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    // Ctrl with a letter makes a control character; Ctrl+Alt is AltGr, which types ordinary characters.
    const bool control = (mods & (Qt::ControlModifier | Qt::MetaModifier)) && !(mods & Qt::AltModifier);
    if (control && event->key() >= Qt::Key_At && event->key() <= Qt::Key_Underscore)
        return TKeyKind::Shortcut;
    const QString text = event->text();
    if (text.isEmpty()) return TKeyKind::Other;
    if (text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F) return TKeyKind::Shortcut;
    return TKeyKind::Character;
}
