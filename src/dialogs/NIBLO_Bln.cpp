// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Bln.h"

#include "kit/UiApplication.h"

#include "engine/document/Navigation.h"
#include "engine/text/StringTable.h"

TFormBlockN::TFormBlockN(QWidget* parent)
    : TNumberDialog(parent, {tr("Block with <n> chars"), tr("Enter <n>"), "JkHistoryBlockN", QSize(269, 169),
                             HelpContext, Texts::BlockSizeInvalid}) {
    setObjectName(QStringLiteral("FormBlockN"));
    Finish();
}

std::optional<int64_t> TFormBlockN::Take(int64_t n) const {
    if (!Engine::BlockSizeValid(UiDocument(), n)) return std::nullopt;
    return n;
}
