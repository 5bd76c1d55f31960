// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/RadioGroup.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), Group(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (qsizetype i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        Group->addButton(button, int(i));
        layout->addWidget(button);
    }
}

int TRadioGroup::ItemIndex() const {
    return Group->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* button = Group->button(index)) {
        button->setChecked(true);
        return;
    }
    // No choice at all: the group must let go of its checked button first.
    Group->setExclusive(false);
    for (QAbstractButton* button : Group->buttons())
        button->setChecked(false);
    Group->setExclusive(true);
}
