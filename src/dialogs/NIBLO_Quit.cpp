// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NIBLO_Quit.h"

#include "kit/DialogFrame.h"
#include "kit/Jkdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

TFormQuit::TFormQuit(QWidget* parent, const QStringList& names, const QStringList& paths)
    : QDialog(parent, DialogFlags) {
    setObjectName(QStringLiteral("FormQuit"));
    setWindowTitle(tr("Unsaved changes"));
    LabelFiles = new QLabel(tr("These files have unsaved changes. Save the checked ones?"), this);
    LabelFiles->setObjectName(QStringLiteral("LabelFiles"));
    ListFiles = new QListWidget(this);
    ListFiles->setObjectName(QStringLiteral("ListFiles"));
    for (qsizetype i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(names[i], ListFiles);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setToolTip(paths.value(i));
    }
    ButtonSave = new QPushButton(tr("&Save all"), this);
    ButtonSave->setObjectName(QStringLiteral("ButtonSave"));
    ButtonSave->setDefault(true);
    ButtonDiscard = new QPushButton(tr("&Discard all"), this);
    ButtonDiscard->setObjectName(QStringLiteral("ButtonDiscard"));
    ButtonCancel = new QPushButton(tr("Cancel"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    // With some files unchecked, Save saves only the checked ones: the button says so.
    connect(ListFiles, &QListWidget::itemChanged, this, [this] {
        const std::vector<bool> checked = Checked();
        const bool all = std::find(checked.begin(), checked.end(), false) == checked.end();
        ButtonSave->setText(all ? tr("&Save all") : tr("&Save checked"));
    });
    connect(ButtonSave, &QPushButton::clicked, this, [this] {
        Answer = TAnswer::Save;
        accept();
    });
    connect(ButtonDiscard, &QPushButton::clicked, this, [this] {
        Answer = TAnswer::DiscardAll;
        accept();
    });
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonSave);
    buttons->addWidget(ButtonDiscard);
    buttons->addWidget(ButtonCancel);
    auto* form = new QVBoxLayout(this);
    form->addWidget(LabelFiles);
    form->addWidget(ListFiles);
    form->addLayout(buttons);
    ButtonSave->setFocus();
    CenterOverActiveForm(this);
    RefitLabels(this);
}

std::vector<bool> TFormQuit::Checked() const {
    std::vector<bool> checked;
    for (int i = 0; i < ListFiles->count(); ++i)
        checked.push_back(ListFiles->item(i)->checkState() == Qt::Checked);
    return checked;
}
