// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Goto.h"

#include "kit/UiApplication.h"

#include "engine/text/StringTable.h"
#include "kit/RadioGroup.h"

#include <QHBoxLayout>

#include <algorithm>

TFormGoto::TFormGoto(QWidget* parent)
    : TNumberDialog(parent, {tr("Go to address"), tr("Go to"), "JkHistoryGoTo", QSize(323, 170), HelpContext,
                             Texts::AdressInvalid}) {
    setObjectName(QStringLiteral("FormGoto"));
    RadioGroupGoMode =
        new TRadioGroup(tr("Go mode"), {tr("&absolute"), tr("relative d&own"), tr("relative &up")}, this);
    RadioGroupGoMode->setObjectName(QStringLiteral("RadioGroupGoMode"));
    RadioGroupGoMode->SetItemIndex(0);
    Top->addWidget(RadioGroupGoMode);
    Finish();
}

Engine::TGoMode TFormGoto::GoMode() const {
    return static_cast<Engine::TGoMode>(std::max(0, RadioGroupGoMode->ItemIndex()));
}

void TFormGoto::SetGoMode(Engine::TGoMode mode) {
    RadioGroupGoMode->SetItemIndex(static_cast<int>(mode));
}

std::optional<int64_t> TFormGoto::Take(int64_t n) const {
    const TAddress target = Engine::GotoTarget(UiDocument(), GoMode(), n);
    if (target == 0) return std::nullopt;
    return target;
}
