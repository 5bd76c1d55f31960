// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The small input controls every dialog is built from.
#include "controls/JkByteEdit.h"
#include "controls/JkNumEdit.h"
#include "controls/JkRadioBtn.h"

class QKeyEvent;
class QWidget;

// The system window colour while on, the button-face colour while off (the AutoColor rule).
void ColorByState(QWidget* control, bool on);

// How an edit's key filter sees a key press.
enum class TKeyKind {
    Other, // navigation, Delete, Enter, Escape, Tab, function keys: the edit's usual handling
    Backspace,
    Shortcut,  // Ctrl with a key (select all, copy, paste, cut, undo): the edit's own handling, which
               // runs the shortcut and inserts nothing
    Character, // a printable character, in event->text()
};
TKeyKind KeyKindOf(const QKeyEvent* event);
