// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Jmp.h"

#include "kit/UiApplication.h"

#include "engine/document/Navigation.h"
#include "engine/text/StringTable.h"

TFormJump::TFormJump(QWidget* parent)
    : TNumberDialog(parent, {tr("Enter jump width"), tr("Jump width"), "JkHistoryJump", QSize(260, 169), 0,
                             Texts::JumpWidthInvalid}) {
    setObjectName(QStringLiteral("FormJump"));
    Finish();
}

std::optional<int64_t> TFormJump::Take(int64_t n) const {
    if (!Engine::JumpWidthValid(UiDocument(), n)) return std::nullopt;
    return n;
}
